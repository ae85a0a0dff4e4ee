#include "manifest.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view first_line = "pixfold-gallery manifest 1\n";

// Reads the next space-separated number; false when there is none.
template <typename number>
bool read_number(std::string_view& text, number& value) {
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return true;
}

// Reads the lines of one text into the manifest, later lines replacing earlier ones.
void read_lines(std::string_view text, manifest& made) {
    while (!text.empty()) {
        std::size_t const end = text.find('\n');
        if (end == std::string_view::npos) return; // cut short: not a whole line
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);

        std::size_t const tab = line.find('\t');
        if (tab == std::string_view::npos || tab + 1 == line.size()) continue;
        std::string_view fields = line.substr(0, tab);
        std::string const source(line.substr(tab + 1));
        made_picture picture;
        std::string_view flags;
        if (!read_number(fields, picture.stamp.size) ||
            !read_number(fields, picture.stamp.modified_seconds) ||
            !read_number(fields, picture.stamp.modified_nanoseconds) ||
            !read_number(fields, picture.web_box) || !read_number(fields, picture.thumbnail_box))
            continue;
        flags = fields;
        if (flags != "-" && flags != "c") continue;
        picture.companion = flags == "c";
        made[source] = picture;
    }
}

} // namespace

std::string manifest_line(std::string const& source, made_picture const& made) {
    return std::to_string(made.stamp.size) + ' ' + std::to_string(made.stamp.modified_seconds) +
           ' ' + std::to_string(made.stamp.modified_nanoseconds) + ' ' +
           std::to_string(made.web_box) + ' ' + std::to_string(made.thumbnail_box) + ' ' +
           (made.companion ? 'c' : '-') + '\t' + source + '\n';
}

manifest read_manifest(std::string const& manifest_text, std::string const& journal_text) {
    manifest made;
    std::string_view text = manifest_text;
    // A manifest of another format is no manifest: everything is made again, nothing removed.
    if (text.substr(0, first_line.size()) == first_line) {
        text.remove_prefix(first_line.size());
        read_lines(text, made);
        read_lines(journal_text, made);
    } else if (manifest_text.empty()) {
        read_lines(journal_text, made);
    }
    return made;
}

std::string manifest_text(manifest const& made) {
    std::string text(first_line);
    for (auto const& [source, picture] : made) text += manifest_line(source, picture);
    return text;
}
