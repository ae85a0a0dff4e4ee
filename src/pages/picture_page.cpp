#include "pages/picture_page.h"

#include "name_buffer.h"
#include "pages/page_frame.h"
#include "pages/page_text.h"
#include "sources/picture_size.h"
#include "streams.h"

namespace {

// The base path followed by a suffix, in a name buffer; stops the run when it does not fit.
void make_companion_path(char const* base_path, char const* suffix,
                         char (&path)[name_buffer_size]) {
    if (!copy_name(path, base_path) || !append_name(path, suffix)) stop_name_too_long(base_path);
}

void write_back_link(char const* base_path) {
    write_out("<p><a href=\"index.html#");
    write_name(base_path);
    write_out("\">BACK</a></p>\n");
}

} // namespace

void write_picture_page(char const* base_path) {
    // Both paths are made before the probe, so a base path too long for them stops the run
    // before anything is opened or written.
    char ppm_path[name_buffer_size];
    make_companion_path(base_path, ".ppm", ppm_path);
    char image_path[name_buffer_size];
    make_companion_path(base_path, ".jpg", image_path);
    picture_size const size = read_picture_size(ppm_path);

    write_page_opening("Picture ", base_path);
    write_back_link(base_path);
    write_out("<hr>\n"
              "<img src=\"");
    write_name(image_path);
    write_out("\" alt=\"Picture ");
    write_name(base_path);
    write_out("\" width=\"");
    write_decimal(size.width);
    write_out("\" height=\"");
    write_decimal(size.height);
    write_out("\">\n"
              "<hr>\n");
    write_back_link(base_path);
    write_page_closing();
}
