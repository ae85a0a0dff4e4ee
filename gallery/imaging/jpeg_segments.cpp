#include "imaging/jpeg_segments.h"

#include <cstddef>
#include <utility>

namespace {

constexpr unsigned char marker_lead = 0xFF;
constexpr unsigned char start_of_image = 0xD8;
constexpr unsigned char end_of_image = 0xD9;
constexpr unsigned char start_of_scan = 0xDA;
constexpr unsigned char comment = 0xFE;
constexpr unsigned char app0 = 0xE0;
constexpr unsigned char app2 = 0xE2;
constexpr unsigned char app14 = 0xEE;
constexpr unsigned char app15 = 0xEF;

// Markers that stand alone, without a length: TEM and the restart markers.
bool is_standalone(unsigned char marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Whether an APPn segment is one that decoding needs and that holds nothing about the picture's
// owner, camera or place. payload is the segment after its length.
bool keeps_application_segment(unsigned char marker, std::string_view payload) {
    if (marker == app0) {
        // JFIF: identifier, version, units, two densities, and the thumbnail's width and
        // height; anything after them is a thumbnail or more.
        constexpr std::size_t jfif_size = 14;
        return payload.size() == jfif_size && payload.starts_with(std::string_view("JFIF\0", 5));
    }
    if (marker == app2) return payload.starts_with(std::string_view("ICC_PROFILE\0", 12));
    if (marker == app14) return payload.starts_with("Adobe");
    return false;
}

// The end of the entropy-coded data of a scan starting at from: the first 0xFF that begins a
// marker other than a restart, fill bytes before it included. npos when the data runs to the end.
std::size_t end_of_entropy_data(std::string_view jpeg, std::size_t from) {
    for (std::size_t at = jpeg.find(static_cast<char>(marker_lead), from);
         at != std::string_view::npos; at = jpeg.find(static_cast<char>(marker_lead), at)) {
        std::size_t next = at + 1;
        while (next < jpeg.size() && static_cast<unsigned char>(jpeg[next]) == marker_lead) ++next;
        if (next == jpeg.size()) return std::string_view::npos;
        auto const code = static_cast<unsigned char>(jpeg[next]);
        // A stuffed zero is a data byte of 0xFF; a restart marker is part of the scan.
        if (code != 0 && !(code >= 0xD0 && code <= 0xD7)) return at;
        at = next + 1;
    }
    return std::string_view::npos;
}

} // namespace

bool without_private_segments(std::string_view jpeg, std::string& kept) {
    auto const byte = [&](std::size_t at) { return static_cast<unsigned char>(jpeg[at]); };
    if (jpeg.size() < 2 || byte(0) != marker_lead || byte(1) != start_of_image) return false;

    std::string out;
    out.reserve(jpeg.size());
    out.append(jpeg.substr(0, 2));
    std::size_t at = 2;
    for (;;) {
        if (at >= jpeg.size() || byte(at) != marker_lead) return false;
        while (at < jpeg.size() && byte(at) == marker_lead) ++at; // fill bytes
        if (at >= jpeg.size()) return false;
        unsigned char const marker = byte(at);
        std::size_t const start = at - 1; // the marker's own 0xFF, fill bytes left behind
        ++at;
        if (marker == end_of_image) {
            out.append(jpeg.substr(start, 2));
            kept = std::move(out);
            return true;
        }
        if (is_standalone(marker)) {
            out.append(jpeg.substr(start, 2));
            continue;
        }
        if (marker == 0 || marker == start_of_image || jpeg.size() - at < 2) return false;
        std::size_t const length = std::size_t{byte(at)} << 8 | byte(at + 1);
        if (length < 2 || length > jpeg.size() - at) return false;
        at += length;
        if (marker == start_of_scan) {
            std::size_t const data_end = end_of_entropy_data(jpeg, at);
            if (data_end == std::string_view::npos) return false;
            at = data_end;
        }
        std::string_view const segment = jpeg.substr(start, at - start);
        bool const is_application = marker >= app0 && marker <= app15;
        if (is_application ? keeps_application_segment(marker, segment.substr(4))
                           : marker != comment)
            out.append(segment);
    }
}
