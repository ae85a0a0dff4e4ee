#include "source/names.h"

#include <gtest/gtest.h>

#include <string>

TEST(source_file, knows_pictures_videos_and_raws_by_their_suffix_in_any_case) {
    struct row {
        char const* file;
        source_kind kind;
        char const* stem;
        int preference;
    };
    row const rows[] = {
        {"sunset.jpg", source_kind::picture, "sunset", 0},
        {"tartan.v2.JPEG", source_kind::picture, "tartan.v2", 0},
        {"IMG_0001.HEIC", source_kind::picture, "IMG_0001", 1},
        {"PXL_1.avif", source_kind::picture, "PXL_1", 2},
        {"shot.Png", source_kind::picture, "shot", 3},
        {"IMG-1-WA0001.webp", source_kind::picture, "IMG-1-WA0001", 4},
        {"scan 0001.tif", source_kind::picture, "scan 0001", 5},
        {"animation.GIF", source_kind::picture, "animation", 6},
        {"photo.jpg.png", source_kind::picture, "photo.jpg", 3},
        {"IMG_0001.MOV", source_kind::video, "IMG_0001", 0},
        {"clip.webm", source_kind::video, "clip", 0},
        {"DSC_0001.NEF", source_kind::raw, "DSC_0001", 0},
        {"IMG_0001.dng", source_kind::raw, "IMG_0001", 0},
        {"IMG_0001.AAE", source_kind::other, "", 0},
        {"notes.txt", source_kind::other, "", 0},
        // Hidden files, such as the resource forks a Mac leaves beside pictures, are nothing.
        {"._IMG_0001.JPG", source_kind::other, "", 0},
        {".jpg", source_kind::other, "", 0},
        {"jpg", source_kind::other, "", 0},
    };
    for (row const& each : rows) {
        source_file const found = source_file_of(each.file);
        EXPECT_EQ(found.kind, each.kind) << each.file;
        EXPECT_EQ(found.stem, each.stem) << each.file;
        EXPECT_EQ(found.preference, each.preference) << each.file;
    }
    // In place only NAME.jpg is a picture, since the pages show the original as it is named.
    EXPECT_EQ(picture_name("sunset.jpg", false), "sunset");
    EXPECT_EQ(picture_name("IMG_0001.JPG", false), "");
    EXPECT_EQ(picture_name("IMG_0001.HEIC", false), "");
    EXPECT_EQ(picture_name("IMG_0001.HEIC", true), "IMG_0001");
    EXPECT_EQ(picture_name("clip.mp4", true), "");
    EXPECT_EQ(picture_name_of("2024/holiday/IMG_0001.heic"), "IMG_0001");
}

TEST(refusal, names_what_the_index_or_pixfold_cannot_hold) {
    EXPECT_EQ(refusal("sunset", "sunset"), "");
    // Line breaks, Ctrl-Z and schemes are held: their links escape them.
    EXPECT_EQ(refusal("two\nlines", "two%0Alines"), "");
    EXPECT_EQ(refusal("javascript:x", "javascript%3Ax"), "");
    EXPECT_NE(refusal("index", "index").find("index.html"), std::string::npos);
    // NAME.html must fit the 255 bytes of a file name, and t/LINK.jpg pixfold's 259.
    EXPECT_EQ(refusal(std::string(250, 'a'), std::string(250, 'a')), "");
    EXPECT_NE(refusal(std::string(251, 'a'), std::string(251, 'a')).find("too long"),
              std::string::npos);
    EXPECT_EQ(refusal(std::string(80, 'a'), std::string(253, 'a')), "");
    EXPECT_NE(refusal(std::string(80, 'a'), std::string(254, 'a')).find("253"), std::string::npos);
}
