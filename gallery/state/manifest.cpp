#include "state/manifest.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view first_line = "pixfold-gallery manifest 3\n";
// The version before, whose lines do not say when each picture was taken.
constexpr std::string_view first_line_of_version_2 = "pixfold-gallery manifest 2\n";
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

// Reads the next space-separated hexadecimal key; false when there is none.
bool read_key(std::string_view& text, std::uint64_t& key) {
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), key, 16);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return true;
}

std::string key_text(std::uint64_t key) {
    char digits[16];
    auto const end = std::to_chars(digits, digits + sizeof digits, key, 16).ptr;
    return std::string(digits, end);
}

// The flags at the end of the fields: '-' for none, else 'c' (a companion) and 'p' (a claim).
bool read_flags(std::string_view flags, bool* companion, bool& finished) {
    if (flags == "-") return true;
    if (flags.empty()) return false;
    for (char flag : flags) {
        if (flag == 'c' && companion != nullptr) {
            *companion = true;
        } else if (flag == 'p') {
            finished = false;
        } else {
            return false;
        }
    }
    return true;
}

std::string flags_text(bool companion, bool finished) {
    std::string flags;
    if (companion) flags += 'c';
    if (!finished) flags += 'p';
    return flags.empty() ? "-" : flags;
}

// When a picture was taken: '-' for no time, '?' for a time not read yet, else the seconds, '.'
// and nine digits.
bool read_taken(std::string_view& text, std::optional<moment>& taken, bool& dated) {
    if (text.starts_with("- ") || text.starts_with("? ")) {
        dated = text[0] == '-';
        text.remove_prefix(2);
        taken.reset();
        return true;
    }
    moment read;
    auto const [dot, error] = std::from_chars(text.data(), text.data() + text.size(), read.seconds);
    std::string_view fraction = text.substr(static_cast<std::size_t>(dot - text.data()));
    if (error != std::errc() || fraction.size() < 11 || fraction[0] != '.' || fraction[10] != ' ')
        return false;
    auto const [end, fraction_error] =
        std::from_chars(fraction.data() + 1, fraction.data() + 10, read.nanoseconds);
    if (fraction_error != std::errc() || end != fraction.data() + 10 || read.nanoseconds < 0)
        return false;
    text = fraction.substr(11);
    taken = read;
    return true;
}

std::string taken_text(std::optional<moment> const& taken, bool dated) {
    if (!dated) return "?";
    if (!taken) return "-";
    char nanoseconds[16];
    std::snprintf(nanoseconds, sizeof nanoseconds, ".%09d", static_cast<int>(taken->nanoseconds));
    return std::to_string(taken->seconds) + nanoseconds;
}

bool read_picture_fields(std::string_view fields, picture_record& picture, int version) {
    picture.dated = version >= 3;
    if (!read_number(fields, picture.stamp.size) ||
        !read_number(fields, picture.stamp.modified_seconds) ||
        !read_number(fields, picture.stamp.modified_nanoseconds) ||
        !read_number(fields, picture.web_box) || !read_number(fields, picture.thumbnail_box))
        return false;
    if (version == 1) {
        picture.companion = fields == "c";
        return fields == "-" || fields == "c";
    }
    return read_number(fields, picture.shown.width) && read_number(fields, picture.shown.height) &&
           read_number(fields, picture.thumbnail.width) &&
           read_number(fields, picture.thumbnail.height) && read_key(fields, picture.page_key) &&
           (version < 3 || read_taken(fields, picture.taken, picture.dated)) &&
           read_flags(fields, &picture.companion, picture.finished);
}

// The link and the path after the fields, both escaped, each after a tab.
bool read_link_and_path(std::string_view rest, std::string& link, std::string& path) {
    std::size_t const tab = rest.find('\t');
    return tab != std::string_view::npos && unescaped(rest.substr(0, tab), link) &&
           unescaped(rest.substr(tab + 1), path);
}

// One line without its line end into the manifest: 'p' or 'a' and the fields of a picture or
// an album, a tab, the link and a tab and the path, both escaped. Version 1 has pictures only,
// their fields, a tab and the source as it is. Names the picture or album it read.
bool read_line(std::string_view line, int version, gallery_records& records, std::string& read,
               bool& album) {
    std::size_t const tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    std::string_view fields = line.substr(0, tab);
    std::string_view const rest = line.substr(tab + 1);
    album = false;
    if (version == 1) {
        picture_record picture;
        if (!read_picture_fields(fields, picture, 1) || rest.empty()) return false;
        read = rest;
        records.pictures[read] = std::move(picture);
        return true;
    }
    if (fields.starts_with("p ")) {
        picture_record picture;
        if (!read_picture_fields(fields.substr(2), picture, version) ||
            !read_link_and_path(rest, picture.link, read) || read.empty())
            return false;
        records.pictures[read] = std::move(picture);
        return true;
    }
    if (fields.starts_with("a ")) {
        fields.remove_prefix(2);
        album_record entry;
        if (!read_key(fields, entry.index_key) || !read_key(fields, entry.cover_key) ||
            !read_flags(fields, nullptr, entry.finished) ||
            !read_link_and_path(rest, entry.link, read))
            return false;
        records.albums[read] = std::move(entry);
        album = true;
        return true;
    }
    return false;
}

// Reads the lines of one text into the manifest, later lines replacing earlier ones, and notes
// what they were of.
void read_lines(std::string_view text, int version, gallery_records& records,
                std::set<std::string>* pictures_read = nullptr,
                std::set<std::string>* albums_read = nullptr) {
    while (!text.empty()) {
        std::size_t const end = text.find('\n');
        if (end == std::string_view::npos) return; // cut short: not a whole line
        std::string read;
        bool album = false;
        if (read_line(text.substr(0, end), version, records, read, album)) {
            std::set<std::string>* noted = album ? albums_read : pictures_read;
            if (noted != nullptr) noted->insert(read);
        }
        text.remove_prefix(end + 1);
    }
}

} // namespace

std::string picture_line(std::string const& source, picture_record const& record) {
    std::string line = "p ";
    for (std::int64_t number :
         {record.stamp.size, record.stamp.modified_seconds, record.stamp.modified_nanoseconds,
          std::int64_t{record.web_box}, std::int64_t{record.thumbnail_box},
          std::int64_t{record.shown.width}, std::int64_t{record.shown.height},
          std::int64_t{record.thumbnail.width}, std::int64_t{record.thumbnail.height}})
        line += std::to_string(number) + ' ';
    return line + key_text(record.page_key) + ' ' + taken_text(record.taken, record.dated) + ' ' +
           flags_text(record.companion, record.finished) + '\t' + escaped(record.link) + '\t' +
           escaped(source) + '\n';
}

std::string album_line(std::string const& path, album_record const& record) {
    return "a " + key_text(record.index_key) + ' ' + key_text(record.cover_key) + ' ' +
           flags_text(false, record.finished) + '\t' + escaped(record.link) + '\t' + escaped(path) +
           '\n';
}

records_read read_manifest(std::string const& manifest_text, std::string const& journal_text) {
    records_read result;
    std::string_view text = manifest_text;
    // A manifest of another format is no manifest: everything is made again, nothing removed.
    // The journal is always in the format of the manifest beside it, or of this version when
    // there is none.
    int version = 0;
    if (text.starts_with(first_line)) {
        version = 3;
        text.remove_prefix(first_line.size());
    } else if (text.starts_with(first_line_of_version_2)) {
        version = 2;
        text.remove_prefix(first_line_of_version_2.size());
    } else if (text.starts_with(first_line_of_version_1)) {
        version = 1;
        text.remove_prefix(first_line_of_version_1.size());
        result.outdated = true;
    } else if (text.empty()) {
        version = 3;
    }
    if (version != 0) {
        read_lines(text, version, result.records);
        read_lines(journal_text, version, result.records, &result.pictures_from_journal,
                   &result.albums_from_journal);
    }
    return result;
}

std::string manifest_text(gallery_records const& records) {
    std::string text(first_line);
    for (auto const& [path, album] : records.albums) text += album_line(path, album);
    for (auto const& [source, picture] : records.pictures) text += picture_line(source, picture);
    return text;
}
