#include "sources/code_pages.h"

#include "platform/platform.h"

#include <algorithm>
#include <iterator>

namespace {

struct byte_range {
    unsigned char first;
    unsigned char last;
};

void mark(lead_byte_table& table, byte_range range) {
    for (unsigned byte = range.first; byte <= range.last; ++byte) table.is_lead[byte] = true;
}

lead_byte_table active_table;
bool active_table_known;

} // namespace

lead_byte_table lead_bytes_of_code_page(unsigned code_page) {
    lead_byte_table table{};
    // The trail bytes of most double-byte code pages begin at 0x40, above every markup byte.
    table.lowest_trail_byte = 0x40;
    switch (code_page) {
    case 932: // Japanese, Shift-JIS
        mark(table, {0x81, 0x9F});
        mark(table, {0xE0, 0xFC});
        break;
    case 936: // Simplified Chinese, GBK
    case 949: // Korean, Unified Hangul Code
    case 950: // Traditional Chinese, Big5
        mark(table, {0x81, 0xFE});
        break;
    case 1361: // Korean, Johab
        table.lowest_trail_byte = 0x31;
        mark(table, {0x81, 0xD3});
        mark(table, {0xD8, 0xDE});
        mark(table, {0xE0, 0xF9});
        break;
    default: // a single-byte code page
        break;
    }
    return table;
}

lead_byte_table const& active_lead_bytes() {
    if (!active_table_known) {
        unsigned const code_page = platform_code_page();
        active_table = lead_bytes_of_code_page(code_page);
        // The double-byte code pages known here keep their lead bytes as listed, whatever a
        // system says (one starts Johab's at 0x84); any other takes the system's own table.
        bool const known =
            std::any_of(std::begin(active_table.is_lead), std::end(active_table.is_lead),
                        [](bool lead) { return lead; });
        bool system_lead[256] = {};
        if (!known && platform_lead_bytes(code_page, system_lead))
            std::copy(std::begin(system_lead), std::end(system_lead), active_table.is_lead);
        active_table_known = true;
    }
    return active_table;
}

void forget_active_code_page() {
    active_table_known = false;
}
