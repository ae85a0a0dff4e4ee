#include "source/names.h"

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
