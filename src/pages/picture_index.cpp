#include "pages/picture_index.h"

#include "name_buffer.h"
#include "pages/page_frame.h"
#include "pages/page_text.h"
#include "sources/companion_names.h"
#include "sources/picture_size.h"
#include "streams.h"

namespace {

// The four names of one picture, all made from its list line.
struct entry_names {
    char ppm_path[name_buffer_size];
    char image_path[name_buffer_size];
    char page_name[name_buffer_size];
    char anchor_name[name_buffer_size];
};

// Makes the names of the list line; stops the run when one of them would not fit.
void make_entry_names(char const* line, std::size_t size, entry_names& names) {
    // Page name and anchor drop the first two bytes ("./"); a line too short for that has none.
    char const* const picture_name =
        size >= 2 && line[0] != '\0' && line[1] != '\0' ? line + 2 : "";
    lead_byte_table const& lead_bytes = active_lead_bytes();
    if (!replace_suffix(line, ".ppm", names.ppm_path, lead_bytes) ||
        !replace_suffix(line, ".jpg", names.image_path, lead_bytes) ||
        !replace_suffix(picture_name, ".html", names.page_name, lead_bytes) ||
        !replace_suffix(picture_name, "", names.anchor_name, lead_bytes))
        stop_name_too_long(line);
}

void write_entry(entry_names const& names, picture_size size) {
    write_out("<a href=\"");
    write_name(names.page_name);
    write_out("\" name=\"");
    write_name(names.anchor_name);
    write_out("\"><img src=\"");
    write_name(names.image_path);
    write_out("\" alt=\"Thumbnail Picture\" width=\"");
    write_decimal(size.width);
    write_out("\" height=\"");
    write_decimal(size.height);
    write_out("\"></a>\n"
              "<p>!</p>\n");
}

} // namespace

void write_picture_index() {
    write_page_opening("A Picture Index", "");
    write_out("<h1>A Picture Index</h1>\n");
    char line[name_buffer_size];
    std::size_t size = 0;
    for (;;) {
        list_line const got = read_list_line(line, size);
        if (got == list_line::end) break;
        if (got == list_line::too_long) stop_name_too_long(line);
        entry_names names;
        make_entry_names(line, size, names);
        // The probe comes before the entry's first byte, so no entry is ever cut in half.
        write_entry(names, read_picture_size(names.ppm_path));
    }
    write_page_closing();
}
