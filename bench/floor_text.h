/* What both floor programs share: the fixed page text, the header parse and the plain system
 * calls. The floors are made for galleries from make_gallery, whose names need no escaping and
 * whose list lines all read "./name.jpg"; they skip every check that such input never needs. */
#ifndef FLOOR_TEXT_H
#define FLOOR_TEXT_H

#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <unistd.h>

#define PAGE_OPENING_HEAD                                                                          \
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n"                           \
    "<html>\n"                                                                                     \
    "<head>\n"                                                                                     \
    "<title>"
#define PAGE_OPENING_TAIL                                                                          \
    "</title>\n"                                                                                   \
    "<link rev=made href=\"mailto:gallery@pixfold.example\">\n"                                    \
    "</head>\n"                                                                                    \
    "<body>\n"                                                                                     \
    "<!-- $include stdheader.inc -->\n"                                                            \
    "<hr>\n"                                                                                       \
    "<p>\x8D\xC5\x8F\x49\x8D\x58\x90\x56:\n"                                                       \
    "<!-- $timestamp -->\n"                                                                        \
    "</p>\n"                                                                                       \
    "<hr>\n"
#define PAGE_CLOSING                                                                               \
    "<hr>\n"                                                                                       \
    "<!-- $include stdfooter.inc -->\n"                                                            \
    "</body>\n"                                                                                    \
    "</html>\n"

/* The most a PPM header read takes: two lines of at most 259 bytes each. */
#define HEADER_READ_SIZE 518

static inline void floor_write_all(int descriptor, char const* bytes, size_t size) {
    while (size > 0) {
        ssize_t const written = write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            _exit(3);
        }
        bytes += written;
        size -= (size_t)written;
    }
}

static inline void floor_fail(char const* path) {
    floor_write_all(2, path, __builtin_strlen(path));
    floor_write_all(2, ": cannot read\n", 14);
    _exit(2);
}

static inline int floor_is_space(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

/* Reads one decimal number at *at (white space, optional sign, digits), as pixfold does. */
static inline int32_t floor_number(char const** at, char const* end) {
    char const* p = *at;
    while (p < end && floor_is_space(*p)) ++p;
    int negative = 0;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint32_t magnitude = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        magnitude = magnitude * 10u + (uint32_t)(*p - '0');
    *at = p;
    return (int32_t)(negative ? 0u - magnitude : magnitude);
}

/* Width and height from the second line of the header bytes. */
static inline void floor_parse_header(char const* header, size_t size, int32_t* width,
                                      int32_t* height) {
    char const* const end = header + size;
    char const* at = header;
    while (at < end && *at != '\n') ++at;
    if (at < end) ++at;
    *width = floor_number(&at, end);
    *height = floor_number(&at, end);
}

/* Writes the number in decimal at out; returns how many bytes it took. */
/* The least a probe does: one open, one read of both header lines, one close. */
static inline void floor_probe(char const* ppm_path, int32_t* width, int32_t* height) {
    int const file = open(ppm_path, O_RDONLY | O_CLOEXEC);
    if (file < 0) floor_fail(ppm_path);
    char header[HEADER_READ_SIZE];
    ssize_t const got = read(file, header, sizeof header);
    close(file);
    if (got <= 0) floor_fail(ppm_path);
    floor_parse_header(header, (size_t)got, width, height);
}

static inline size_t floor_decimal(int32_t number, char* out) {
    char digits[11];
    char* start = digits + sizeof digits;
    uint32_t magnitude = (uint32_t)number;
    if (number < 0) magnitude = 0u - magnitude;
    do {
        *--start = (char)('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    if (number < 0) *--start = '-';
    size_t const size = (size_t)(digits + sizeof digits - start);
    __builtin_memcpy(out, start, size);
    return size;
}

#endif
