#include "sources/companion_names.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The name made from source and suffix in the code page, or "(too long)".
std::string replaced(std::string const& source, char const* suffix, unsigned code_page = 1252) {
    char result[name_buffer_size];
    if (!replace_suffix(source.c_str(), suffix, result, lead_bytes_of_code_page(code_page)))
        return "(too long)";
    return result;
}

TEST(replace_suffix, replaces_from_the_last_dot_wherever_it_stands) {
    EXPECT_EQ(replaced("./sunset.jpg", ".ppm"), "./sunset.ppm");
    EXPECT_EQ(replaced("sunset.jpg", ".html"), "sunset.html");
    EXPECT_EQ(replaced("sunset.jpg", ""), "sunset");
    EXPECT_EQ(replaced("./photo.tar.jpg", ""), "./photo.tar");
    EXPECT_EQ(replaced("./a.b/photo", ".ppm"), "./a.ppm");
    EXPECT_EQ(replaced("./photo", ".jpg"), ".jpg");
    EXPECT_EQ(replaced("photo", ".html"), "photo"); // no '.': unchanged, no suffix
    EXPECT_EQ(replaced("", ".ppm"), "");
    EXPECT_EQ(replaced("name.", ".ppm"), "name.ppm");
}

TEST(replace_suffix, steps_over_double_byte_characters) {
    // In Shift-JIS 0x81 0x2E is one character: its second byte is no '.'.
    EXPECT_EQ(replaced("a\x81.b", ".ppm", 932), "a\x81.b");
    EXPECT_EQ(replaced("x.a\x81.b", ".ppm", 932), "x.ppm");
    EXPECT_EQ(replaced("\x95\x5C.jpg", ".ppm", 932), "\x95\x5C.ppm");
    // The same bytes in a single-byte code page are two characters.
    EXPECT_EQ(replaced("a\x81.b", ".ppm", 1252), "a\x81.ppm");
    // 0xA0 leads a character in 936, 949 and 950, but not in 932 or 1361.
    for (unsigned code_page : {936u, 949u, 950u})
        EXPECT_EQ(replaced("a\xA0.b", "", code_page), "a\xA0.b") << code_page;
    EXPECT_EQ(replaced("a\xA0.b", "", 932), "a\xA0");
    EXPECT_EQ(replaced("a\xD5.b", "", 1361), "a\xD5"); // 0xD4 to 0xD7 lead nothing in Johab
    EXPECT_EQ(replaced("a\xD8.b", "", 1361), "a\xD8.b");
}

TEST(replace_suffix, appends_the_suffix_to_a_name_ending_in_a_lone_lead_byte) {
    EXPECT_EQ(replaced("photo\x81", ".ppm", 932), "photo\x81.ppm");
    EXPECT_EQ(replaced("photo\x81", ".ppm", 1252), "photo\x81");
    EXPECT_EQ(replaced("a.b\x81", ".ppm", 932), "a.ppm"); // a '.' before it wins
}

TEST(replace_suffix, refuses_a_result_longer_than_a_name_buffer_holds) {
    std::string const stem(255, 's');
    EXPECT_EQ(replaced(stem + ".jpg", ".html"), "(too long)"); // 260 bytes: no room for the zero
    EXPECT_EQ(replaced(stem.substr(1) + ".jpg", ".html"), stem.substr(1) + ".html");
    EXPECT_EQ(replaced(std::string(259, 'x'), ".ppm"), std::string(259, 'x'));
    EXPECT_EQ(replaced(std::string(258, 'x') + "\x81", ".ppm", 932), "(too long)");
}

} // namespace
