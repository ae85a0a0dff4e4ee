#include "source/names.h"

#include "layout/layout.h"
#include "name_buffer.h"

#include <algorithm>

namespace {

// The longest name whose page NAME.html still fits the 255 bytes that file systems allow.
constexpr std::size_t longest_name = 250;

// The longest link name that fits an entry of pixfold's list (t/LINK.jpg, t/LINK/index.jpg):
// each list line, without its line end, goes into one of pixfold's name buffers, with its
// terminating zero.
std::size_t longest_link(void (*append_entry)(std::string&, std::string_view)) {
    std::string entry;
    append_entry(entry, "");
    return name_buffer_size - entry.size();
}

} // namespace

source_file source_file_of(std::string_view file) {
    struct suffix {
        std::string_view text; // lower case
        source_kind kind;
        int preference;
    };
    static constexpr suffix suffixes[] = {
        {".jpg", source_kind::picture, 0},  {".jpeg", source_kind::picture, 0},
        {".heic", source_kind::picture, 1}, {".heif", source_kind::picture, 1},
        {".hif", source_kind::picture, 1},  {".avif", source_kind::picture, 2},
        {".png", source_kind::picture, 3},  {".webp", source_kind::picture, 4},
        {".tif", source_kind::picture, 5},  {".tiff", source_kind::picture, 5},
        {".gif", source_kind::picture, 6},  {".mov", source_kind::video, 0},
        {".mp4", source_kind::video, 0},    {".m4v", source_kind::video, 0},
        {".3gp", source_kind::video, 0},    {".avi", source_kind::video, 0},
        {".mkv", source_kind::video, 0},    {".webm", source_kind::video, 0},
        {".dng", source_kind::raw, 0},      {".cr2", source_kind::raw, 0},
        {".cr3", source_kind::raw, 0},      {".nef", source_kind::raw, 0},
        {".arw", source_kind::raw, 0},      {".raf", source_kind::raw, 0},
        {".orf", source_kind::raw, 0},      {".rw2", source_kind::raw, 0},
    };
    std::size_t const dot = file.rfind('.');
    if (file.empty() || file.front() == '.' || dot == std::string_view::npos || dot == 0) return {};
    std::string_view const suffix_of_file = file.substr(dot);
    for (suffix const& each : suffixes) {
        if (each.text.size() != suffix_of_file.size() ||
            !std::equal(each.text.begin(), each.text.end(), suffix_of_file.begin(),
                        [](char lower, char c) {
                            return lower == (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                        }))
            continue;
        return {each.kind, file.substr(0, dot), each.preference};
    }
    return {};
}

std::string_view picture_name(std::string_view file, bool any_format) {
    source_file const found = source_file_of(file);
    if (found.kind != source_kind::picture || (!any_format && !file.ends_with(".jpg"))) return {};
    return found.stem;
}

std::string picture_name_of(std::string_view source) {
    std::size_t const slash = source.rfind('/');
    return std::string(
        picture_name(slash == std::string_view::npos ? source : source.substr(slash + 1), true));
}

std::string refusal(std::string_view name, std::string_view link) {
    if (name == "index") return "the page of this picture would replace index.html";
    if (name.size() > longest_name)
        return "the name is longer than " + std::to_string(longest_name) +
               " bytes, too long for the file name of its page";
    if (std::size_t const longest = longest_link(layout::append_picture_entry);
        link.size() > longest)
        return "the name, written for its links, is longer than the " + std::to_string(longest) +
               " bytes that pixfold takes";
    return {};
}

std::string album_link_refusal(std::string_view link) {
    if (std::size_t const longest = longest_link(layout::append_album_entry); link.size() > longest)
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
