// Prints the link names of a fixed list of names, one JSON line each, for the browser check
// (tests/browser/link_names.test.mjs) to read back in Chromium: what the name is, whether names
// may be UTF-8 in its locale, and the bytes of the name and of its link name in hex. Every name
// can be a file name (no '/', no NUL), since the check opens each one's page.
#include "source/link_names.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

struct row {
    char const* what;
    std::string_view name;
    bool may_be_utf8 = true;
};

// Every row of the rule: names that stay as they are, ASCII bytes a browser reads specially,
// Shift-JIS characters, the characters that code page 932 and browsers map differently, names
// that would mix Shift-JIS with escapes, characters Shift-JIS cannot hold, names that are not
// UTF-8, and names in a Shift-JIS locale.
row const rows[] = {
    {"plain", "sunset"},
    {"ampersand", "salt & pepper"},
    {"markup", "a<b>c"},
    {"quotes", "say \"cheese\""},
    {"apostrophe", "it's"},
    {"dashes and dots", "-dash.two.dots"},
    {"punctuation", "semi;plus+eq=comma,(paren)!"},
    {"brackets and braces", "{|}~^`@[]"},
    {"percent", "100% zoom"},
    {"percent and hex digits", "%41bc"},
    {"hash", "a#b"},
    {"question mark", "what?"},
    {"backslash", "back\\slash"},
    {"colon after a digit", "10:30 sunset"},
    {"scheme", "javascript:alert(1)"},
    {"tab", "tab\there"},
    {"control bytes", "ctl\x01\x1F"
                      "end"},
    {"delete", "del\x7F"},
    {"leading space", " leading"},
    {"trailing space", "trailing "},
    {"space alone", " "},
    {"quotes and an escape", "say \"x\" <y> `z` #1"},
    {"U+82B1 U+706B", "\xE8\x8A\xB1\xE7\x81\xAB"},
    {"U+8868, trail byte 0x5C", "\xE8\xA1\xA8"},
    {"U+30BD, trail byte 0x5C", "\xE3\x82\xBD"},
    {"half-width katakana", "\xEF\xBD\xB6\xEF\xBE\x80"},
    {"Shift-JIS with ASCII", "\xE8\x8A\xB1\xE7\x81\xAB 2024 & \"co\" <1>"},
    {"private use U+E000", "\xEE\x80\x80"},
    {"fullwidth tilde U+FF5E", "\xEF\xBD\x9E"},
    {"fullwidth minus U+FF0D", "\xEF\xBC\x8D"},
    {"fullwidth cent, pound, not U+FFE0..U+FFE2", "\xEF\xBF\xA0\xEF\xBF\xA1\xEF\xBF\xA2"},
    {"horizontal bar U+2015", "\xE2\x80\x95"},
    {"parallel to U+2225", "\xE2\x88\xA5"},
    {"wave dash U+301C", "\xE3\x80\x9C"},
    {"minus sign U+2212", "\xE2\x88\x92"},
    {"cent sign U+00A2", "\xC2\xA2"},
    {"pound sign U+00A3", "\xC2\xA3"},
    {"not sign U+00AC", "\xC2\xAC"},
    {"yen sign U+00A5", "\xC2\xA5"},
    {"overline U+203E", "\xE2\x80\xBE"},
    {"em dash U+2014", "\xE2\x80\x94"},
    {"double vertical line U+2016", "\xE2\x80\x96"},
    {"tag letter U+E0041", "x\xF3\xA0\x81\x81"},
    {"Shift-JIS and a hash", "\xE8\x8A\xB1\xE7\x81\xAB#1"},
    {"Shift-JIS and e-acute", "\xE8\x8A\xB1\xE7\x81\xAB \xC3\xA9"},
    {"Shift-JIS and a leading space", " \xE8\x8A\xB1"},
    {"Shift-JIS and a trailing space", "\xE8\x8A\xB1 "},
    {"Shift-JIS and a backslash", "\xE8\xA1\xA8\\"},
    {"Shift-JIS and a percent", "\xE8\x8A\xB1%20"},
    {"Shift-JIS and a wave dash", "\xE8\x8A\xB1\xE3\x80\x9C"},
    {"e-acute", "caf\xC3\xA9"},
    {"emoji", "\xF0\x9F\x98\x80"},
    {"Hangul", "\xED\x95\x9C\xEA\xB8\x80"},
    {"Shift-JIS bytes", "\x95\x5C"},
    {"Shift-JIS bytes with a space", "\x83\x5C 1"},
    {"EUC-JP bytes", "\xB2\xD6\xB2\xD0"},
    {"overlong slash", "\xC0\xAF"},
    {"overlong slash in three bytes", "\xE0\x80\xAF"},
    {"continuation byte alone", "\x80"
                                "a"},
    {"surrogate", "\xED\xA0\x80"},
    {"past U+10FFFF", "\xF4\x90\x80\x80"},
    {"cut short", "\xE8\x8A"},
    {"Shift-JIS locale: plain", "sunset", false},
    {"Shift-JIS locale: percent", "100% zoom", false},
    {"Shift-JIS locale: U+8868", "\x95\x5C", false},
    {"Shift-JIS locale: U+30BD and a space", "\x83\x5C 1", false},
    {"Shift-JIS locale: U+82B1 U+706B in UTF-8", "\xE8\x8A\xB1\xE7\x81\xAB", false},
    {"Shift-JIS locale: EUC-JP bytes", "\xB2\xD6\xB2\xD0", false},
    {"ISO-8859-1 locale: e-acute", "caf\xE9", false},
};

std::string hex(std::string_view bytes) {
    char const digits[] = "0123456789abcdef";
    std::string text;
    for (char c : bytes) {
        unsigned char const byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0xFu];
    }
    return text;
}

} // namespace

int main() {
    for (row const& each : rows) {
        std::string const link = link_name(each.name, each.may_be_utf8);
        std::printf("{\"what\": \"%s\", \"may_be_utf8\": %s, \"name\": \"%s\", \"link\": \"%s\"}\n",
                    each.what, each.may_be_utf8 ? "true" : "false", hex(each.name).c_str(),
                    hex(link).c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
