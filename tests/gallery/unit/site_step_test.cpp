#include "site/markers.h"
#include "site/site_step.h"

#include <gtest/gtest.h>

namespace {

std::string const page = "<body>\r\n"
                         "<!-- $include stdheader.inc -->\r\n"
                         "<hr>\r\n"
                         "<p>\x8D\xC5\x8FI\x8DX\x90V:\r\n"
                         "<!-- $timestamp -->\r\n"
                         "</p>\r\n"
                         "<p>not a marker: <!-- $timestamp --></p>\r\n"
                         " <!-- $include stdfooter.inc -->\r\n"
                         "<!-- $include stdfooter.inc -->\r\n"
                         "</body>\r\n";

// The pieces joined, as the file they are written into holds them.
std::string with_markers_expanded(std::string_view text, std::string_view header,
                                  std::string_view date, std::string_view footer) {
    std::string expanded;
    for (std::string_view piece : markers_expanded(text, header, date, footer)) expanded += piece;
    return expanded;
}

album album_at(std::string path, std::string name, int parent, std::vector<int> below = {}) {
    album made;
    made.path = std::move(path);
    made.name = std::move(name);
    made.link = made.name;
    made.parent = parent;
    made.albums = std::move(below);
    return made;
}

} // namespace

TEST(site_step, replaces_the_three_marker_lines_and_nothing_else) {
    std::string const expanded =
        with_markers_expanded(page, "<p>header</p>\r\n<p>second</p>", "2024-05-01", "");
    EXPECT_EQ(expanded, "<body>\r\n"
                        "<p>header</p>\r\n<p>second</p>\r\n"
                        "<hr>\r\n"
                        "<p>\x8D\xC5\x8FI\x8DX\x90V:\r\n"
                        "2024-05-01\r\n"
                        "</p>\r\n"
                        "<p>not a marker: <!-- $timestamp --></p>\r\n"
                        " <!-- $include stdfooter.inc -->\r\n"
                        "\r\n"
                        "</body>\r\n");
    // A page without markers, or cut short without a line end, comes back as it was.
    EXPECT_EQ(with_markers_expanded("<p>x</p>\r\n<!-- $timestamp -->", "h", "d", "f"),
              "<p>x</p>\r\nd");
    EXPECT_EQ(with_markers_expanded("plain\n", "h", "d", "f"), "plain\n");
}

// photos holds 2024 and 2025; 2024 holds a&b, whose folder has a stdheader.inc of its own.
site_step site_of(scan_result const& scanned, std::optional<std::string> header) {
    site_sources sources;
    sources.header_files = {std::nullopt, std::nullopt, std::move(header), std::nullopt};
    sources.footer_files = {"<p>footer</p>", std::nullopt, std::nullopt, std::nullopt};
    sources.shown_names = {"photos", "2024", "a&amp;b", "2025"};
    return site_step(scanned, sources);
}

TEST(site_step, links_every_album_above_and_on_an_index_those_below_after_the_sites_header) {
    scan_result scanned;
    scanned.albums = {album_at("", "photos", -1, {1, 3}), album_at("2024", "2024", 0, {2}),
                      album_at("2024/a&b", "a&b", 1), album_at("2025", "2025", 0)};
    std::vector<bool> const shown = {true, true, true, false};
    std::string const up_from_a_and_b = "<p><a href=\"../../index.html\">photos</a> / "
                                        "<a href=\"../index.html\">2024</a> / ";
    site_step const own = site_of(scanned, std::nullopt);
    EXPECT_EQ(own.picture_frame(2).header,
              up_from_a_and_b + "<a href=\"index.html\">a&amp;b</a></p>");
    EXPECT_EQ(own.index_frame(1, shown).header,
              "<p><a href=\"../index.html\">photos</a> / 2024</p>\r\n"
              "<p><a href=\"a&amp;b/index.html\">a&amp;b</a></p>");
    // An album with no entry of its own (2025, nothing to show) is not linked down to.
    EXPECT_EQ(own.index_frame(0, shown).header,
              "<p>photos</p>\r\n<p><a href=\"2024/index.html\">2024</a></p>");
    // The nearest footer is the top's.
    EXPECT_EQ(own.picture_frame(2).footer, "<p>footer</p>");

    // The site's header comes first, byte for byte, and the way up and down still follows it:
    // on a line of its own, whether the header ends its last line or not.
    for (std::string const header : {"<p>\x89\xD4</p>\r\n", "<p>site</p>"}) {
        site_step const site = site_of(scanned, header);
        std::string const between = header.ends_with('\n') ? "" : "\r\n";
        EXPECT_EQ(site.index_frame(2, shown).header,
                  header + between + up_from_a_and_b + "a&amp;b</p>");
        EXPECT_EQ(site.picture_frame(2).header,
                  header + between + up_from_a_and_b + "<a href=\"index.html\">a&amp;b</a></p>");
        EXPECT_EQ(site.picture_frame(1).header, own.picture_frame(1).header) << "only below it";
    }
}
