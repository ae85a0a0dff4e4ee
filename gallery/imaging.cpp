#include "imaging.h"

#include "system.h"

#include <cstdio>
#include <memory>
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
// EXIF (camera, place) and XMP and IPTC go, the orientation has been applied. A colour profile
// stays, so colours look as they did.
VImage without_metadata(VImage const& image) {
    VImage plain = image.copy();
    for (char const* field : {"exif-data", "xmp-data", "iptc-data", "orientation"})
        if (plain.get_typeof(field) != 0) plain.remove(field);
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

image_size fit_into_box(image_size size, int box) {
    if (size.width <= box && size.height <= box) return size;
    return size.width >= size.height
               ? image_size{box, std::max(1, (size.height * box + size.width / 2) / size.width)}
               : image_size{std::max(1, (size.width * box + size.height / 2) / size.height), box};
}

picture_sizes make_picture_files(std::string const& source, jpeg_header const& header, int web_box,
                                 int thumbnail_box, picture_outputs const& outputs) {
    return with_reason([&] {
        picture_sizes sizes;
        VImage thumbnail;
        bool const shrink_web_copy =
            web_box != 0 &&
            !(header.is_upright() && fit_into_box(header.stored, web_box) == header.stored);
        if (!shrink_web_copy) {
            if (web_box == 0) {
                // The page shows the original, which a browser turns upright itself.
                sizes.shown = header.shown();
            } else {
                // Small enough and upright already: the original's own bytes are the web copy.
                if (int const status = copy_file(source, outputs.web); status != 0)
                    throw imaging_error(outputs.web + ": " + error_text(status));
                sizes.copied = true;
                sizes.shown = header.stored;
            }
            thumbnail =
                VImage::thumbnail(source.c_str(), thumbnail_box, box_options(thumbnail_box));
            if (!outputs.companion.empty())
                save_ppm(
                    VImage::thumbnail(source.c_str(), VIPS_MAX_COORD, box_options(VIPS_MAX_COORD)),
                    outputs.companion);
        } else {
            // Decoded once into memory: the web copy, its companion and the thumbnail all
            // come from these pixels.
            VImage const web =
                without_metadata(VImage::thumbnail(source.c_str(), web_box, box_options(web_box)))
                    .copy_memory();
            save_jpeg(web, outputs.web, web_quality);
            sizes.shown = {web.width(), web.height()};
            if (!outputs.companion.empty()) save_ppm(web, outputs.companion);
            thumbnail = web.thumbnail_image(
                thumbnail_box,
                VImage::option()->set("height", thumbnail_box)->set("size", VIPS_SIZE_DOWN));
        }
        thumbnail = without_metadata(thumbnail).copy_memory();
        save_jpeg(thumbnail, outputs.thumbnail, thumbnail_quality);
        save_ppm(thumbnail, outputs.thumbnail_pixmap);
        sizes.thumbnail = {thumbnail.width(), thumbnail.height()};
        return sizes;
    });
}

std::string ppm_header(image_size size) {
    return "P6\n" + std::to_string(size.width) + " " + std::to_string(size.height) + "\n255\n";
}
