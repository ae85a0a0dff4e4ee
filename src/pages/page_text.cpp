#include "pages/page_text.h"

#include "sources/code_pages.h"
#include "streams.h"

namespace {

// The character reference that stands for a byte in a page, or nullptr for the byte itself.
char const* reference_for(char byte) {
    switch (byte) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    default:
        return nullptr;
    }
}

struct byte_set {
    bool contains[256];
};

// The bytes at which write_name stops: the four that become references, every byte above 0x7F,
// which may lead a double-byte character, and the end of the name. All others go out as they
// are.
constexpr byte_set make_bytes_to_stop_at() {
    byte_set set{};
    for (unsigned byte = 0x80; byte < 256; ++byte) set.contains[byte] = true;
    set.contains[static_cast<unsigned char>('&')] = true;
    set.contains[static_cast<unsigned char>('<')] = true;
    set.contains[static_cast<unsigned char>('>')] = true;
    set.contains[static_cast<unsigned char>('"')] = true;
    set.contains[0] = true;
    return set;
}
constexpr byte_set bytes_to_stop_at = make_bytes_to_stop_at();

} // namespace

void write_name(char const* name) {
    char const* unwritten = name;
    char const* at = name;
    for (;;) {
        while (!bytes_to_stop_at.contains[static_cast<unsigned char>(*at)]) ++at;
        auto const byte = static_cast<unsigned char>(*at);
        if (byte == '\0') break;
        // Every lead byte lies above 0x7F: a plain ASCII name never needs the code page. A byte
        // that cannot be a trail byte is read on its own after the lead byte, so a '"' or a '<'
        // there would end the attribute or the title: it is escaped like any other.
        if (byte > 0x7F && at[1] != '\0' && active_lead_bytes().is_lead[byte] &&
            static_cast<unsigned char>(at[1]) >= active_lead_bytes().lowest_trail_byte) {
            at += 2; // a true trail byte belongs to the character and is never replaced
            continue;
        }
        if (char const* const reference = reference_for(*at)) {
            write_out(unwritten, static_cast<std::size_t>(at - unwritten));
            write_out(reference);
            unwritten = at + 1;
        }
        ++at;
    }
    write_out(unwritten, static_cast<std::size_t>(at - unwritten));
}

void write_decimal(std::int32_t number) {
    char digits[11]; // the sign and ten digits of the largest magnitude
    char* start = digits + sizeof digits;
    // Negating in unsigned arithmetic keeps the most negative number in range.
    std::uint32_t magnitude = static_cast<std::uint32_t>(number);
    if (number < 0) magnitude = 0u - magnitude;
    do {
        *--start = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    if (number < 0) *--start = '-';
    write_out(start, static_cast<std::size_t>(digits + sizeof digits - start));
}
