#include "imaging/imaging.h"

#include "imaging/jpeg_encoding.h"
#include "imaging/jpeg_segments.h"
#include "imaging/tiff_exif.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string_view>
#include <vips/vips8>

using vips::VImage;

namespace {

constexpr int thumbnail_quality = 80;
constexpr int web_quality = 85;

// Swallows the image library's warnings ("unknown EXIF resolution unit" and the like): a
// picture it can decode is fine, and one it cannot fails with an error of its own.
void ignore_message(char const*, GLogLevelFlags, char const*, void*) {}

// The bytes of a picture as the image library takes them, without a copy: the caller keeps the
// bytes alive for as long as the images made from them.
class picture_blob {
  public:
    explicit picture_blob(std::string const& bytes)
        : blob_(vips_blob_new(nullptr, bytes.data(), bytes.size())) {}
    ~picture_blob() { vips_area_unref(VIPS_AREA(blob_)); }
    picture_blob(picture_blob const&) = delete;
    picture_blob& operator=(picture_blob const&) = delete;
    VipsBlob* get() const { return blob_; }

  private:
    VipsBlob* blob_;
};

// How far a picture of this size shrinks to fit a square box: 1 when it fits already. The box
// is square, so which way up the picture is does not change it.
double shrink_into(image_size size, int box) {
    return std::max(1.0, static_cast<double>(std::max(size.width, size.height)) / box);
}

// Shrinks an image into a box, never enlarging it, by Lanczos-3. Where it shrinks less than four
// times (every web-size copy, for the decoder shrinks the rest), the two directions are done
// apart: the image library's vertical pass has vector code, its horizontal pass has none and
// takes a third of all the time of a picture, so that pass uses Catmull-Rom's cubic, which
// reaches two pixels to each side instead of three. The copies come out the same size, and
// within a few tenths of a decibel of Lanczos-3 both ways (bench/gallery/sharpness.sh): JPEG's
// own loss at the web quality is far larger. A shrink of four times or more (a thumbnail) has
// a box filter first and costs little either way; so does a picture a few pixels thin, which
// the library keeps from shrinking to nothing only when it resizes in one go.
VImage shrunk(VImage const& image, int box) {
    double const shrink = shrink_into({image.width(), image.height()}, box);
    if (shrink == 1.0) return image;
    if (shrink >= 4.0 || std::min(image.width(), image.height()) < shrink)
        return image.resize(1.0 / shrink);
    return image.reducev(shrink, VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3))
        .reduceh(shrink, VImage::option()->set("kernel", VIPS_KERNEL_CUBIC));
}

// Decodes a JPEG shrunk into a box, in RGB or grey, not turned upright: the library would
// decode and shrink the whole picture while the pipeline is built, which takes turns between
// the jobs (below); run_into_memory turns it afterwards. The decoder skips most of the work of
// a large picture by shrinking 2, 4 or 8 times as it decodes, but its shrink is softer than the
// resampling's, so it leaves the resampling at least one and a half times to go: at 1.6 times
// the copies are 0.1 dB less sharp than from a whole decode, at 1.0 to 1.2 times 0.8 to 1.6 dB
// (bench/gallery/sharpness.sh). A truncated or corrupt file is an error rather than a grey
// band.
VImage decoded_into(VipsBlob* jpeg, image_size stored, int box) {
    double const shrink = shrink_into(stored, box);
    // Nor may the decoder shrink a side to nothing: the library stops the process on an image
    // without pixels.
    int const short_side = std::min(stored.width, stored.height);
    int on_load = 1;
    while (on_load < 8 && shrink / (on_load * 2) >= 1.5 && short_side >= on_load * 2) on_load *= 2;
    VImage image = VImage::jpegload_buffer(jpeg, VImage::option()
                                                     ->set("shrink", on_load)
                                                     ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                                     ->set("fail_on", VIPS_FAIL_ON_ERROR));
    // Inks cannot be resampled as light: CMYK becomes sRGB first, by the picture's own profile
    // or else a common one for print.
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK)
        image = image.icc_transform(
            "srgb", VImage::option()->set("input_profile", "cmyk")->set("embedded", true));
    return shrunk(image, box);
}

// The image library's loader for the bytes, of those that read the pictures that phones, cameras,
// messengers and scanners leave. The library has loaders for much else (PDF, SVG, and formats
// read through other programs), none of which a folder of photographs needs, so none of them is
// ever handed a file. Throws when no loader of these takes the bytes.
std::string_view loader_of(std::string const& bytes) {
    char const* const found = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    std::string_view const loader = found != nullptr ? found : "";
    if (found == nullptr) vips_error_clear();
    for (std::string_view const taken :
         {"VipsForeignLoadJpegBuffer", "VipsForeignLoadHeifBuffer", "VipsForeignLoadPngBuffer",
          "VipsForeignLoadSpngBuffer", "VipsForeignLoadWebpBuffer", "VipsForeignLoadTiffBuffer",
          "VipsForeignLoadNsgifBuffer"})
        if (loader == taken) return taken;
    throw imaging_error("not a picture: no JPEG, HEIF, AVIF, PNG, WebP, TIFF or GIF");
}

// Loads a picture of another format than JPEG, one that loader_of took: its first frame, and a
// HEIF turned by its own transforms. A truncated or corrupt file is an error rather than a grey
// band.
VImage loaded(std::string const& bytes) {
    return VImage::new_from_buffer(bytes.data(), bytes.size(), "",
                                   VImage::option()
                                       ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                       ->set("fail_on", VIPS_FAIL_ON_ERROR));
}

// The picture as a JPEG can hold it: 8-bit grey or RGB, opaque. Inks become light by the
// picture's own profile or else a common one for print; 16-bit samples become 8-bit, keeping
// the colour profile, which describes the light and not the depth; what is transparent is laid
// on white, as a page behind it would show. The 8 bits come first: on 16-bit samples, 255 would
// be all but black.
VImage as_a_jpeg_holds(VImage image) {
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK)
        image = image.icc_transform(
            "srgb", VImage::option()->set("input_profile", "cmyk")->set("embedded", true));
    VipsInterpretation const interpretation = image.interpretation();
    VipsInterpretation const wanted =
        interpretation == VIPS_INTERPRETATION_B_W || interpretation == VIPS_INTERPRETATION_GREY16
            ? VIPS_INTERPRETATION_B_W
            : VIPS_INTERPRETATION_sRGB;
    if (interpretation != wanted || image.format() != VIPS_FORMAT_UCHAR)
        image = image.colourspace(wanted);
    if (image.has_alpha())
        image = image.flatten(VImage::option()->set("background", std::vector<double>{255.0}));
    if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);
    return image;
}

// Decodes a picture of another format than JPEG whole, as its decoder can do no less, and
// shrinks it into a box, not turned upright (see decoded_into).
VImage decoded_whole(std::string const& bytes, int box) {
    return shrunk(as_a_jpeg_holds(loaded(bytes)), box);
}

// A field of the picture's EXIF, as the library gives it; empty when there is none.
std::string exif_field(VImage const& image, char const* name) {
    return image.get_typeof(name) != 0 ? image.get_string(name) : "";
}

// When the picture was taken, as its EXIF says.
std::optional<exif_time> taken_of(VImage const& image, std::string const& bytes,
                                  std::string_view loader) {
    if (loader == "VipsForeignLoadTiffBuffer") return tiff_exif_time(bytes);
    return read_exif_time(exif_field(image, "exif-ifd2-DateTimeOriginal"),
                          exif_field(image, "exif-ifd2-SubSecTimeOriginal"),
                          exif_field(image, "exif-ifd2-OffsetTimeOriginal"));
}

// Takes off the image, which is the caller's alone, the metadata that a gallery must not
// publish or that no longer holds: EXIF (camera, place; the library keeps each EXIF field apart
// too, and writes them back on saving) and the camera's preview that it keeps beside them, XMP
// and IPTC go, and the orientation has been applied. A colour profile stays, so colours look as
// they did.
void strip_metadata(VImage& image) {
    std::unique_ptr<gchar*, void (*)(gchar**)> fields(vips_image_get_fields(image.get_image()),
                                                      g_strfreev);
    for (gchar** field = fields.get(); *field != nullptr; ++field) {
        std::string_view const name = *field;
        if (name.starts_with("exif-") || name.starts_with("xmp-") || name.starts_with("iptc-") ||
            name == "jpeg-thumbnail-data" || name == VIPS_META_ORIENTATION)
            image.remove(*field);
    }
}

// Encodes a picture made here, in the calling thread: the library's own saver hands every strip
// between a worker and a writer thread, and with jobs side by side those handovers left the
// cores idle a tenth of the time. Every picture made here is 8-bit grey or RGB (CMYK has become
// RGB); its colour profile goes with it.
std::string jpeg_bytes(VImage const& image, int quality) {
    VipsImage* const pixels = image.get_image();
    if (pixels->BandFmt != VIPS_FORMAT_UCHAR || (pixels->Bands != 1 && pixels->Bands != 3))
        throw imaging_error("cannot encode pixels of " + std::to_string(pixels->Bands) + " bands");
    std::string profile;
    void const* data = nullptr;
    std::size_t size = 0;
    if (vips_image_get_typeof(pixels, VIPS_META_ICC_NAME) != 0 &&
        vips_image_get_blob(pixels, VIPS_META_ICC_NAME, &data, &size) == 0)
        profile.assign(static_cast<char const*>(data), size);
    auto const* const first = static_cast<unsigned char const*>(vips_image_get_data(pixels));
    if (first == nullptr) throw vips::VError();
    std::string bytes;
    std::string const failure =
        encode_jpeg({first, pixels->Xsize, pixels->Ysize, pixels->Bands}, quality, profile, bytes);
    if (!failure.empty()) throw imaging_error("cannot encode it: " + failure);
    return bytes;
}

// The image library compiles vector code when it builds a shrinking operation and frees it when
// the operation goes, and neither is safe beside another thread doing the same: a free of code
// that was freed already turned up under AddressSanitizer, in runs side by side. So building a
// pipeline and letting it go take turns; running it, where the time goes, does not.
std::mutex vector_code_lock;

template <typename build>
VImage built(build&& make) {
    std::lock_guard<std::mutex> const hold(vector_code_lock);
    return make();
}

void let_go(VImage& pipeline) {
    std::lock_guard<std::mutex> const hold(vector_code_lock);
    pipeline = VImage();
}

// Computes an image into memory in the calling thread, a strip at a time from the top (a
// decoder reads its file once, in order). The library's own way hands every strip between the
// caller and a worker thread.
VImage computed(VImage const& pipeline) {
    VipsImage* const in = pipeline.get_image();
    VImage out(vips_image_new_memory());
    VipsImage* inputs[] = {in, nullptr};
    if (vips_image_pipeline_array(out.get_image(), VIPS_DEMAND_STYLE_ANY, inputs) != 0 ||
        vips_image_write_prepare(out.get_image()) != 0)
        throw vips::VError();
    auto const unref = [](VipsRegion* region) { g_object_unref(region); };
    std::unique_ptr<VipsRegion, decltype(unref)> from(vips_region_new(in), unref);
    std::unique_ptr<VipsRegion, decltype(unref)> to(vips_region_new(out.get_image()), unref);
    constexpr int strip = 64;
    for (int top = 0; top < in->Ysize; top += strip) {
        VipsRect area{0, top, in->Xsize, std::min(strip, in->Ysize - top)};
        if (vips_region_image(to.get(), &area) != 0 ||
            vips_region_prepare_to(from.get(), to.get(), &area, 0, top) != 0)
            throw vips::VError();
    }
    return out;
}

// Runs the pipeline into memory, turned upright by its EXIF orientation, and lets it go in turn.
VImage run_into_memory(VImage& pipeline) {
    VImage made = computed(pipeline);
    let_go(pipeline);
    if (vips_image_get_orientation(made.get_image()) != 1) {
        VImage turned = built([&] { return made.autorot(); });
        made = computed(turned);
        let_go(turned);
    }
    strip_metadata(made);
    return made;
}

bool fits(image_size size, int box) {
    return size.width <= box && size.height <= box;
}

// Turns the library's exception into ours, with its first line as the reason.
template <typename action>
auto with_reason(action&& run) {
    try {
        return run();
    } catch (vips::VError const& error) {
        // The library keeps its messages until they are cleared, the last one at the end.
        vips_error_clear();
        // Its first line says why, but for the reader's seeks that a decoder asked for beyond
        // the end of a file cut short: the decoder's own line comes after them.
        std::string_view text = error.what();
        while (text.starts_with("source: ") && text.find('\n') != std::string_view::npos)
            text.remove_prefix(text.find('\n') + 1);
        std::string const reason(text.substr(0, text.find('\n')));
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

image_size picture_header::shown() const {
    if (orientation >= 5 && orientation <= 8) return {stored.height, stored.width};
    return stored;
}

picture_header read_picture_header(std::string const& bytes) {
    return with_reason([&] {
        picture_blob const blob(bytes);
        picture_header header;
        std::string_view const loader = loader_of(bytes);
        header.is_jpeg = loader == "VipsForeignLoadJpegBuffer";
        VImage const image =
            header.is_jpeg
                ? VImage::jpegload_buffer(blob.get(),
                                          VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL))
                : loaded(bytes);
        header.stored = {image.width(), image.height()};
        // A HEIF's decoder has applied its transforms, and the library keeps no orientation
        // for it: the EXIF orientation that a phone writes beside them does not turn it again.
        if (image.get_typeof(VIPS_META_ORIENTATION) != 0) {
            int const orientation = image.get_int(VIPS_META_ORIENTATION);
            if (orientation >= 1 && orientation <= 8) header.orientation = orientation;
        }
        header.taken = taken_of(image, bytes, loader);
        return header;
    });
}

picture_images make_picture_images(std::string const& bytes, picture_header const& header,
                                   int web_box, int thumbnail_box) {
    return with_reason([&] {
        picture_blob const blob(bytes);
        // Decoded shrunk into the box, with a JPEG's own shrink where it has one.
        auto const decoded = [&](int box) {
            return header.is_jpeg ? decoded_into(blob.get(), header.stored, box)
                                  : decoded_whole(bytes, box);
        };
        picture_images made;
        // An original that is upright and fits a box already is published as it is: its image
        // data byte for byte, without the segments that may carry private data. One whose
        // segments cannot be walked is made from its pixels instead, never published whole.
        std::string kept;
        bool const as_is = header.is_jpeg && header.is_upright() &&
                           fits(header.stored, std::max(web_box, thumbnail_box)) &&
                           without_private_segments(bytes, kept);
        bool const web_as_is = web_box != 0 && as_is && fits(header.stored, web_box);
        bool const thumbnail_as_is = as_is && fits(header.stored, thumbnail_box);

        VImage shown; // the pixels that the page shows, once they have been decoded
        if (web_box == 0) {
            // The page shows the original, which a browser turns upright itself.
            made.shown = header.shown();
        } else if (web_as_is) {
            made.web = kept;
            made.shown = header.stored;
        } else {
            // Decoded once into memory: the web copy and the thumbnail both come from these
            // pixels.
            VImage pipeline = built([&] { return decoded(web_box); });
            shown = run_into_memory(pipeline);
            made.web = jpeg_bytes(shown, web_quality);
            made.shown = {shown.width(), shown.height()};
        }

        VImage pipeline = built([&] {
            if (!shown.is_null()) return shrunk(shown, thumbnail_box);
            return decoded(thumbnail_box);
        });
        VImage const thumbnail = run_into_memory(pipeline);
        made.thumbnail = thumbnail_as_is ? kept : jpeg_bytes(thumbnail, thumbnail_quality);
        made.thumbnail_size = {thumbnail.width(), thumbnail.height()};
        return made;
    });
}
