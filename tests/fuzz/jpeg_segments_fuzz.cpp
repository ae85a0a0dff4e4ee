// Fuzzes without_private_segments with arbitrary bytes. What it keeps must be a JPEG of public
// segments only, each right after the last, built from the input's bytes in their order; a
// second pass must change nothing, and bytes after the end of image must not matter.
#include "imaging/jpeg_segments.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

unsigned char at(std::string_view bytes, std::size_t index) {
    return static_cast<unsigned char>(bytes[index]);
}

// Whether an APPn segment may stay: JFIF without a thumbnail, a colour profile, Adobe's.
bool public_application_segment(unsigned char marker, std::string_view payload) {
    using namespace std::string_view_literals;
    if (marker == 0xE0) return payload.size() == 14 && payload.starts_with("JFIF\0"sv);
    if (marker == 0xE2) return payload.starts_with("ICC_PROFILE\0"sv);
    return marker == 0xEE && payload.starts_with("Adobe"sv);
}

// Walks the kept bytes on their own: SOI, segments with no byte between them, a private one
// nowhere, and EOI as the very last bytes.
bool only_public_segments(std::string_view kept) {
    if (kept.size() < 4 || at(kept, 0) != 0xFF || at(kept, 1) != 0xD8) return false;
    std::size_t next = 2;
    for (;;) {
        if (kept.size() - next < 2 || at(kept, next) != 0xFF) return false;
        unsigned char const marker = at(kept, next + 1);
        next += 2;
        if (marker == 0xD9) return next == kept.size();
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        // A fill byte, a second SOI or a comment has no place in what is kept.
        if (marker == 0xFF || marker == 0xD8 || marker == 0xFE || kept.size() - next < 2)
            return false;
        std::size_t const length = std::size_t{at(kept, next)} << 8 | at(kept, next + 1);
        if (length < 2 || length > kept.size() - next) return false;
        if (marker >= 0xE0 && marker <= 0xEF &&
            !public_application_segment(marker, kept.substr(next + 2, length - 2)))
            return false;
        next += length;
        // Entropy-coded data: a 0xFF inside it is a stuffed zero, a restart, or a fill byte.
        while (marker == 0xDA && next < kept.size()) {
            if (at(kept, next) != 0xFF) {
                ++next;
                continue;
            }
            if (kept.size() - next < 2) return false;
            unsigned char const code = at(kept, next + 1);
            if (code != 0 && code != 0xFF && !(code >= 0xD0 && code <= 0xD7)) break;
            next += code == 0xFF ? 1 : 2;
        }
    }
}

// Whether every byte of kept comes from the input, in order.
bool taken_in_order(std::string_view kept, std::string_view input) {
    std::size_t from = 0;
    for (char const byte : kept) {
        from = input.find(byte, from);
        if (from == std::string_view::npos) return false;
        ++from;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    // libFuzzer's buffer has exactly the input's size, so reading past it is caught.
    std::string_view const input(reinterpret_cast<char const*>(data), size);
    std::string const untouched = "untouched";
    std::string kept = untouched;
    if (!without_private_segments(input, kept)) {
        if (kept != untouched) std::abort();
        return 0;
    }
    if (kept.size() > input.size() || !only_public_segments(kept) || !taken_in_order(kept, input))
        std::abort();

    std::string again = untouched;
    if (!without_private_segments(kept, again) || again != kept) std::abort();

    // A preview with its own EXIF after the end of image, as phones append one.
    std::string const with_trailer = std::string(input) + "\xFF\xD8\xFF\xE1\x00\x05GPS\xFF\xD9";
    std::string trailed = untouched;
    if (!without_private_segments(with_trailer, trailed) || trailed != kept) std::abort();
    return 0;
}
