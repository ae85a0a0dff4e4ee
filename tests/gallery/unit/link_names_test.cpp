// The expected link names were checked in Chromium, where tests/browser/link_names.test.mjs
// reads back the same names: its Shift-JIS decoder, then %XX as bytes, gives the file name, and
// a back link index.html#LINK finds the entry named LINK.
#include "source/link_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string link(std::string_view name) {
    return link_name(name, true);
}

// The file name's bytes as %XX, which is what a name that cannot be Shift-JIS becomes.
std::string all_escaped(std::string_view name) {
    char const digits[] = "0123456789ABCDEF";
    std::string text;
    for (char c : name) {
        unsigned char const byte = static_cast<unsigned char>(c);
        text += {'%', digits[byte >> 4], digits[byte & 0xFu]};
    }
    return text;
}

// The UTF-8 bytes of a character.
std::string utf8(std::uint32_t character) {
    auto const byte = [](std::uint32_t bits) { return static_cast<char>(bits); };
    if (character < 0x800) return {byte(0xC0 | character >> 6), byte(0x80 | (character & 0x3F))};
    if (character < 0x10000)
        return {byte(0xE0 | character >> 12), byte(0x80 | (character >> 6 & 0x3F)),
                byte(0x80 | (character & 0x3F))};
    return {byte(0xF0 | character >> 18), byte(0x80 | (character >> 12 & 0x3F)),
            byte(0x80 | (character >> 6 & 0x3F)), byte(0x80 | (character & 0x3F))};
}

} // namespace

TEST(names_may_be_utf8, in_utf8_and_the_c_locale_only) {
    for (char const* codeset :
         {"UTF-8", "utf-8", "UTF8", "ANSI_X3.4-1968", "ASCII", "US-ASCII", ""})
        EXPECT_TRUE(names_may_be_utf8(codeset)) << codeset;
    for (char const* codeset : {"SHIFT_JIS", "CP932", "EUC-JP", "ISO-8859-1", "UTF-16", "UTF-8x"})
        EXPECT_FALSE(names_may_be_utf8(codeset)) << codeset;
}

TEST(link_name, keeps_plain_names_byte_for_byte) {
    for (std::string_view name :
         {"sunset", "salt & pepper", "a<b>c", "say \"cheese\"", "it's", "-dash.two.dots",
          "semi;plus+eq=comma,(paren)!", "{|}~^`@[]", "two  spaces", "a.b", ""}) {
        EXPECT_EQ(link(name), name);
        EXPECT_EQ(link_name(name, false), name);
    }
}

TEST(link_name, escapes_ascii_that_a_browser_reads_specially) {
    EXPECT_EQ(link("%41bc"), "%2541bc");
    EXPECT_EQ(link("a#b"), "a%23b");
    EXPECT_EQ(link("what?"), "what%3F");
    EXPECT_EQ(link("back\\slash"), "back%5Cslash");
    EXPECT_EQ(link("javascript:alert(1)"), "javascript%3Aalert(1)");
    EXPECT_EQ(link("tab\there"), "tab%09here");
    EXPECT_EQ(link(std::string_view("nul\0\x1F\x7F", 6)), "nul%00%1F%7F");
    // A browser strips spaces from both ends of a URL: NAME.html, and the fragment of
    // index.html#NAME, whose entry would no longer be found.
    EXPECT_EQ(link(" leading"), "%20leading");
    EXPECT_EQ(link("trailing "), "trailing%20");
    EXPECT_EQ(link(" "), "%20");
    // Beside an escape, the bytes a browser escapes in a fragment are escaped too, or the back
    // link's fragment would match its entry neither as it stands nor decoded.
    EXPECT_EQ(link("100% zoom"), "100%25%20zoom");
    EXPECT_EQ(link("10:30 sunset"), "10%3A30%20sunset");
    EXPECT_EQ(link("say \"x\" <y> `z` #1"), "say%20%22x%22%20%3Cy%3E%20%60z%60%20%231");
    EXPECT_EQ(link("{|}~^@[]'&;+=,(!#"), "{|}~^@[]'&;+=,(!%23");
}

TEST(link_name, writes_characters_a_browser_reads_back_in_shift_jis) {
    EXPECT_EQ(link("\xE8\x8A\xB1\xE7\x81\xAB"), "\x89\xD4\x89\xCE"); // U+82B1 U+706B
    // The trail byte 0x5C belongs to its character: no backslash, not escaped.
    EXPECT_EQ(link("\xE8\xA1\xA8"), "\x95\x5C");             // U+8868
    EXPECT_EQ(link("\xE3\x82\xBD"), "\x83\x5C");             // U+30BD
    EXPECT_EQ(link("\xEF\xBD\xB6\xEF\xBE\x80"), "\xB6\xC0"); // half-width katakana
    EXPECT_EQ(link("\xEE\x80\x80"), "\xF0\x40");             // private use U+E000
    // Spaces, quotes and markup stay beside Shift-JIS: the fragment matches decoded.
    EXPECT_EQ(link("\xE8\x8A\xB1\xE7\x81\xAB 2024 & \"co\" <1>"),
              "\x89\xD4\x89\xCE 2024 & \"co\" <1>");
    // Bytes in, bytes out: the same name in the C locale, whose codeset allows UTF-8.
    EXPECT_EQ(link_name("\xE8\xA1\xA8", names_may_be_utf8("ANSI_X3.4-1968")), "\x95\x5C");
}

// Code page 932 encodes these to bytes that a browser decodes to another character: they are
// escaped. Their look-alikes decode to themselves and stay Shift-JIS.
TEST(link_name, agrees_with_the_browser_where_code_page_932_differs) {
    for (std::string_view escaped : {
             "\xE3\x80\x9C", // wave dash U+301C, read back as U+FF5E
             "\xE2\x88\x92", // minus sign U+2212, read back as U+FF0D
             "\xC2\xA2",     // cent sign, read back as U+FFE0
             "\xC2\xA3",     // pound sign, read back as U+FFE1
             "\xC2\xAC",     // not sign, read back as U+FFE2
             "\xC2\xA5",     // yen sign, written as '\'
             "\xE2\x80\xBE", // overline U+203E, written as '~'
             "\xE2\x80\x94", // em dash U+2014, read back as U+2015
             "\xE2\x80\x96", // double vertical line U+2016, read back as U+2225
         })
        EXPECT_EQ(link(escaped), all_escaped(escaped));
    EXPECT_EQ(link("\xEF\xBD\x9E"), "\x81\x60"); // fullwidth tilde U+FF5E
    EXPECT_EQ(link("\xEF\xBC\x8D"), "\x81\x7C"); // fullwidth minus U+FF0D
    EXPECT_EQ(link("\xEF\xBF\xA0\xEF\xBF\xA1\xEF\xBF\xA2"), "\x81\x91\x81\x92\x81\xCA");
    EXPECT_EQ(link("\xE2\x80\x95"), "\x81\x5C"); // horizontal bar U+2015
    EXPECT_EQ(link("\xE2\x88\xA5"), "\x81\x61"); // parallel to U+2225
    // glibc drops tag characters without a word: the round trip finds them missing.
    EXPECT_EQ(link("x\xF3\xA0\x81\x81"), "x%F3%A0%81%81");
}

TEST(link_name, escapes_all_of_a_name_that_would_mix_shift_jis_and_escapes) {
    EXPECT_EQ(link("\xE8\x8A\xB1\xE7\x81\xAB#1"), "%E8%8A%B1%E7%81%AB%231");
    EXPECT_EQ(link("\xE8\x8A\xB1\xE7\x81\xAB \xC3\xA9"), "%E8%8A%B1%E7%81%AB%20%C3%A9");
    EXPECT_EQ(link(" \xE8\x8A\xB1"), "%20%E8%8A%B1");
    EXPECT_EQ(link("\xE8\x8A\xB1 "), "%E8%8A%B1%20");
    EXPECT_EQ(link("\xE8\xA1\xA8\\"), "%E8%A1%A8%5C");
    EXPECT_EQ(link("\xE8\x8A\xB1%20"), "%E8%8A%B1%2520");
    EXPECT_EQ(link("\xE8\x8A\xB1\xE3\x80\x9C"), "%E8%8A%B1%E3%80%9C");
    // Characters that Shift-JIS cannot hold at all.
    EXPECT_EQ(link("caf\xC3\xA9"), "caf%C3%A9");
    EXPECT_EQ(link("\xF0\x9F\x98\x80"), "%F0%9F%98%80");
    EXPECT_EQ(link("\xED\x95\x9C\xEA\xB8\x80"), "%ED%95%9C%EA%B8%80");
}

TEST(link_name, escapes_every_byte_of_a_name_that_is_not_utf8) {
    // Shift-JIS and EUC-JP names on a UTF-8 system; a 0x5C after an escaped lead byte would
    // stand alone as a backslash, so it is escaped as well.
    EXPECT_EQ(link("\x95\x5C"), "%95%5C");
    EXPECT_EQ(link("\x83\x5C 1"), "%83%5C%201");
    EXPECT_EQ(link("\xB2\xD6\xB2\xD0"), "%B2%D6%B2%D0");
    EXPECT_EQ(link("\xC0\xAF"), "%C0%AF");               // overlong '/'
    EXPECT_EQ(link("\xE0\x80\xAF"), "%E0%80%AF");        // overlong '/'
    EXPECT_EQ(link("\xED\xA0\x80"), "%ED%A0%80");        // surrogate U+D800
    EXPECT_EQ(link("\xF4\x90\x80\x80"), "%F4%90%80%80"); // past U+10FFFF
    EXPECT_EQ(link("\xE8\x8A"), "%E8%8A");               // cut short
    EXPECT_EQ(link("\x80"
                   "a"),
              "%80a");                                   // continuation alone
    EXPECT_EQ(link("\xE8\x8A\xB1\xFF"), "%E8%8A%B1%FF"); // no UTF-8 byte
}

TEST(link_name, escapes_every_byte_above_0x7f_in_another_locale_charset) {
    bool const shift_jis_locale = names_may_be_utf8("SHIFT_JIS");
    EXPECT_EQ(link_name("\x95\x5C", shift_jis_locale), "%95%5C");
    EXPECT_EQ(link_name("\x83\x5C 1", shift_jis_locale), "%83%5C%201");
    EXPECT_EQ(link_name("\xE8\x8A\xB1\xE7\x81\xAB", shift_jis_locale), "%E8%8A%B1%E7%81%AB");
    EXPECT_EQ(link_name("100% zoom", shift_jis_locale), "100%25%20zoom");
    EXPECT_EQ(link_name("caf\xE9", names_may_be_utf8("ISO-8859-1")), "caf%E9");
}

// Every character that a name could hold: its link is either its Shift-JIS bytes (one lead
// byte and at most one more, or a half-width katakana byte) or the ASCII of its bytes escaped.
TEST(link_name, writes_every_character_as_shift_jis_bytes_or_escapes) {
    int shift_jis = 0;
    for (std::uint32_t character = 0x80; character <= 0x10FFFF; ++character) {
        if (character >= 0xD800 && character <= 0xDFFF) continue;
        std::string const name = utf8(character);
        std::string const got = link(name);
        if (got == all_escaped(name)) continue;
        ++shift_jis;
        unsigned char const lead = static_cast<unsigned char>(got[0]);
        bool const single = lead >= 0xA1 && lead <= 0xDF;
        ASSERT_EQ(got.size(), single ? 1u : 2u) << std::hex << character;
        ASSERT_TRUE(single || (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))
            << std::hex << character;
        if (!single) {
            ASSERT_GE(static_cast<unsigned char>(got[1]), 0x40) << std::hex << character;
        }
    }
    // Code page 932 holds some 9,300 characters beyond ASCII; all but a few make the round trip.
    EXPECT_GT(shift_jis, 9000);
}

TEST(link_name, gives_each_thread_the_same_names) {
    std::vector<std::string> const names = {"\xE8\x8A\xB1\xE7\x81\xAB",
                                            "\xE3\x80\x9C",
                                            "caf\xC3\xA9",
                                            "\xE8\xA1\xA8",
                                            "a#b",
                                            "\x95\x5C"};
    std::vector<std::string> expected;
    for (std::string const& name : names) expected.push_back(link(name));
    std::vector<int> mismatches(4);
    {
        std::vector<std::jthread> threads;
        for (int& count : mismatches)
            threads.emplace_back([&names, &expected, &count] {
                for (int round = 0; round < 2000; ++round)
                    for (std::size_t at = 0; at < names.size(); ++at)
                        count += link(names[at]) != expected[at];
            });
    }
    for (int count : mismatches) EXPECT_EQ(count, 0);
}

TEST(shown_in_page,
     reads_each_name_in_its_locale_and_writes_what_shift_jis_cannot_hold_as_references) {
    // Japanese in UTF-8: in Shift-JIS; a letter Shift-JIS lacks: a character reference.
    EXPECT_EQ(shown_in_page("\xE8\x8A\xB1\xE7\x81\xAB #1", "UTF-8"), "\x89\xD4\x89\xCE #1");
    EXPECT_EQ(shown_in_page("caf\xC3\xA9 & <tea>", "UTF-8"), "caf&#xE9; &amp; &lt;tea&gt;");
    EXPECT_EQ(shown_in_page("\xE3\x80\x9C\xE6\xB3\xA2", "ANSI_X3.4-1968"), "&#x301C;\x94\x67");
    // Shift-JIS bytes in a Shift-JIS locale are the same characters; in a UTF-8 one, no
    // characters at all.
    EXPECT_EQ(shown_in_page("\x95\x5C", "SHIFT_JIS"), "\x95\x5C");
    EXPECT_EQ(shown_in_page("\x95\x5C", "UTF-8"), "&#xFFFD;\\");
    EXPECT_EQ(shown_in_page("\xE9t\xE9", "ISO-8859-1"), "&#xE9;t&#xE9;");
}
