#include "source/link_names.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

unsigned char byte_of(char c) {
    return static_cast<unsigned char>(c);
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_letters(std::string_view text, std::string_view upper_case) {
    if (text.size() != upper_case.size()) return false;
    for (std::size_t at = 0; at < text.size(); ++at)
        if (upper(text[at]) != upper_case[at]) return false;
    return true;
}

// Whether the bytes are UTF-8 as a browser writes characters: no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool is_utf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        unsigned char const lead = byte_of(bytes[at]);
        std::size_t length = 1;
        char32_t character = lead;
        char32_t lowest = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, character = lead & 0x1Fu, lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, character = lead & 0x0Fu, lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, character = lead & 0x07u, lowest = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - at < length) return false;
        for (std::size_t next = at + 1; next < at + length; ++next) {
            unsigned char const continuation = byte_of(bytes[next]);
            if ((continuation & 0xC0u) != 0x80u) return false;
            character = (character << 6) | (continuation & 0x3Fu);
        }
        if (character < lowest || character > 0x10FFFF ||
            (character >= 0xD800 && character <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
}

// ASCII bytes that a browser reads specially wherever they stand in a link: '%' starts an
// escape, '#' and '?' end the path, '\' reads as '/', ':' may make the name a URL scheme
// (javascript:), and control bytes are dropped or cut the link.
bool always_escaped(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || byte == '%' || byte == '#' || byte == '?' ||
           byte == '\\' || byte == ':';
}

// Whether some ASCII byte of the name must be escaped. Spaces at either end count too: a
// browser strips them from a whole URL, the leading one from NAME.html and the trailing one
// from the fragment of the back link index.html#NAME.
bool has_special_ascii(std::string_view name) {
    if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) return true;
    for (char c : name)
        if (always_escaped(byte_of(c))) return true;
    return false;
}

// A browser escapes these itself in the fragment of a back link, and then finds the entry only
// by decoding the fragment, which would decode the name's own escapes as well: in a name that
// holds escapes they are escaped too, so that the fragment matches the entry as it stands.
bool escaped_in_fragment(unsigned char byte) {
    return byte == ' ' || byte == '"' || byte == '<' || byte == '>' || byte == '`';
}

// The name in plain ASCII: bytes above 0x7F, the bytes a browser reads specially, and those it
// would escape in a fragment, as %XX.
std::string escaped(std::string_view name) {
    char const digits[] = "0123456789ABCDEF";
    std::string link;
    link.reserve(name.size() * 3);
    for (char c : name) {
        unsigned char const byte = byte_of(c);
        if (byte >= 0x80 || always_escaped(byte) || escaped_in_fragment(byte)) {
            link += '%';
            link += digits[byte >> 4];
            link += digits[byte & 0xFu];
        } else {
            link += c;
        }
    }
    return link;
}

// Conversions to and from code page 932 for one thread: an iconv descriptor holds the state of
// the conversion under way, so threads cannot share one.
class code_page_932 {
  public:
    code_page_932()
        : encoder_(::iconv_open("CP932", "UTF-8")), decoder_(::iconv_open("UTF-8", "CP932")) {}
    ~code_page_932() {
        if (encoder_ != none) ::iconv_close(encoder_);
        if (decoder_ != none) ::iconv_close(decoder_);
    }
    code_page_932(code_page_932 const&) = delete;
    code_page_932& operator=(code_page_932 const&) = delete;

    // The Shift-JIS bytes of UTF-8 text, when a browser decodes them back to the same text.
    // glibc's code page 932 decodes as browsers do wherever the two differ from other tables of
    // Shift-JIS (0x8160 is U+FF5E, 0x817C U+FF0D, 0x8191 U+FFE0), and encodes the characters
    // those bytes also stand for elsewhere (U+301C, U+2212, U+00A2) to the same bytes, so such
    // a character fails the round trip, as it would in a browser; so do U+00A5 and U+203E,
    // which it writes as the ASCII bytes '\' and '~', and the tag characters it drops.
    std::optional<std::string> shift_jis(std::string_view utf8) {
        std::optional<std::string> encoded = convert(encoder_, utf8);
        if (!encoded) return std::nullopt;
        std::optional<std::string> const decoded = convert(decoder_, *encoded);
        if (!decoded || *decoded != utf8) return std::nullopt;
        return encoded;
    }

  private:
    static inline iconv_t const none = reinterpret_cast<iconv_t>(std::intptr_t{-1});

    // All of the text converted, or nothing when a character has no counterpart.
    static std::optional<std::string> convert(iconv_t descriptor, std::string_view text) {
        if (descriptor == none) return std::nullopt;
        ::iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
        // No character of either side takes more than three times its bytes on the other.
        std::string converted(text.size() * 3, '\0');
        // iconv only reads through its input pointer; its C interface has no const.
        char* from = const_cast<char*>(text.data());
        std::size_t from_left = text.size();
        char* to = converted.data();
        std::size_t to_left = converted.size();
        if (::iconv(descriptor, &from, &from_left, &to, &to_left) == static_cast<std::size_t>(-1))
            return std::nullopt;
        converted.resize(converted.size() - to_left);
        return converted;
    }

    iconv_t encoder_;
    iconv_t decoder_;
};

} // namespace

bool names_may_be_utf8(std::string_view codeset) {
    return codeset.empty() || same_letters(codeset, "UTF-8") || same_letters(codeset, "UTF8") ||
           same_letters(codeset, "ANSI_X3.4-1968") || same_letters(codeset, "ASCII") ||
           same_letters(codeset, "US-ASCII");
}

std::string link_name(std::string_view name, bool may_be_utf8) {
    bool ascii = true;
    for (char c : name) ascii &= byte_of(c) < 0x80;
    bool const special = has_special_ascii(name);
    if (ascii && !special) return std::string(name);
    // Shift-JIS characters and escapes never share a name: a back link's fragment finds its
    // entry either as it stands or decoded as UTF-8, and a name holding both matches neither.
    if (!ascii && !special && may_be_utf8 && is_utf8(name)) {
        thread_local code_page_932 code_page;
        if (std::optional<std::string> shift_jis = code_page.shift_jis(name)) return *shift_jis;
    }
    return escaped(name);
}

namespace {

// The name as UTF-8: itself when it is UTF-8 in a locale that may name files so, else read in
// the locale's character set; bytes that are no character there become U+FFFD.
std::string as_utf8(std::string_view name, std::string_view codeset) {
    if (is_utf8(name) && names_may_be_utf8(codeset)) return std::string(name);
    if (!codeset.empty() && !names_may_be_utf8(codeset)) {
        iconv_t const decoder = ::iconv_open("UTF-8", std::string(codeset).c_str());
        if (decoder != reinterpret_cast<iconv_t>(std::intptr_t{-1})) {
            std::string converted(name.size() * 4, '\0');
            char* from = const_cast<char*>(name.data());
            std::size_t from_left = name.size();
            char* to = converted.data();
            std::size_t to_left = converted.size();
            std::size_t const result = ::iconv(decoder, &from, &from_left, &to, &to_left);
            ::iconv_close(decoder);
            if (result != static_cast<std::size_t>(-1)) {
                converted.resize(converted.size() - to_left);
                return converted;
            }
        }
    }
    std::string replaced;
    for (char c : name) replaced += byte_of(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
    return replaced;
}

// The length of the UTF-8 character that the lead byte starts.
std::size_t character_length(unsigned char lead) {
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// The code point of one UTF-8 character.
char32_t code_point(std::string_view character) {
    auto const lead = byte_of(character[0]);
    char32_t point = character.size() == 2   ? lead & 0x1Fu
                     : character.size() == 3 ? lead & 0x0Fu
                                             : lead & 0x07u;
    for (std::size_t at = 1; at < character.size(); ++at)
        point = (point << 6) | (byte_of(character[at]) & 0x3Fu);
    return point;
}

} // namespace

std::string shown_in_page(std::string_view name, std::string_view codeset) {
    std::string const utf8 = as_utf8(name, codeset);
    thread_local code_page_932 code_page;
    std::string shown;
    for (std::size_t at = 0; at < utf8.size();) {
        unsigned char const byte = byte_of(utf8[at]);
        if (byte < 0x80) {
            shown += html_text(std::string_view(utf8).substr(at, 1));
            ++at;
            continue;
        }
        std::string_view const character(utf8.data() + at, character_length(byte));
        at += character.size();
        if (std::optional<std::string> shift_jis = code_page.shift_jis(character)) {
            shown += *shift_jis;
        } else {
            char reference[16];
            std::snprintf(reference, sizeof reference, "&#x%X;",
                          static_cast<unsigned>(code_point(character)));
            shown += reference;
        }
    }
    return shown;
}

std::string html_text(std::string_view text) {
    std::string html;
    html.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        default:
            html += c;
        }
    }
    return html;
}
