/* The least work a picture page needs: the floor that a pixfold start in picture mode is
 * measured against. One open, one read and one close of the PPM companion, then the whole page,
 * with its line ends already CR LF, in one write. No stdio, no locale, no escaping.
 *
 *   floor_picture BASE_PATH */
#include "floor_text.h"

#include <fcntl.h>

/* Copies text to out with every LF as CR LF; returns the new end of out. */
static char* put(char* out, char const* text) {
    for (; *text != '\0'; ++text) {
        if (*text == '\n') *out++ = '\r';
        *out++ = *text;
    }
    return out;
}

int main(int argc, char** argv) {
    if (argc != 2) _exit(2);
    char const* const base_path = argv[1];
    size_t const base_size = __builtin_strlen(base_path);
    if (base_size > 255) floor_fail(base_path);

    char ppm_path[260];
    __builtin_memcpy(ppm_path, base_path, base_size);
    __builtin_memcpy(ppm_path + base_size, ".ppm", 5);
    int32_t width = 0;
    int32_t height = 0;
    floor_probe(ppm_path, &width, &height);
    char width_text[12];
    width_text[floor_decimal(width, width_text)] = '\0';
    char height_text[12];
    height_text[floor_decimal(height, height_text)] = '\0';

    char page[4096];
    char* out = page;
    out = put(out, PAGE_OPENING_HEAD "Picture ");
    out = put(out, base_path);
    out = put(out, PAGE_OPENING_TAIL "<p><a href=\"index.html#");
    out = put(out, base_path);
    out = put(out, "\">BACK</a></p>\n<hr>\n<img src=\"");
    out = put(out, base_path);
    out = put(out, ".jpg\" alt=\"Picture ");
    out = put(out, base_path);
    out = put(out, "\" width=\"");
    out = put(out, width_text);
    out = put(out, "\" height=\"");
    out = put(out, height_text);
    out = put(out, "\">\n<hr>\n<p><a href=\"index.html#");
    out = put(out, base_path);
    out = put(out, "\">BACK</a></p>\n" PAGE_CLOSING);
    floor_write_all(1, page, (size_t)(out - page));
    _exit(0);
}
