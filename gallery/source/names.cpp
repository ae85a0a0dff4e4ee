#include "source/names.h"

#include "layout/layout.h"
#include "name_buffer.h"

namespace {

// The longest name whose page NAME.html still fits the 255 bytes that file systems allow.
constexpr std::size_t longest_name = 250;

// The longest link name that fits an entry of pixfold's list (t/LINK.jpg, t/LINK/index.jpg):
// each list line goes into one of pixfold's name buffers, with its terminating zero.
std::size_t longest_link(std::string const& entry_without_link) {
    return name_buffer_size - 1 - entry_without_link.size();
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

std::string picture_name_of(std::string_view source) {
    std::size_t const slash = source.rfind('/');
    return std::string(
        picture_name(slash == std::string_view::npos ? source : source.substr(slash + 1), true));
}

bool has_camera_suffix(std::string_view file) {
    return picture_name(file, true).size() != 0 && picture_name(file, false).size() == 0;
}

std::string refusal(std::string_view name, std::string_view link) {
    if (name == "index") return "the page of this picture would replace index.html";
    if (name.size() > longest_name)
        return "the name is longer than " + std::to_string(longest_name) +
               " bytes, too long for the file name of its page";
    if (std::size_t const longest = longest_link(layout::picture_entry("")); link.size() > longest)
        return "the name, written for its links, is longer than the " + std::to_string(longest) +
               " bytes that pixfold takes";
    return {};
}

std::string album_link_refusal(std::string_view link) {
    if (std::size_t const longest = longest_link(layout::album_entry("")); link.size() > longest)
        return "the name, written for its links, is longer than the " + std::to_string(longest) +
               " bytes that pixfold takes for an album";
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
