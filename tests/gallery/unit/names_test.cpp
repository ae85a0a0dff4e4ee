#include "names.h"

#include <gtest/gtest.h>

#include <string>

TEST(picture_name, takes_jpg_in_place_and_camera_suffixes_only_when_asked) {
    EXPECT_EQ(picture_name("sunset.jpg", false), "sunset");
    EXPECT_EQ(picture_name("tartan.v2.jpg", false), "tartan.v2");
    EXPECT_EQ(picture_name("IMG_0001.JPG", false), "");
    EXPECT_EQ(picture_name("IMG_0001.JPG", true), "IMG_0001");
    EXPECT_EQ(picture_name("beach.jpeg", true), "beach");
    EXPECT_EQ(picture_name("beach.JPEG", true), "beach");
    EXPECT_EQ(picture_name("notes.txt", true), "");
    EXPECT_EQ(picture_name("photo.jpg.png", true), "");
    // Hidden files, such as the resource forks a Mac leaves beside pictures, are no pictures.
    EXPECT_EQ(picture_name("._IMG_0001.JPG", true), "");
    EXPECT_EQ(picture_name(".jpg", true), "");
    EXPECT_TRUE(has_camera_suffix("IMG_0001.JPG"));
    EXPECT_FALSE(has_camera_suffix("IMG_0001.jpg"));
    EXPECT_FALSE(has_camera_suffix(".hidden.JPG"));
}

TEST(reads_as_url_with_scheme, finds_what_a_browser_takes_for_a_scheme) {
    EXPECT_TRUE(reads_as_url_with_scheme("javascript:document.title='pwned';x"));
    EXPECT_TRUE(reads_as_url_with_scheme("JavaScript:alert(1)"));
    EXPECT_TRUE(reads_as_url_with_scheme("img-09:10"));
    EXPECT_TRUE(reads_as_url_with_scheme("c:photo"));
    EXPECT_TRUE(reads_as_url_with_scheme("web+app.v2:x"));
    // A browser removes tabs and line breaks anywhere, and spaces and control bytes in front.
    EXPECT_TRUE(reads_as_url_with_scheme("java\tscript:x"));
    EXPECT_TRUE(reads_as_url_with_scheme("java\rscript:x"));
    EXPECT_TRUE(reads_as_url_with_scheme("  javascript:x"));
    EXPECT_TRUE(reads_as_url_with_scheme("\x01javascript:x"));

    EXPECT_FALSE(reads_as_url_with_scheme("2024-05-01 10:30"));     // a digit first
    EXPECT_FALSE(reads_as_url_with_scheme("holiday photo: day 1")); // a space before ':'
    EXPECT_FALSE(reads_as_url_with_scheme("_x:y"));
    EXPECT_FALSE(reads_as_url_with_scheme(":x"));
    EXPECT_FALSE(reads_as_url_with_scheme("plain"));
    EXPECT_FALSE(reads_as_url_with_scheme("caf\xC3\xA9:x"));
    EXPECT_FALSE(reads_as_url_with_scheme(""));
}

TEST(refusal, names_what_would_break_the_list_the_index_or_a_link) {
    EXPECT_EQ(refusal("sunset"), "");
    EXPECT_NE(refusal("two\nlines").find("line break"), std::string::npos);
    EXPECT_NE(refusal("end\x1A"
                      "early")
                  .find("Ctrl-Z"),
              std::string::npos);
    EXPECT_NE(refusal("index").find("index.html"), std::string::npos);
    EXPECT_NE(refusal("javascript:x").find("\"javascript:\""), std::string::npos);
    // NAME.html must fit the 255 bytes of a file name.
    EXPECT_EQ(refusal(std::string(250, 'a')), "");
    EXPECT_NE(refusal(std::string(251, 'a')).find("too long"), std::string::npos);
}

TEST(name_warnings, warn_of_names_a_browser_resolves_to_another_file) {
    EXPECT_TRUE(name_warnings("sunset", false, "UTF-8").empty());
    EXPECT_TRUE(name_warnings("100% zoom", false, "UTF-8").empty());
    EXPECT_TRUE(name_warnings("10:30 sunset", false, "UTF-8").empty());
    EXPECT_EQ(name_warnings("a#b", false, "UTF-8").size(), 1u);
    EXPECT_EQ(name_warnings("what?", false, "UTF-8").size(), 1u);
    EXPECT_EQ(name_warnings("%41bc", false, "UTF-8").size(), 1u);
    EXPECT_EQ(name_warnings("back\\slash", false, "UTF-8").size(), 1u);

    std::vector<std::string> const utf8 = name_warnings("caf\xC3\xA9", false, "UTF-8");
    ASSERT_EQ(utf8.size(), 1u);
    EXPECT_NE(utf8[0].find("UTF-8"), std::string::npos);

    // In Shift-JIS, 0x5C after a lead byte is the second byte of a character, not a backslash.
    std::string const hyou = "\x95\x5C";
    EXPECT_TRUE(name_warnings(hyou, true, "SHIFT_JIS").empty());
    EXPECT_EQ(name_warnings(hyou + "\\", true, "SHIFT_JIS").size(), 1u);
    EXPECT_EQ(name_warnings(hyou, false, "UTF-8").size(), 2u);
}

TEST(is_shift_jis, knows_the_names_of_the_character_set) {
    EXPECT_TRUE(is_shift_jis("SHIFT_JIS"));
    EXPECT_TRUE(is_shift_jis("sjis"));
    EXPECT_TRUE(is_shift_jis("CP932"));
    EXPECT_FALSE(is_shift_jis("UTF-8"));
    EXPECT_FALSE(is_shift_jis(""));
}
