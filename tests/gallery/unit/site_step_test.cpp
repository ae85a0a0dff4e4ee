#include "site_step.h"

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

TEST(site_step, own_header_links_every_album_above_and_on_an_index_those_below) {
    std::vector<album> const albums = {album_at("", "photos", -1, {1, 3}),
                                       album_at("2024", "2024", 0, {2}),
                                       album_at("2024/a&b", "a&b", 1), album_at("2025", "2025", 0)};
    std::vector<std::string> const names = {"photos", "2024", "a&amp;b", "2025"};
    std::vector<bool> const shown = {true, true, true, false};
    EXPECT_EQ(own_header(albums, names, shown, 2, false),
              "<p><a href=\"../../index.html\">photos</a> / <a href=\"../index.html\">2024</a> / "
              "<a href=\"index.html\">a&amp;b</a></p>");
    EXPECT_EQ(own_header(albums, names, shown, 1, true),
              "<p><a href=\"../index.html\">photos</a> / 2024</p>\r\n"
              "<p><a href=\"a&amp;b/index.html\">a&amp;b</a></p>");
    // An album with no entry of its own (2025, nothing to show) is not linked down to.
    EXPECT_EQ(own_header(albums, names, shown, 0, true),
              "<p>photos</p>\r\n<p><a href=\"2024/index.html\">2024</a></p>");
}
