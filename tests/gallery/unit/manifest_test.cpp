#include "state/manifest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

picture_record made(std::int64_t size, int web_box, bool companion) {
    picture_record picture;
    picture.stamp = {size, 1796672360, 492912713};
    picture.web_box = web_box;
    picture.thumbnail_box = 200;
    picture.companion = companion;
    picture.link = "link";
    picture.shown = {1600, 900};
    picture.thumbnail = {200, 113};
    picture.page_key = 0x9e3779b97f4a7c15u;
    return picture;
}

gallery_records read(std::string const& manifest_bytes, std::string const& journal = "") {
    return read_manifest(manifest_bytes, journal).records;
}

} // namespace

TEST(manifest, reads_back_what_it_wrote_with_names_of_any_bytes) {
    gallery_records written;
    written.pictures["IMG_0001.JPG"] = made(5429, 1600, false);
    written.pictures["2024/holiday/blue planet.jpg"] = made(1, 0, true);
    written.pictures["tab\tand  spaces .jpg"] = made(77, 0, false);
    written.pictures["line\nbreak\\n.jpg"] = made(78, 0, false);
    written.pictures["line\nbreak\\n.jpg"].link = "line%0Abreak%5Cn";
    written.pictures["claimed.jpg"] = made(79, 1600, true);
    written.pictures["claimed.jpg"].finished = false;
    written.pictures["IMG_0001.JPG"].taken = moment{1717236000, 417000000};
    written.pictures["2024/holiday/blue planet.jpg"].taken = moment{-86400 * 365, 0};
    written.pictures["tab\tand  spaces .jpg"].dated = false; // an earlier version's
    written.albums[""] = {"", 0x1234, 0, true};
    written.albums["2024/holiday\tand more"] = {"holiday%09and more", 0xfedcba9876543210u, 7,
                                                false};
    EXPECT_TRUE(read(manifest_text(written)) == written);
    // One line per picture or album, whatever its name holds.
    std::string const text = manifest_text(written);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 5 + 2);
    EXPECT_NE(text.find(" 1717236000.417000000 -\t"), std::string::npos);
    EXPECT_NE(text.find(" ? -\tlink\ttab\\tand"), std::string::npos);
}

TEST(manifest, the_last_versions_lines_say_nothing_of_when_their_pictures_were_taken) {
    records_read const read = read_manifest("pixfold-gallery manifest 2\n"
                                            "p 1 2 3 0 200 1 1 1 1 ff c\tgood\tgood.jpg\n",
                                            "p 1 2 3 0 200 1 1 1 1 ee -\tnew\tnew.jpg\n");
    EXPECT_FALSE(read.outdated) << "nothing of it is taken over";
    ASSERT_EQ(read.records.pictures.size(), 2u);
    for (auto const& [source, record] : read.records.pictures) {
        EXPECT_FALSE(record.dated) << source;
        EXPECT_EQ(record.taken, std::nullopt) << source;
    }
    EXPECT_TRUE(read.records.pictures.at("good.jpg").companion);
    EXPECT_TRUE(read_manifest(manifest_text(read.records), "").records == read.records);
}

TEST(manifest, journal_lines_replace_older_ones_and_a_cut_line_is_dropped) {
    gallery_records written;
    written.pictures["a.jpg"] = made(1, 0, false);
    written.pictures["b.jpg"] = made(2, 0, false);
    std::string const journal =
        picture_line("a.jpg", made(10, 0, true)) + picture_line("c.jpg", made(3, 0, false)) +
        album_line("2024", {"2024", 1, 2, true}) + "p 4 1 2 0 200 1 1 1 1 0 -\td\td.j";
    records_read const state = read_manifest(manifest_text(written), journal);
    ASSERT_EQ(state.records.pictures.size(), 3u);
    EXPECT_EQ(state.records.pictures.at("a.jpg"), made(10, 0, true));
    EXPECT_EQ(state.records.pictures.at("b.jpg"), made(2, 0, false));
    EXPECT_EQ(state.records.pictures.at("c.jpg"), made(3, 0, false));
    EXPECT_EQ(state.pictures_from_journal, (std::set<std::string>{"a.jpg", "c.jpg"}));
    EXPECT_EQ(state.albums_from_journal, (std::set<std::string>{"2024"}));
}

TEST(manifest, journal_alone_counts_after_an_interrupted_first_run) {
    records_read const state = read_manifest("", picture_line("a.jpg", made(1, 0, false)));
    EXPECT_EQ(state.records.pictures.size(), 1u);
    EXPECT_FALSE(state.outdated);
}

TEST(manifest, an_earlier_versions_manifest_and_journal_are_read_and_marked_outdated) {
    // Its lines end in the source name as it is, tabs included; its pages used the names.
    records_read const state = read_manifest("pixfold-gallery manifest 1\n"
                                             "5429 1796672360 492912713 1600 200 -\tIMG_0001.JPG\n"
                                             "1 2 3 0 200 c\ttab\tstop.jpg\n",
                                             "4 5 6 0 200 -\tnew.jpg\n");
    EXPECT_TRUE(state.outdated);
    ASSERT_EQ(state.records.pictures.size(), 3u);
    EXPECT_EQ(state.records.pictures.at("IMG_0001.JPG").web_box, 1600);
    EXPECT_TRUE(state.records.pictures.at("tab\tstop.jpg").companion);
    EXPECT_TRUE(state.records.pictures.at("new.jpg").finished);
    EXPECT_EQ(state.records.pictures.at("new.jpg").link, "");
    // Written again in this version's format, nothing of it is lost.
    records_read const again = read_manifest(manifest_text(state.records), "");
    EXPECT_FALSE(again.outdated);
    EXPECT_EQ(again.records.pictures.size(), 3u);
    EXPECT_EQ(again.records.pictures.at("tab\tstop.jpg").link, "");
}

TEST(manifest, foreign_or_damaged_text_claims_no_file) {
    // Whatever cannot be read claims nothing: nothing is removed on its word.
    EXPECT_TRUE(
        read("pixfold-gallery manifest 9\np 1 2 3 0 200 1 1 1 1 0 -\ta\ta.jpg\n").pictures.empty());
    EXPECT_TRUE(read("something else", picture_line("a.jpg", made(1, 0, false))).pictures.empty());
    std::string const damaged = "pixfold-gallery manifest 2\n"
                                "p x 2 3 0 200 1 1 1 1 0 -\ta\ta.jpg\n"
                                "p 1 2 3 0 200 1 1 1 1 0 ?\tb\tb.jpg\n"
                                "p 1 2 3 0 200 1 1 1 1 0 -\tc\t\n"
                                "p 1 2 3 0 200 1 1 1 1 0 -\td.jpg\n"
                                "p 1 2 3 0 200 1 1 1 1 0 -\te\te\\x.jpg\n"
                                "p 1 2 3 0 200 1 1 1 1 0 -\tf\tf\\\n"
                                "p 1 2 3 0 200 1 1 1 1\tg\tg.jpg\n"
                                "q 1 2 3 0 200 1 1 1 1 0 -\th\th.jpg\n"
                                "a 1 2 c\ti\ti\n"
                                "a 1\tj\tj\n"
                                "p 1 2 3 0 200 1 1 1 1 ff cp\tgood\tgood.jpg\n";
    gallery_records const back = read(damaged);
    EXPECT_TRUE(back.albums.empty());
    ASSERT_EQ(back.pictures.size(), 1u);
    EXPECT_TRUE(back.pictures.at("good.jpg").companion);
    EXPECT_FALSE(back.pictures.at("good.jpg").finished);
    EXPECT_EQ(back.pictures.at("good.jpg").page_key, 0xffu);
}

TEST(manifest, text_is_in_byte_order_whatever_the_order_of_making) {
    gallery_records first, second;
    first.pictures["b.jpg"] = made(2, 0, false);
    first.pictures["a.jpg"] = made(1, 0, false);
    second.pictures["a.jpg"] = made(1, 0, false);
    second.pictures["b.jpg"] = made(2, 0, false);
    EXPECT_EQ(manifest_text(first), manifest_text(second));
    EXPECT_LT(manifest_text(first).find("a.jpg"), manifest_text(first).find("b.jpg"));
}
