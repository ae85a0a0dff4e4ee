#include "imaging/imaging.h"
#include "imaging/jpeg_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <vips/vips8>

using vips::VImage;

namespace {

// Grey and RGB rows come back at their size and bands, and close to their values.
TEST(encode_jpeg_test, grey_and_rgb_rows_decode_to_what_was_encoded) {
    for (int const bands : {1, 3}) {
        int const width = 40;
        int const height = 24;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * bands));
        for (std::size_t at = 0; at < pixels.size(); ++at)
            pixels[at] =
                static_cast<unsigned char>(at / static_cast<std::size_t>(width * bands) * 10);
        std::string jpeg;
        ASSERT_EQ(encode_jpeg({pixels.data(), width, height, bands}, 95, "", jpeg), "");
        VImage const image = VImage::new_from_buffer(jpeg, "");
        EXPECT_EQ(image.width(), width);
        EXPECT_EQ(image.height(), height);
        EXPECT_EQ(image.bands(), bands);
        EXPECT_NEAR(image.getpoint(20, 0)[0], 0, 4);
        EXPECT_NEAR(image.getpoint(20, 23)[0], 230, 4);
    }
}

// The encoder's failure comes back as its reason, without a JPEG, and the process goes on.
TEST(encode_jpeg_test, a_failure_is_told_and_leaves_nothing) {
    unsigned char const pixel[3] = {};
    std::string jpeg = "left over";
    std::string const failure = encode_jpeg({pixel, 0, 1, 3}, 85, "", jpeg);
    EXPECT_FALSE(failure.empty());
    EXPECT_TRUE(jpeg.empty());
}

} // namespace
