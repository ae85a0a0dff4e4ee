#include "name_buffer.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(name_buffer, holds_a_name_of_259_bytes_and_refuses_one_more) {
    char buffer[name_buffer_size] = "before";
    std::string const longest(259, 'n');
    EXPECT_FALSE(copy_name(buffer, (longest + "x").c_str()));
    EXPECT_STREQ(buffer, "before"); // a refused name leaves the buffer as it was
    EXPECT_TRUE(copy_name(buffer, longest.c_str()));
    EXPECT_EQ(std::string(buffer), longest);
    // Only the bytes asked for are taken, even from a longer name.
    EXPECT_TRUE(copy_name(buffer, "photo.jpg", 5));
    EXPECT_STREQ(buffer, "photo");
    EXPECT_FALSE(copy_name(buffer, (longest + "x").c_str(), 260));
    EXPECT_STREQ(buffer, "photo");
}

TEST(name_buffer, appends_only_what_fits_beside_the_name) {
    char buffer[name_buffer_size];
    std::string const stem(255, 's');
    ASSERT_TRUE(copy_name(buffer, stem.c_str()));
    EXPECT_FALSE(append_name(buffer, ".html"));
    EXPECT_EQ(std::string(buffer), stem);
    EXPECT_TRUE(append_name(buffer, ".ppm"));
    EXPECT_EQ(std::string(buffer), stem + ".ppm");
    EXPECT_TRUE(append_name(buffer, ""));
    EXPECT_FALSE(append_name(buffer, "x"));
    EXPECT_EQ(std::string(buffer).size(), 259u);
}

} // namespace
