#include "pages/page_frame.h"

#include "pages/page_text.h"
#include "streams.h"

namespace {

// Whoever reads the page and wants to reach its maker.
constexpr char maintainer_address[] = "gallery@pixfold.example";

// "Last updated:" in Shift-JIS, spelled as bytes so that neither the source file's encoding nor
// the system's code page can change them.
constexpr char last_updated_label[] = "<p>\x8D\xC5\x8F\x49\x8D\x58\x90\x56:\n";

} // namespace

void write_page_opening(char const* title_words, char const* title_name) {
    write_out("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n"
              "<html>\n"
              "<head>\n"
              "<title>");
    write_out(title_words);
    write_name(title_name);
    write_out("</title>\n"
              "<link rev=made href=\"mailto:");
    write_out(maintainer_address);
    write_out("\">\n"
              "</head>\n"
              "<body>\n"
              "<!-- $include stdheader.inc -->\n"
              "<hr>\n");
    write_out(last_updated_label);
    write_out("<!-- $timestamp -->\n"
              "</p>\n"
              "<hr>\n");
}

void write_page_closing() {
    write_out("<hr>\n"
              "<!-- $include stdfooter.inc -->\n"
              "</body>\n"
              "</html>\n");
}
