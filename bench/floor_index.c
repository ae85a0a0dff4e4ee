/* The least work an index page needs: the floor that pixfold's index mode is measured against.
 *
 * It reads the file list from standard input in 64 KiB blocks, and for each line opens the PPM
 * companion, reads its header with one read of at most 518 bytes and closes it; it writes the
 * same page bytes as pixfold, collected in 4096-byte blocks that go out with every LF as CR LF.
 * No locale, no escaping, no checks that a gallery from make_gallery never needs. */
#define _GNU_SOURCE /* memrchr */
#include "floor_text.h"

#include <fcntl.h>
#include <string.h>

#define OUTPUT_BLOCK_SIZE 4096
#define INPUT_BLOCK_SIZE 65536

static char output_block[OUTPUT_BLOCK_SIZE];
static size_t output_fill;

static void flush_output(void) {
    char wire[2 * OUTPUT_BLOCK_SIZE];
    char* out = wire;
    char const* at = output_block;
    char const* const end = output_block + output_fill;
    while (at < end) {
        char const* const line_feed = memchr(at, '\n', (size_t)(end - at));
        char const* const stop = line_feed ? line_feed : end;
        memcpy(out, at, (size_t)(stop - at));
        out += stop - at;
        at = stop;
        if (line_feed) {
            *out++ = '\r';
            *out++ = '\n';
            ++at;
        }
    }
    floor_write_all(1, wire, (size_t)(out - wire));
    output_fill = 0;
}

static void put(char const* bytes, size_t size) {
    while (size > 0) {
        if (output_fill == OUTPUT_BLOCK_SIZE) flush_output();
        size_t piece = OUTPUT_BLOCK_SIZE - output_fill;
        if (piece > size) piece = size;
        memcpy(output_block + output_fill, bytes, piece);
        output_fill += piece;
        bytes += piece;
        size -= piece;
    }
}

#define PUT_TEXT(text) put(text, sizeof text - 1)

static void put_decimal(int32_t number) {
    char digits[11];
    put(digits, floor_decimal(number, digits));
}

/* One list line "./name.jpg", without its LF: probe the header, write the entry. */
static void write_entry(char const* line, size_t size) {
    char const* const dot = memrchr(line, '.', size);
    size_t const stem = (size_t)(dot - line);
    char ppm_path[300];
    memcpy(ppm_path, line, stem);
    memcpy(ppm_path + stem, ".ppm", 5);

    int32_t width = 0;
    int32_t height = 0;
    floor_probe(ppm_path, &width, &height);

    PUT_TEXT("<a href=\"");
    put(line + 2, stem - 2);
    PUT_TEXT(".html\" name=\"");
    put(line + 2, stem - 2);
    PUT_TEXT("\"><img src=\"");
    put(line, size);
    PUT_TEXT("\" alt=\"Thumbnail Picture\" width=\"");
    put_decimal(width);
    PUT_TEXT("\" height=\"");
    put_decimal(height);
    PUT_TEXT("\"></a>\n<p>!</p>\n");
}

int main(void) {
    PUT_TEXT(PAGE_OPENING_HEAD "A Picture Index" PAGE_OPENING_TAIL "<h1>A Picture Index</h1>\n");

    static char input[INPUT_BLOCK_SIZE];
    char line[300];
    size_t line_size = 0;
    for (;;) {
        ssize_t const got = read(0, input, sizeof input);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        char const* at = input;
        char const* const end = input + got;
        while (at < end) {
            char const* const line_feed = memchr(at, '\n', (size_t)(end - at));
            char const* const stop = line_feed ? line_feed : end;
            size_t const piece = (size_t)(stop - at);
            if (line_size == 0 && line_feed) {
                write_entry(at, piece); /* the whole line lies in the block */
            } else {
                memcpy(line + line_size, at, piece); /* a line across two blocks */
                line_size += piece;
                if (line_feed) {
                    write_entry(line, line_size);
                    line_size = 0;
                }
            }
            at = line_feed ? line_feed + 1 : end;
        }
    }
    if (line_size > 0) write_entry(line, line_size);

    PUT_TEXT(PAGE_CLOSING);
    flush_output();
    _exit(0);
}
