#include "manifest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

made_picture made(std::int64_t size, int web_box, bool companion) {
    return {{size, 1796672360, 492912713}, web_box, 200, companion, true, "link"};
}

bool same(made_picture const& a, made_picture const& b) {
    return a.stamp == b.stamp && a.web_box == b.web_box && a.thumbnail_box == b.thumbnail_box &&
           a.companion == b.companion && a.finished == b.finished && a.link == b.link;
}

manifest read(std::string const& manifest_bytes, std::string const& journal = "") {
    return read_manifest(manifest_bytes, journal).made;
}

} // namespace

TEST(manifest, reads_back_what_it_wrote_with_names_of_any_bytes) {
    manifest written;
    written["IMG_0001.JPG"] = made(5429, 1600, false);
    written["blue planet.jpg"] = made(1, 0, true);
    written["tab\tand  spaces .jpg"] = made(77, 0, false);
    written["line\nbreak\\n.jpg"] = made(78, 0, false);
    written["line\nbreak\\n.jpg"].link = "line%0Abreak\\n";
    written["claimed.jpg"] = made(79, 1600, true);
    written["claimed.jpg"].finished = false;
    manifest const back = read(manifest_text(written));
    ASSERT_EQ(back.size(), written.size());
    for (auto const& [name, picture] : written) {
        ASSERT_EQ(back.count(name), 1u) << name;
        EXPECT_TRUE(same(back.at(name), picture)) << name;
    }
    // One line per picture, whatever its name holds.
    std::string const text = manifest_text(written);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + static_cast<long>(written.size()));
}

TEST(manifest, journal_lines_replace_older_ones_and_a_cut_line_is_dropped) {
    manifest written;
    written["a.jpg"] = made(1, 0, false);
    written["b.jpg"] = made(2, 0, false);
    std::string const journal = manifest_line("a.jpg", made(10, 0, true)) +
                                manifest_line("c.jpg", made(3, 0, false)) + "4 1 2 0 200 -\td\td.j";
    manifest const back = read(manifest_text(written), journal);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_TRUE(same(back.at("a.jpg"), made(10, 0, true)));
    EXPECT_TRUE(same(back.at("b.jpg"), made(2, 0, false)));
    EXPECT_TRUE(same(back.at("c.jpg"), made(3, 0, false)));
}

TEST(manifest, journal_alone_counts_after_an_interrupted_first_run) {
    manifest_state const state = read_manifest("", manifest_line("a.jpg", made(1, 0, false)));
    EXPECT_EQ(state.made.size(), 1u);
    EXPECT_FALSE(state.outdated);
}

TEST(manifest, an_earlier_versions_manifest_and_journal_are_read_and_marked_outdated) {
    // Its lines end in the source name as it is, tabs included; its pages used the names.
    manifest_state const state =
        read_manifest("pixfold-gallery manifest 1\n"
                      "5429 1796672360 492912713 1600 200 -\tIMG_0001.JPG\n"
                      "1 2 3 0 200 c\ttab\tstop.jpg\n",
                      "4 5 6 0 200 -\tnew.jpg\n");
    EXPECT_TRUE(state.outdated);
    ASSERT_EQ(state.made.size(), 3u);
    EXPECT_EQ(state.made.at("IMG_0001.JPG").web_box, 1600);
    EXPECT_TRUE(state.made.at("tab\tstop.jpg").companion);
    EXPECT_TRUE(state.made.at("new.jpg").finished);
    EXPECT_EQ(state.made.at("new.jpg").link, "");
    // Written again in this version's format, nothing of it is lost.
    manifest_state const again = read_manifest(manifest_text(state.made), "");
    EXPECT_FALSE(again.outdated);
    EXPECT_EQ(again.made.size(), 3u);
    EXPECT_EQ(again.made.at("tab\tstop.jpg").link, "");
}

TEST(manifest, foreign_or_damaged_text_claims_no_file) {
    // Whatever cannot be read claims nothing: nothing is removed on its word.
    EXPECT_TRUE(read("pixfold-gallery manifest 9\n1 2 3 0 200 -\ta\ta.jpg\n").empty());
    EXPECT_TRUE(read("something else", manifest_line("a.jpg", made(1, 0, false))).empty());
    std::string const damaged = "pixfold-gallery manifest 2\n"
                                "x 2 3 0 200 -\ta\ta.jpg\n"
                                "1 2 3 0 200 ?\tb\tb.jpg\n"
                                "1 2 3 0 200 -\tc\t\n"
                                "1 2 3 0 200 -\td.jpg\n"
                                "1 2 3 0 200 -\te\te\\x.jpg\n"
                                "1 2 3 0 200 -\tf\tf\\\n"
                                "1 2 3 0 200\tg\tg.jpg\n"
                                "1 2 3 0 200 cp\tgood\tgood.jpg\n";
    manifest const back = read(damaged);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_TRUE(back.at("good.jpg").companion);
    EXPECT_FALSE(back.at("good.jpg").finished);
}

TEST(manifest, text_is_in_byte_order_whatever_the_order_of_making) {
    manifest first, second;
    first["b.jpg"] = made(2, 0, false);
    first["a.jpg"] = made(1, 0, false);
    second["a.jpg"] = made(1, 0, false);
    second["b.jpg"] = made(2, 0, false);
    EXPECT_EQ(manifest_text(first), manifest_text(second));
    EXPECT_LT(manifest_text(first).find("a.jpg"), manifest_text(first).find("b.jpg"));
}
