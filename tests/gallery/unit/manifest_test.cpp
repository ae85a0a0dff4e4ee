#include "manifest.h"

#include <gtest/gtest.h>

namespace {

made_picture made(std::int64_t size, int web_box, bool companion) {
    return {{size, 1796672360, 492912713}, web_box, 200, companion};
}

bool same(made_picture const& a, made_picture const& b) {
    return a.stamp == b.stamp && a.web_box == b.web_box && a.thumbnail_box == b.thumbnail_box &&
           a.companion == b.companion;
}

} // namespace

TEST(manifest, reads_back_what_it_wrote_with_names_as_they_are) {
    manifest written;
    written["IMG_0001.JPG"] = made(5429, 1600, false);
    written["blue planet.jpg"] = made(1, 0, true);
    written["tab\tand  spaces .jpg"] = made(77, 0, false);
    manifest const read = read_manifest(manifest_text(written), "");
    ASSERT_EQ(read.size(), written.size());
    for (auto const& [name, picture] : written) {
        ASSERT_EQ(read.count(name), 1u) << name;
        EXPECT_TRUE(same(read.at(name), picture)) << name;
    }
}

TEST(manifest, journal_lines_replace_older_ones_and_a_cut_line_is_dropped) {
    manifest written;
    written["a.jpg"] = made(1, 0, false);
    written["b.jpg"] = made(2, 0, false);
    std::string const journal = manifest_line("a.jpg", made(10, 0, true)) +
                                manifest_line("c.jpg", made(3, 0, false)) + "4 1 2 0 200 -\td.j";
    manifest const read = read_manifest(manifest_text(written), journal);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_TRUE(same(read.at("a.jpg"), made(10, 0, true)));
    EXPECT_TRUE(same(read.at("b.jpg"), made(2, 0, false)));
    EXPECT_TRUE(same(read.at("c.jpg"), made(3, 0, false)));
}

TEST(manifest, journal_alone_counts_after_an_interrupted_first_run) {
    manifest const read = read_manifest("", manifest_line("a.jpg", made(1, 0, false)));
    EXPECT_EQ(read.size(), 1u);
}

TEST(manifest, foreign_or_damaged_text_claims_no_file) {
    // Whatever cannot be read claims nothing: nothing is removed on its word.
    EXPECT_TRUE(read_manifest("pixfold-gallery manifest 9\n1 2 3 0 200 -\ta.jpg\n", "").empty());
    EXPECT_TRUE(read_manifest("something else", manifest_line("a.jpg", made(1, 0, false))).empty());
    std::string const damaged = "pixfold-gallery manifest 1\n"
                                "x 2 3 0 200 -\ta.jpg\n"
                                "1 2 3 0 200 ?\tb.jpg\n"
                                "1 2 3 0 200 -\t\n"
                                "1 2 3 0 200 -\n"
                                "1 2 3 0 200 c\tgood.jpg\n";
    manifest const read = read_manifest(damaged, "");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_TRUE(read.at("good.jpg").companion);
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
