#include "imaging/imaging.h"
#include "imaging/jpeg_segments.h"
#include "imaging/size_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <vips/vips8>

using vips::VImage;

namespace {

// A picture as a browser should show it: 64 by 32, black, with a white corner at the top left,
// so that a picture turned or mirrored the wrong way shows its corner elsewhere.
constexpr int width = 64;
constexpr int height = 32;

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

std::string bytes_of(VipsBlob* blob) {
    std::size_t size = 0;
    auto const* data = static_cast<char const*>(vips_blob_get(blob, &size));
    std::string bytes(data, size);
    vips_area_unref(VIPS_AREA(blob));
    return bytes;
}

std::string jpeg_with_orientation(VImage image, int orientation) {
    image = image.copy();
    image.set(VIPS_META_ORIENTATION, orientation);
    return bytes_of(image.jpegsave_buffer(VImage::option()->set("Q", 95)));
}

std::string jpeg_of(VImage const& image) {
    return bytes_of(image.jpegsave_buffer());
}

// The picture that a browser shows: the JPEG decoded and turned by its orientation.
VImage shown(std::string const& jpeg) {
    VImage image = VImage::new_from_buffer(jpeg, "").autorot();
    if (image.bands() != 3) image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    return image.copy_memory();
}

double brightness(VImage const& image, int x, int y) {
    std::vector<double> const pixel = image.getpoint(x, y);
    double sum = 0;
    for (double value : pixel) sum += value;
    return sum / static_cast<double>(pixel.size());
}

void expect_upright(VImage const& image, image_size size) {
    ASSERT_EQ((image_size{image.width(), image.height()}), size);
    EXPECT_GT(brightness(image, 1, 1), 200) << "no white corner at the top left";
    EXPECT_LT(brightness(image, size.width - 2, 1), 60);
    EXPECT_LT(brightness(image, 1, size.height - 2), 60);
    EXPECT_LT(brightness(image, size.width - 2, size.height - 2), 60);
}

} // namespace

TEST(imaging, every_orientation_comes_out_upright_at_the_size_a_browser_shows) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        std::string const source = jpeg_with_orientation(stored_for(orientation), orientation);

        picture_header const header = read_picture_header(source);
        EXPECT_EQ(header.orientation, orientation);
        EXPECT_EQ(header.shown(), (image_size{width, height}));

        // In place the page shows the original; the thumbnail is upright in its pixels.
        picture_images made = make_picture_images(source, header, 0, 1000);
        EXPECT_EQ(made.shown, (image_size{width, height}));
        EXPECT_TRUE(made.web.empty());
        EXPECT_EQ(made.thumbnail_size, (image_size{width, height}));
        expect_upright(shown(made.thumbnail), {width, height});

        // A web copy and a thumbnail that are shrunk are turned upright as well.
        made = make_picture_images(source, header, 48, 16);
        EXPECT_EQ(made.shown, (image_size{48, 24}));
        EXPECT_EQ(made.thumbnail_size, (image_size{16, 8}));
        expect_upright(shown(made.web), {48, 24});
        picture_header const web = read_picture_header(made.web);
        EXPECT_EQ(web.stored, (image_size{48, 24}));
        EXPECT_EQ(web.orientation, 1);
    }
}

TEST(imaging, an_upright_picture_that_fits_is_used_as_it_is_without_its_metadata) {
    VImage tagged = upright_picture().copy();
    tagged.set("exif-ifd0-Make", "TestCam");
    tagged.set("exif-ifd2-GPSLatitude", "48/1 51/1 0/1");
    std::string const source = jpeg_with_orientation(tagged, 1);
    ASSERT_NE(VImage::new_from_buffer(source, "").get_typeof("exif-data"), 0u);
    picture_images const made = make_picture_images(source, read_picture_header(source), 1600, 200);
    EXPECT_EQ(made.shown, (image_size{width, height}));
    // The image data byte for byte, the EXIF gone.
    std::string stripped;
    ASSERT_TRUE(without_private_segments(source, stripped));
    EXPECT_EQ(made.web, stripped);
    EXPECT_EQ(made.thumbnail, stripped);
    EXPECT_EQ(VImage::new_from_buffer(made.web, "").get_typeof("exif-data"), 0u);
    EXPECT_NE(source.find("TestCam"), std::string::npos);
    EXPECT_EQ(made.web.find("TestCam"), std::string::npos);
    EXPECT_EQ(made.thumbnail_size, (image_size{width, height}));

    // Turned by its orientation, the same pixels are no longer as a browser shows them.
    std::string const turned = jpeg_with_orientation(upright_picture(), 6);
    picture_images const turned_made =
        make_picture_images(turned, read_picture_header(turned), 1600, 200);
    EXPECT_NE(turned_made.web, turned);
    EXPECT_EQ(turned_made.shown, (image_size{height, width}));
}

TEST(imaging, cmyk_pictures_come_out_as_rgb_and_grey_ones_as_grey) {
    std::string const grey = jpeg_of(upright_picture().colourspace(VIPS_INTERPRETATION_B_W));
    std::string const cmyk =
        jpeg_of(upright_picture().icc_export(VImage::option()->set("output_profile", "cmyk")));
    ASSERT_EQ(VImage::new_from_buffer(cmyk, "").bands(), 4);

    // Browsers show CMYK pictures in colours of their own, if at all.
    for (std::string const& source : {grey, cmyk}) {
        picture_images const made =
            make_picture_images(source, read_picture_header(source), 48, 16);
        for (std::string const& made_jpeg : {made.web, made.thumbnail}) {
            VImage const image = VImage::new_from_buffer(made_jpeg, "");
            EXPECT_EQ(image.bands(), source == grey ? 1 : 3);
            expect_upright(shown(made_jpeg), {image.width(), image.height()});
        }
    }
}

// A colour profile tells a browser which colours the numbers mean: a copy keeps its original's.
TEST(imaging, the_copies_keep_the_colour_profile_of_their_original) {
    VImage const profiled = upright_picture().icc_transform(
        "srgb", VImage::option()->set("input_profile", "srgb")->set("embedded", false));
    std::string const jpeg = jpeg_of(profiled);
    auto const profile_of = [](std::string const& bytes) {
        VImage const image = VImage::new_from_buffer(bytes, "");
        if (image.get_typeof(VIPS_META_ICC_NAME) == 0) return std::string();
        std::size_t size = 0;
        auto const* data = static_cast<char const*>(image.get_blob(VIPS_META_ICC_NAME, &size));
        return std::string(data, size);
    };
    std::string const original = profile_of(jpeg);
    ASSERT_GT(original.size(), 100u);

    picture_images const made = make_picture_images(jpeg, read_picture_header(jpeg), 48, 16);
    EXPECT_EQ(profile_of(made.web), original);
    EXPECT_EQ(profile_of(made.thumbnail), original);
    expect_upright(shown(made.web), {48, 24});
}

// The long side lands on the box and the short side is rounded, never to nothing, whichever
// way the picture shrinks: by the decoder and the resampling together, in one direction at a
// time, or in one go for a picture a few pixels thin.
TEST(imaging, every_shrink_lands_on_the_box_with_the_short_side_rounded) {
    struct shrink {
        image_size stored;
        int box;
        image_size made;
    };
    for (shrink const& each :
         {shrink{{257, 174}, 100, {100, 68}}, shrink{{174, 257}, 100, {68, 100}},
          shrink{{390, 300}, 100, {100, 77}}, shrink{{900, 10}, 100, {100, 1}},
          shrink{{203, 1}, 100, {100, 1}}, shrink{{1, 399}, 100, {1, 100}},
          shrink{{2, 900}, 100, {1, 100}}, shrink{{1700, 1000}, 100, {100, 59}}}) {
        std::string const jpeg =
            jpeg_of(VImage::black(each.stored.width, each.stored.height).cast(VIPS_FORMAT_UCHAR));
        picture_images const made =
            make_picture_images(jpeg, read_picture_header(jpeg), each.box, 16);
        EXPECT_EQ(made.shown, each.made) << each.stored.width << "x" << each.stored.height;
        VImage const web = VImage::new_from_buffer(made.web, "");
        EXPECT_EQ((image_size{web.width(), web.height()}), each.made);
    }
}

TEST(imaging, every_format_comes_out_upright_opaque_and_8_bit_as_a_jpeg_holds_it) {
    VImage const upright = upright_picture();
    // The white corner as the transparent one of a black picture, which lies on white.
    VImage const opaque = (upright.extract_band(0) >= 255).ifthenelse(0.0, 255.0);
    VImage const transparent_corner =
        VImage::black(width, height, VImage::option()->set("bands", 3)).bandjoin(opaque);
    auto const with_orientation = [](VImage image, int orientation) {
        image = image.copy();
        image.set(VIPS_META_ORIENTATION, orientation);
        return image;
    };
    // Two frames, the picture and a white one: only the first is shown.
    VImage animation = upright.join(VImage::black(width, height) + 255, VIPS_DIRECTION_VERTICAL)
                           .cast(VIPS_FORMAT_UCHAR)
                           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    animation.set("page-height", height);
    struct row {
        char const* what;
        std::string bytes;
        int bands;
        image_size shown;
    };
    auto const heif = [](VImage const& image, char const* compression) {
        return bytes_of(image.heifsave_buffer(
            VImage::option()->set("compression", compression)->set("lossless", true)));
    };
    row const rows[] = {
        {"HEIF", heif(upright, "hevc"), 3, {width, height}},
        {"AVIF", heif(upright, "av1"), 3, {width, height}},
        {"PNG with transparency",
         bytes_of(transparent_corner.cast(VIPS_FORMAT_UCHAR)
                      .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
                      .pngsave_buffer()),
         3,
         {width, height}},
        {"grey PNG of 16 bits with transparency",
         bytes_of((VImage::black(width, height).bandjoin(opaque) * 257)
                      .cast(VIPS_FORMAT_USHORT)
                      .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16))
                      .pngsave_buffer()),
         1,
         {width, height}},
        {"TIFF of 16 bits, turned",
         bytes_of(with_orientation(
                      (stored_for(6) * 257)
                          .cast(VIPS_FORMAT_USHORT)
                          .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16)),
                      6)
                      .tiffsave_buffer()),
         3,
         {width, height}},
        {"WebP, turned",
         bytes_of(with_orientation(stored_for(8), 8)
                      .webpsave_buffer(VImage::option()->set("lossless", true))),
         3,
         {width, height}},
        {"animated GIF", bytes_of(animation.gifsave_buffer()), 3, {width, height}},
    };
    for (row const& each : rows) {
        SCOPED_TRACE(each.what);
        picture_header const header = read_picture_header(each.bytes);
        EXPECT_FALSE(header.is_jpeg);
        EXPECT_EQ(header.shown(), each.shown);
        picture_images const made = make_picture_images(each.bytes, header, 100, 16);
        EXPECT_EQ(made.shown, each.shown);
        VImage const web = VImage::new_from_buffer(made.web, "");
        EXPECT_EQ(web.bands(), each.bands);
        EXPECT_EQ(web.format(), VIPS_FORMAT_UCHAR);
        expect_upright(web, each.shown);
    }
}

TEST(imaging, bytes_that_cannot_be_decoded_are_an_error) {
    std::string const whole = jpeg_of(VImage::gaussnoise(1200, 900).cast(VIPS_FORMAT_UCHAR));
    std::string const truncated = whole.substr(0, whole.size() / 2);
    std::string const png = bytes_of(upright_picture().pngsave_buffer());

    EXPECT_THROW(read_picture_header("not a picture\n"), imaging_error);
    EXPECT_THROW(read_picture_header(""), imaging_error);
    EXPECT_NO_THROW(read_picture_header(png));
    // The image library reads far more than pictures; a gallery hands it pictures alone.
    EXPECT_THROW(read_picture_header("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" "
                                     "height=\"9\"/>"),
                 imaging_error);
    picture_header const header = read_picture_header(truncated);
    EXPECT_THROW(make_picture_images(truncated, header, 0, 200), imaging_error);
    EXPECT_THROW(make_picture_images(truncated, header, 1600, 200), imaging_error);
}

TEST(size_header, is_read_back_as_written_and_not_when_cut_short_or_out_of_range) {
    EXPECT_EQ(size_header({1600, 900}), "P6\n1600 900\n255\n");
    EXPECT_EQ(read_size_header(size_header({1600, 900})), (image_size{1600, 900}));
    // An earlier version's whole PPM, pixels and all, holds the same header.
    EXPECT_EQ(read_size_header(size_header({0, 65535}) + std::string(40, '\x7F')),
              (image_size{0, 65535}));
    for (char const* refused : {"P6\n1600 90", "P6\n1600 900", "P6\n1600\n900\n", "P5\n1 1\n",
                                "P6\n65536 1\n", "P6\n-1 1\n", "P6\n 1 1\n", ""})
        EXPECT_EQ(read_size_header(refused), std::nullopt) << refused;
}
