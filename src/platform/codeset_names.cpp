#include "platform/codeset_names.h"

namespace {

struct codeset_code_page {
    char const* codeset;
    unsigned code_page;
};

constexpr codeset_code_page double_byte_codesets[] = {
    {"SHIFT_JIS", 932},   {"SJIS", 932},           {"CP932", 932},
    {"WINDOWS-31J", 932}, {"SHIFT_JISX0213", 932}, {"GBK", 936},
    {"GB2312", 936},      {"GB18030", 936},        {"CP936", 936},
    {"EUC-CN", 936},      {"EUC-KR", 949},         {"CP949", 949},
    {"UHC", 949},         {"BIG5", 950},           {"BIG5-HKSCS", 950},
    {"CP950", 950},       {"JOHAB", 1361},         {"CP1361", 1361},
};

char upper(char letter) {
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

bool same_name(char const* name, char const* upper_case_name) {
    for (; *name != '\0' && upper(*name) == *upper_case_name; ++name, ++upper_case_name) {
    }
    return *name == '\0' && *upper_case_name == '\0';
}

} // namespace

unsigned code_page_of_codeset(char const* codeset) {
    for (auto const& known : double_byte_codesets)
        if (same_name(codeset, known.codeset)) return known.code_page;
    // In UTF-8 a '.' byte never stands inside a character, so no byte leads one here.
    if (same_name(codeset, "UTF-8")) return 65001;
    return 1252;
}
