#include "imaging.h"
#include "system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <vips/vips8>

using vips::VImage;

namespace {

// A picture as a browser should show it: 64 by 32, black, with a white corner at the top left,
// so that a picture turned or mirrored the wrong way shows its corner elsewhere.
constexpr int width = 64;
constexpr int height = 32;

class imaging : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static std::once_flag started;
        std::call_once(started, [] { start_imaging("imaging_test"); });
    }
    void SetUp() override {
        char folder_template[] = "/tmp/pixfold-imaging-XXXXXX";
        ASSERT_NE(::mkdtemp(folder_template), nullptr);
        folder = folder_template;
    }
    void TearDown() override { remove_tree(folder); }

    std::string path(std::string const& name) const { return folder + "/" + name; }

    picture_outputs outputs(bool web, bool companion) const {
        return {web ? path("web.jpg") : "", path("thumb.jpg"), path("thumb.ppm"),
                companion ? path("companion.ppm") : ""};
    }

    std::string folder;
};

VImage upright_picture() {
    VImage picture = VImage::black(width, height, VImage::option()->set("bands", 3))
                         .cast(VIPS_FORMAT_UCHAR)
                         .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                         .copy_memory();
    picture.draw_rect({255.0, 255.0, 255.0}, 0, 0, 16, 8, VImage::option()->set("fill", true));
    return picture;
}

// The pixels stored for an EXIF orientation: turned so that applying the orientation shows the
// upright picture, as a phone stores what its sensor saw.
VImage stored_for(int orientation) {
    VImage const upright = upright_picture();
    switch (orientation) {
    case 2:
        return upright.flip(VIPS_DIRECTION_HORIZONTAL);
    case 3:
        return upright.rot(VIPS_ANGLE_D180);
    case 4:
        return upright.flip(VIPS_DIRECTION_VERTICAL);
    case 5:
        return upright.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_HORIZONTAL);
    case 6:
        return upright.rot(VIPS_ANGLE_D270);
    case 7:
        return upright.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_VERTICAL);
    case 8:
        return upright.rot(VIPS_ANGLE_D90);
    default:
        return upright;
    }
}

void save_with_orientation(VImage image, int orientation, std::string const& path) {
    image = image.copy();
    image.set(VIPS_META_ORIENTATION, orientation);
    image.jpegsave(path.c_str(), VImage::option()->set("Q", 95));
}

struct pixmap {
    image_size size;
    std::string pixels;
};

pixmap read_pixmap(std::string const& path) {
    std::string bytes;
    EXPECT_EQ(read_file(path, bytes), 0) << path;
    pixmap read;
    // The size must stand on the second line, for pixfold reads it there and nowhere else.
    std::size_t const first_end = bytes.find('\n');
    std::size_t const second_end = bytes.find('\n', first_end + 1);
    std::size_t const third_end = bytes.find('\n', second_end + 1);
    EXPECT_EQ(bytes.substr(0, first_end), "P6");
    std::string const size_line = bytes.substr(first_end + 1, second_end - first_end - 1);
    EXPECT_EQ(std::sscanf(size_line.c_str(), "%d %d", &read.size.width, &read.size.height), 2)
        << size_line;
    EXPECT_EQ(bytes.substr(second_end + 1, third_end - second_end - 1), "255");
    read.pixels = bytes.substr(third_end + 1);
    EXPECT_EQ(read.pixels.size(), static_cast<std::size_t>(read.size.width * read.size.height * 3));
    return read;
}

// The brightness of a pixel, from 0 to 255.
int brightness(pixmap const& image, int x, int y) {
    std::size_t const at = static_cast<std::size_t>((y * image.size.width + x) * 3);
    return (static_cast<unsigned char>(image.pixels[at]) +
            static_cast<unsigned char>(image.pixels[at + 1]) +
            static_cast<unsigned char>(image.pixels[at + 2])) /
           3;
}

void expect_upright(pixmap const& image, image_size size) {
    ASSERT_EQ(image.size, size);
    EXPECT_GT(brightness(image, 1, 1), 200) << "no white corner at the top left";
    EXPECT_LT(brightness(image, size.width - 2, 1), 60);
    EXPECT_LT(brightness(image, 1, size.height - 2), 60);
    EXPECT_LT(brightness(image, size.width - 2, size.height - 2), 60);
}

} // namespace

TEST_F(imaging, every_orientation_comes_out_upright_at_the_size_a_browser_shows) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        std::string const source = path("o" + std::to_string(orientation) + ".jpg");
        save_with_orientation(stored_for(orientation), orientation, source);

        jpeg_header const header = read_jpeg_header(source);
        EXPECT_EQ(header.orientation, orientation);
        EXPECT_EQ(header.shown(), (image_size{width, height}));

        // In place the page shows the original; its companion holds the size as shown.
        picture_sizes sizes = make_picture_files(source, header, 0, 1000, outputs(false, true));
        EXPECT_EQ(sizes.shown, (image_size{width, height}));
        expect_upright(read_pixmap(path("companion.ppm")), {width, height});
        expect_upright(read_pixmap(path("thumb.ppm")), {width, height});

        // A web copy and a thumbnail that are shrunk are turned upright as well.
        remove_file(path("web.jpg"));
        sizes = make_picture_files(source, header, 48, 16, outputs(true, true));
        EXPECT_FALSE(sizes.copied);
        EXPECT_EQ(sizes.shown, (image_size{48, 24}));
        EXPECT_EQ(sizes.thumbnail, (image_size{16, 8}));
        expect_upright(read_pixmap(path("companion.ppm")), {48, 24});
        jpeg_header const web = read_jpeg_header(path("web.jpg"));
        EXPECT_EQ(web.stored, (image_size{48, 24}));
        EXPECT_EQ(web.orientation, 1);
        remove_file(path("web.jpg"));
    }
}

TEST_F(imaging, an_upright_picture_that_fits_is_copied_as_it_is) {
    std::string const source = path("small.jpg");
    save_with_orientation(upright_picture(), 1, source);
    picture_sizes const sizes =
        make_picture_files(source, read_jpeg_header(source), 1600, 200, outputs(true, false));
    EXPECT_TRUE(sizes.copied);
    EXPECT_EQ(sizes.shown, (image_size{width, height}));
    std::string original, web, thumbnail;
    read_file(source, original);
    read_file(path("web.jpg"), web);
    read_file(path("thumb.jpg"), thumbnail);
    EXPECT_EQ(web, original);
    EXPECT_EQ(thumbnail, original);
    EXPECT_EQ(read_pixmap(path("thumb.ppm")).size, (image_size{width, height}));

    // Turned by its orientation, the same pixels are no longer as a browser shows them.
    std::string const turned = path("turned.jpg");
    save_with_orientation(upright_picture(), 6, turned);
    remove_file(path("web.jpg"));
    picture_sizes const turned_sizes =
        make_picture_files(turned, read_jpeg_header(turned), 1600, 200, outputs(true, false));
    EXPECT_FALSE(turned_sizes.copied);
    EXPECT_EQ(turned_sizes.shown, (image_size{height, width}));
}

TEST_F(imaging, grey_and_cmyk_pictures_get_rgb_companions) {
    std::string const grey = path("grey.jpg");
    upright_picture().colourspace(VIPS_INTERPRETATION_B_W).jpegsave(grey.c_str());
    std::string const cmyk = path("cmyk.jpg");
    upright_picture()
        .icc_export(VImage::option()->set("output_profile", "cmyk"))
        .jpegsave(cmyk.c_str());
    ASSERT_EQ(VImage::new_from_file(cmyk.c_str()).bands(), 4);

    for (std::string const& source : {grey, cmyk}) {
        SCOPED_TRACE(source);
        make_picture_files(source, read_jpeg_header(source), 0, 200, outputs(false, true));
        expect_upright(read_pixmap(path("companion.ppm")), {width, height});
        expect_upright(read_pixmap(path("thumb.ppm")), {width, height});
    }
}

TEST_F(imaging, a_file_that_cannot_be_decoded_is_an_error) {
    std::string const whole = path("whole.jpg");
    VImage::gaussnoise(1200, 900).cast(VIPS_FORMAT_UCHAR).jpegsave(whole.c_str());
    std::string bytes;
    read_file(whole, bytes);
    std::string const truncated = path("truncated.jpg");
    write_file(truncated, bytes.substr(0, bytes.size() / 2));
    std::string const text = path("text.jpg");
    write_file(text, "not a picture\n");
    std::string const png = path("png.jpg");
    upright_picture().pngsave(png.c_str());

    EXPECT_THROW(read_jpeg_header(text), imaging_error);
    EXPECT_THROW(read_jpeg_header(png), imaging_error);
    jpeg_header const header = read_jpeg_header(truncated);
    EXPECT_THROW(make_picture_files(truncated, header, 0, 200, outputs(false, false)),
                 imaging_error);
    EXPECT_THROW(make_picture_files(truncated, header, 1600, 200, outputs(true, false)),
                 imaging_error);
}

TEST(ppm_header, carries_the_size_on_its_second_line) {
    EXPECT_EQ(ppm_header({1600, 900}), "P6\n1600 900\n255\n");
}
