#include "manifest.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view first_line = "pixfold-gallery manifest 2\n";
// An earlier version's manifest: its lines end in the source name, unescaped, and its pages
// were written with the names as they are.
constexpr std::string_view first_line_of_version_1 = "pixfold-gallery manifest 1\n";

// Reads the next space-separated number; false when there is none.
template <typename number>
bool read_number(std::string_view& text, number& value) {
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return true;
}

// A name on one line of its own: a file name may hold any byte but '/' and the zero byte.
std::string escaped(std::string_view name) {
    std::string text;
    text.reserve(name.size());
    for (char c : name) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else {
            text += c;
        }
    }
    return text;
}

// The name back from its escaped form; false when the text is no such form.
bool unescaped(std::string_view text, std::string& name) {
    name.clear();
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            name += text[at];
            continue;
        }
        if (++at == text.size()) return false;
        switch (text[at]) {
        case '\\':
            name += '\\';
            break;
        case 'n':
            name += '\n';
            break;
        case 't':
            name += '\t';
            break;
        default:
            return false;
        }
    }
    return true;
}

// The numbers and flags at the start of a line.
bool read_fields(std::string_view fields, made_picture& picture, int version) {
    if (!read_number(fields, picture.stamp.size) ||
        !read_number(fields, picture.stamp.modified_seconds) ||
        !read_number(fields, picture.stamp.modified_nanoseconds) ||
        !read_number(fields, picture.web_box) || !read_number(fields, picture.thumbnail_box))
        return false;
    if (version == 1) {
        picture.companion = fields == "c";
        return fields == "-" || fields == "c";
    }
    if (fields.empty()) return false;
    if (fields == "-") return true;
    for (char flag : fields) {
        if (flag == 'c') {
            picture.companion = true;
        } else if (flag == 'p') {
            picture.finished = false;
        } else {
            return false;
        }
    }
    return true;
}

// One line without its line end: the fields, a tab, the link, a tab and the source, both
// escaped (version 1: the fields, a tab and the source as it is).
bool read_line(std::string_view line, int version, std::string& source, made_picture& picture) {
    std::size_t const tab = line.find('\t');
    if (tab == std::string_view::npos || !read_fields(line.substr(0, tab), picture, version))
        return false;
    std::string_view rest = line.substr(tab + 1);
    if (version == 1) {
        source = rest;
        return !source.empty();
    }
    std::size_t const second_tab = rest.find('\t');
    if (second_tab == std::string_view::npos) return false;
    return unescaped(rest.substr(0, second_tab), picture.link) &&
           unescaped(rest.substr(second_tab + 1), source) && !source.empty();
}

// Reads the lines of one text into the manifest, later lines replacing earlier ones, and notes
// the pictures whose lines it read.
void read_lines(std::string_view text, int version, manifest& made,
                std::set<std::string>* read = nullptr) {
    while (!text.empty()) {
        std::size_t const end = text.find('\n');
        if (end == std::string_view::npos) return; // cut short: not a whole line
        std::string source;
        made_picture picture;
        if (read_line(text.substr(0, end), version, source, picture)) {
            if (read != nullptr) read->insert(source);
            made[source] = std::move(picture);
        }
        text.remove_prefix(end + 1);
    }
}

} // namespace

std::string manifest_line(std::string const& source, made_picture const& made) {
    std::string flags;
    if (made.companion) flags += 'c';
    if (!made.finished) flags += 'p';
    if (flags.empty()) flags = "-";
    return std::to_string(made.stamp.size) + ' ' + std::to_string(made.stamp.modified_seconds) +
           ' ' + std::to_string(made.stamp.modified_nanoseconds) + ' ' +
           std::to_string(made.web_box) + ' ' + std::to_string(made.thumbnail_box) + ' ' + flags +
           '\t' + escaped(made.link) + '\t' + escaped(source) + '\n';
}

manifest_state read_manifest(std::string const& manifest_text, std::string const& journal_text) {
    manifest_state state;
    std::string_view text = manifest_text;
    // A manifest of another format is no manifest: everything is made again, nothing removed.
    // The journal is always in the format of the manifest beside it, or of this version when
    // there is none.
    int version = 0;
    if (text.starts_with(first_line)) {
        version = 2;
        text.remove_prefix(first_line.size());
    } else if (text.starts_with(first_line_of_version_1)) {
        version = 1;
        text.remove_prefix(first_line_of_version_1.size());
        state.outdated = true;
    } else if (text.empty()) {
        version = 2;
    }
    if (version != 0) {
        read_lines(text, version, state.made);
        read_lines(journal_text, version, state.made, &state.from_journal);
    }
    return state;
}

std::string manifest_text(manifest const& made) {
    std::string text(first_line);
    for (auto const& [source, picture] : made) text += manifest_line(source, picture);
    return text;
}
