#include "sources/picture_size.h"

#include "platform/platform.h"
#include "streams.h"

namespace {

// A header line is read like a line into a 260-byte buffer: up to and including its LF,
// or 259 bytes, whichever comes first.
constexpr std::size_t header_line_limit = 259;

bool is_white_space(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Reads one optionally signed decimal number at line[at]; false when there is none.
bool parse_number(char const* line, std::size_t size, std::size_t& at, std::int32_t& number) {
    while (at < size && is_white_space(line[at])) ++at;
    bool negative = false;
    if (at < size && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
    if (at == size || line[at] < '0' || line[at] > '9') return false;
    // Unsigned arithmetic wraps modulo 2^32 by definition, as the header's numbers must.
    std::uint32_t magnitude = 0;
    for (; at < size && line[at] >= '0' && line[at] <= '9'; ++at)
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(line[at] - '0');
    number = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
    return true;
}

// Where the header line starting at offset from ends, or 0 while the bytes read so far cannot
// tell: the line may go on in bytes not yet read.
std::size_t header_line_end(char const* bytes, std::size_t from, std::size_t have) {
    std::size_t const limit = from + header_line_limit;
    for (std::size_t at = from; at < have && at < limit; ++at)
        if (bytes[at] == '\n') return at + 1;
    return have >= limit ? limit : 0;
}

const char* open_failure_message(open_failure failure) {
    switch (failure) {
    case open_failure::not_found:
        return "No such file or directory";
    case open_failure::permission_denied:
        return "Permission denied";
    case open_failure::too_many_open_files:
        return "Too many open files";
    case open_failure::not_enough_space:
        return "Not enough space";
    default:
        return "Invalid argument";
    }
}

} // namespace

picture_size parse_picture_size(char const* line, std::size_t size) {
    picture_size result{0, 0};
    std::size_t at = 0;
    if (parse_number(line, size, at, result.width)) parse_number(line, size, at, result.height);
    return result;
}

picture_size read_picture_size(char const* ppm_path) {
    platform_file file;
    open_failure const failure = platform_open_file(ppm_path, file);
    if (failure != open_failure::none) {
        report_error(ppm_path, open_failure_message(failure));
        exit_with_status(2);
    }

    // Both header lines fit: one read of this size takes them from any regular file, and a
    // further read happens only while the bytes so far end inside the second line.
    char header[2 * header_line_limit];
    std::size_t have = 0;
    std::size_t first_end = 0;
    std::size_t second_end = 0;
    for (;;) {
        first_end = header_line_end(header, 0, have);
        if (first_end != 0) second_end = header_line_end(header, first_end, have);
        if (second_end != 0) break;
        // A read error counts as the end of the file.
        std::size_t const got = platform_read_file(file, header + have, sizeof header - have);
        if (got == 0) break;
        have += got;
    }
    platform_close_file(file);

    // At the end of the file the last line ends with the last byte.
    if (first_end == 0) first_end = have;
    if (second_end == 0) second_end = have;
    if (first_end == 0 || second_end == first_end) fatal_error();
    return parse_picture_size(header + first_end, second_end - first_end);
}
