// What the size probe must make of a PPM file, worked out independently of the tool's code: the
// two header lines as a line reader into a 260-byte buffer cuts them, and the second line as the
// C library's "%d %d" conversion reads it.
#pragma once

#include "sources/picture_size.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace oracle {

// Where the header line starting at from ends: after its LF, after 259 bytes, or at the end.
inline std::size_t header_line_end(std::string_view file, std::size_t from) {
    std::size_t const limit = std::min(file.size(), from + 259);
    std::size_t const line_feed = file.substr(0, limit).find('\n', from);
    return line_feed == std::string_view::npos ? limit : line_feed + 1;
}

// The second header line, or nothing when the file has fewer than two lines.
inline std::optional<std::string_view> second_header_line(std::string_view file) {
    std::size_t const first_end = header_line_end(file, 0);
    if (first_end == 0) return std::nullopt;
    std::size_t const second_end = header_line_end(file, first_end);
    if (second_end == first_end) return std::nullopt;
    return file.substr(first_end, second_end - first_end);
}

// The size that sscanf "%d %d" reads from the line, or nothing when a number in it has more
// than nine digits: there the library saturates, and the tool wraps modulo 2^32.
inline std::optional<picture_size> scanned_size(std::string_view line) {
    std::string const text(line.substr(0, line.find('\0')));
    std::size_t digits = 0;
    for (char byte : text) {
        digits = byte >= '0' && byte <= '9' ? digits + 1 : 0;
        if (digits > 9) return std::nullopt;
    }
    int width = 0;
    int height = 0;
    std::sscanf(text.c_str(), "%d %d", &width, &height);
    return picture_size{width, height};
}

} // namespace oracle
