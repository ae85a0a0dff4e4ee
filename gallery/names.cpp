#include "names.h"

namespace {

// The longest name whose page NAME.html still fits the 255 bytes that file systems allow.
constexpr std::size_t longest_name = 250;
// The longest link name that pixfold takes: its list line t/LINK.jpg fits its 259-byte names.
constexpr std::size_t longest_link = 253;

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

std::string refusal(std::string_view name, std::string_view link) {
    if (name == "index") return "the page of this picture would replace index.html";
    if (name.size() > longest_name)
        return "the name is longer than " + std::to_string(longest_name) +
               " bytes, too long for the file name of its page";
    if (link.size() > longest_link)
        return "the name, written for its links, is longer than the " +
               std::to_string(longest_link) + " bytes that pixfold takes";
    return {};
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
