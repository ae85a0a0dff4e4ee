#include "names.h"

#include "platform/codeset_names.h"

#include <string>

namespace {

// The longest name whose page NAME.html still fits the 255 bytes that file systems allow.
constexpr std::size_t longest_name = 250;

bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_ascii_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_hex_digit(char c) {
    return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Shift-JIS lead bytes: the byte after one belongs to the same character, whatever its value.
bool is_shift_jis_lead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Whether a backslash stands in the name as a character of its own, not as the second byte of
// a Shift-JIS character, which a browser reading the page as Shift-JIS takes with its first.
bool has_backslash(std::string_view name, bool names_are_shift_jis) {
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (name[at] == '\\') return true;
        if (names_are_shift_jis && is_shift_jis_lead(static_cast<unsigned char>(name[at]))) ++at;
    }
    return false;
}

} // namespace

std::string_view picture_name(std::string_view file, bool camera_suffixes) {
    if (file.empty() || file.front() == '.') return {};
    std::string_view suffix;
    if (file.ends_with(".jpg")) {
        suffix = ".jpg";
    } else if (camera_suffixes) {
        for (std::string_view camera : {".JPG", ".jpeg", ".JPEG"})
            if (file.ends_with(camera)) suffix = camera;
    }
    if (suffix.empty() || file.size() == suffix.size()) return {};
    return file.substr(0, file.size() - suffix.size());
}

bool has_camera_suffix(std::string_view file) {
    return picture_name(file, true).size() != 0 && picture_name(file, false).size() == 0;
}

bool reads_as_url_with_scheme(std::string_view name) {
    // A browser first drops leading spaces and control bytes, and tabs and line breaks anywhere.
    std::size_t at = 0;
    while (at < name.size() && static_cast<unsigned char>(name[at]) <= 0x20) ++at;
    bool first = true;
    for (; at < name.size(); ++at) {
        char const c = name[at];
        if (c == '\t' || c == '\n' || c == '\r') continue;
        if (first) {
            if (!is_ascii_letter(c)) return false;
            first = false;
            continue;
        }
        if (c == ':') return true;
        if (!is_ascii_letter(c) && !is_ascii_digit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

std::string refusal(std::string_view name) {
    if (name.find('\n') != std::string_view::npos)
        return "a name holding a line break cannot stand in the list of pictures";
    if (name.find('\x1A') != std::string_view::npos)
        return "a name holding a Ctrl-Z byte would end the list of pictures early";
    if (name == "index") return "the page of this picture would replace index.html";
    if (reads_as_url_with_scheme(name)) {
        std::string_view const scheme = name.substr(0, name.find(':'));
        return "a browser reads the link to its page as a URL of the scheme \"" +
               std::string(scheme) + ":\", which can never reach the page and may run as script";
    }
    if (name.size() > longest_name)
        return "the name is longer than " + std::to_string(longest_name) +
               " bytes, too long for the file name of its page";
    return {};
}

std::vector<std::string> name_warnings(std::string_view name, bool names_are_shift_jis,
                                       std::string_view charset) {
    std::vector<std::string> warnings;
    if (name.find_first_of("#?") != std::string_view::npos)
        warnings.emplace_back("a browser reads \"#\" or \"?\" in a link as the end of the file "
                              "name, so the links and images of this picture miss their files");
    for (std::size_t at = 0; at + 2 < name.size(); ++at) {
        if (name[at] == '%' && is_hex_digit(name[at + 1]) && is_hex_digit(name[at + 2])) {
            warnings.emplace_back("a browser reads \"%\" and two hexadecimal digits in a link as "
                                  "an escaped byte, so the links of this picture reach another "
                                  "name");
            break;
        }
    }
    if (has_backslash(name, names_are_shift_jis))
        warnings.emplace_back("a browser reads \"\\\" in a link as \"/\", so the links and "
                              "images of this picture miss their files");
    bool non_ascii = false;
    for (char c : name) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
    if (!names_are_shift_jis && non_ascii)
        warnings.emplace_back("browsers read the pages as Shift-JIS, but this name is in the "
                              "locale character set " +
                              std::string(charset.empty() ? "unknown" : charset) +
                              ", so the links of this picture reach another name");
    return warnings;
}

bool is_shift_jis(std::string_view charset) {
    return code_page_of_codeset(std::string(charset).c_str()) == 932;
}

std::string printable(std::string_view name) {
    std::string text;
    for (char c : name) {
        unsigned char const byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else {
            char const digits[] = "0123456789ABCDEF";
            text += "\\x";
            text += digits[byte >> 4];
            text += digits[byte & 0xF];
        }
    }
    return text;
}
