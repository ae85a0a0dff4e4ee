#include "imaging.h"

#include "system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vips/vips8>

using vips::VImage;

namespace {

constexpr int thumbnail_quality = 80;
constexpr int web_quality = 85;
// Rows of a PPM fetched and written at a time: a full-size companion never sits in memory whole.
constexpr int pixmap_strip_rows = 64;

// Swallows the image library's warnings ("unknown EXIF resolution unit" and the like): a
// picture it can decode is fine, and one it cannot fails with an error of its own.
void ignore_message(char const*, GLogLevelFlags, char const*, void*) {}

// Options of a shrinking decode into a box: shrink-on-load where the format allows it, turned
// upright by the EXIF orientation, CMYK turned into RGB, never enlarged, and a truncated or
// corrupt file an error rather than a grey band.
vips::VOption* box_options(int box) {
    return VImage::option()
        ->set("height", box)
        ->set("size", VIPS_SIZE_DOWN)
        ->set("fail_on", VIPS_FAIL_ON_ERROR);
}

// The picture without the metadata that a gallery must not publish or that no longer holds:
// EXIF (camera, place; the library keeps each EXIF field apart too, and writes them back on
// saving), XMP and IPTC go, and the orientation has been applied. A colour profile stays, so
// colours look as they did.
VImage without_metadata(VImage const& image) {
    VImage plain = image.copy();
    std::unique_ptr<gchar*, void (*)(gchar**)> fields(vips_image_get_fields(plain.get_image()),
                                                      g_strfreev);
    for (gchar** field = fields.get(); *field != nullptr; ++field) {
        std::string_view const name = *field;
        if (name.starts_with("exif-") || name.starts_with("xmp-") || name.starts_with("iptc-") ||
            name == VIPS_META_ORIENTATION)
            plain.remove(*field);
    }
    return plain;
}

void save_jpeg(VImage const& image, std::string const& path, int quality) {
    image.jpegsave(
        path.c_str(),
        VImage::option()->set("Q", quality)->set("optimize_coding", true)->set("strip", false));
}

// Writes the picture as a binary PPM, 8-bit RGB whatever it was (grey, CMYK already turned).
void save_ppm(VImage image, std::string const& path) {
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.bands() != 3)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.bands() > 3) image = image.extract_band(0, VImage::option()->set("n", 3));
    if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file) throw imaging_error(path + ": " + error_text(errno));
    std::string const header = ppm_header({image.width(), image.height()});
    bool written = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
    vips::VRegion region = image.region();
    std::size_t const row_bytes = static_cast<std::size_t>(image.width()) * 3;
    for (int top = 0; written && top < image.height(); top += pixmap_strip_rows) {
        int const rows = std::min(pixmap_strip_rows, image.height() - top);
        region.prepare(0, top, image.width(), rows);
        for (int row = 0; written && row < rows; ++row)
            written = std::fwrite(region.addr(0, top + row), 1, row_bytes, file.get()) == row_bytes;
    }
    if (!written || std::fclose(file.release()) != 0)
        throw imaging_error(path + ": " + error_text(errno));
}

bool fits(image_size size, int box) {
    return size.width <= box && size.height <= box;
}

void copy_as_is(std::string const& source, std::string const& target) {
    if (int const status = copy_file(source, target); status != 0)
        throw imaging_error(target + ": " + error_text(status));
}

// Turns the library's exception into ours, with its first line as the reason.
template <typename action>
auto with_reason(action&& run) {
    try {
        return run();
    } catch (vips::VError const& error) {
        std::string reason = error.what();
        reason = reason.substr(0, reason.find('\n'));
        throw imaging_error(reason.empty() ? "cannot decode this picture" : reason);
    }
}

} // namespace

void start_imaging(char const* program) {
    if (VIPS_INIT(program) != 0) throw imaging_error("the image library cannot start");
    // Pictures are made side by side by the caller's jobs: one thread each is fastest, and a
    // cache of operations only holds memory that no later picture reuses.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    g_log_set_handler("VIPS",
                      static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      ignore_message, nullptr);
}

image_size jpeg_header::shown() const {
    if (orientation >= 5 && orientation <= 8) return {stored.height, stored.width};
    return stored;
}

jpeg_header read_jpeg_header(std::string const& path) {
    return with_reason([&] {
        VImage const image =
            VImage::jpegload(path.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        jpeg_header header;
        header.stored = {image.width(), image.height()};
        if (image.get_typeof(VIPS_META_ORIENTATION) != 0) {
            int const orientation = image.get_int(VIPS_META_ORIENTATION);
            if (orientation >= 1 && orientation <= 8) header.orientation = orientation;
        }
        return header;
    });
}

picture_sizes make_picture_files(std::string const& source, jpeg_header const& header, int web_box,
                                 int thumbnail_box, picture_outputs const& outputs) {
    return with_reason([&] {
        picture_sizes sizes;
        // An original that is upright and fits a box already is used as it is, byte for byte.
        bool const web_as_is = web_box != 0 && header.is_upright() && fits(header.stored, web_box);
        bool const thumbnail_as_is = header.is_upright() && fits(header.stored, thumbnail_box);

        VImage shown; // the pixels that the page shows, once they have been decoded
        if (web_box == 0) {
            // The page shows the original, which a browser turns upright itself.
            sizes.shown = header.shown();
        } else if (web_as_is) {
            copy_as_is(source, outputs.web);
            sizes.copied = true;
            sizes.shown = header.stored;
        } else {
            // Decoded once into memory: the web copy, its companion and the thumbnail all come
            // from these pixels.
            shown =
                without_metadata(VImage::thumbnail(source.c_str(), web_box, box_options(web_box)))
                    .copy_memory();
            save_jpeg(shown, outputs.web, web_quality);
            sizes.shown = {shown.width(), shown.height()};
        }
        if (!outputs.companion.empty())
            save_ppm(shown.is_null() ? VImage::thumbnail(source.c_str(), VIPS_MAX_COORD,
                                                         box_options(VIPS_MAX_COORD))
                                     : shown,
                     outputs.companion);

        VImage thumbnail;
        if (!shown.is_null())
            thumbnail = shown.thumbnail_image(
                thumbnail_box,
                VImage::option()->set("height", thumbnail_box)->set("size", VIPS_SIZE_DOWN));
        else
            thumbnail =
                VImage::thumbnail(source.c_str(), thumbnail_box, box_options(thumbnail_box));
        thumbnail = without_metadata(thumbnail).copy_memory();
        if (thumbnail_as_is)
            copy_as_is(source, outputs.thumbnail);
        else
            save_jpeg(thumbnail, outputs.thumbnail, thumbnail_quality);
        save_ppm(thumbnail, outputs.thumbnail_pixmap);
        sizes.thumbnail = {thumbnail.width(), thumbnail.height()};
        return sizes;
    });
}

std::string ppm_header(image_size size) {
    return "P6\n" + std::to_string(size.width) + " " + std::to_string(size.height) + "\n255\n";
}
