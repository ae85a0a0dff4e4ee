#include "imaging/jpeg_encoding.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace {

struct error_trap {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg stops the process on an error unless its handler leaves; this one keeps the message
// and jumps back to the one frame below, which holds nothing that a jump over it would leak.
[[noreturn]] void jump_back(j_common_ptr codec) {
    auto* const trap = reinterpret_cast<error_trap*>(codec->err);
    codec->err->format_message(codec, trap->message);
    std::longjmp(trap->back, 1);
}

// Ignores warnings, as libjpeg would print them.
void stay_quiet(j_common_ptr, int) {}

// The encoder itself, with no object that has a destructor between setjmp and longjmp. The
// output is the encoder's own buffer, which the caller frees whatever the outcome; on a failure
// the trap holds the message.
bool run_encoder(pixel_rows const& rows, int quality, JOCTET const* profile,
                 unsigned int profile_size, unsigned char** out, unsigned long* out_size,
                 error_trap& trap) {
    jpeg_compress_struct codec;
    codec.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jump_back;
    trap.manager.emit_message = stay_quiet;
    jpeg_create_compress(&codec);
    if (setjmp(trap.back) != 0) {
        jpeg_destroy_compress(&codec);
        return false;
    }
    jpeg_mem_dest(&codec, out, out_size);
    codec.image_width = static_cast<JDIMENSION>(rows.width);
    codec.image_height = static_cast<JDIMENSION>(rows.height);
    codec.input_components = rows.bands;
    codec.in_color_space = rows.bands == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, quality, TRUE);
    codec.optimize_coding = TRUE;
    jpeg_start_compress(&codec, TRUE);
    if (profile_size != 0) jpeg_write_icc_profile(&codec, profile, profile_size);
    std::size_t const row_bytes =
        static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.bands);
    while (codec.next_scanline < codec.image_height) {
        // libjpeg reads the row; its interface only lacks the const.
        JSAMPROW row = const_cast<JSAMPROW>(rows.first + codec.next_scanline * row_bytes);
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return true;
}

} // namespace

std::string encode_jpeg(pixel_rows const& rows, int quality, std::string const& profile,
                        std::string& jpeg) {
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    error_trap trap;
    bool const done = run_encoder(rows, quality, reinterpret_cast<JOCTET const*>(profile.data()),
                                  static_cast<unsigned int>(profile.size()), &out, &out_size, trap);
    jpeg.clear();
    if (done) jpeg.assign(reinterpret_cast<char const*>(out), out_size);
    std::free(out);
    return done ? std::string() : std::string(trap.message);
}
