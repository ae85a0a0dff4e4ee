#include "source/scan.h"

#include "layout/layout.h"
#include "source/link_names.h"
#include "source/names.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace {

// Whether NAME.jpg comes before OTHER.jpg in byte order, without making either string but
// where one name starts the other.
bool before_in_index(std::string_view name, std::string_view other) {
    std::size_t const common = std::min(name.size(), other.size());
    if (int const order = name.substr(0, common).compare(other.substr(0, common)); order != 0)
        return order < 0;
    if (name.size() == other.size()) return false;
    return std::string(name) + ".jpg" < std::string(other) + ".jpg";
}

std::string joined(std::string const& folder, std::string const& name) {
    return folder.empty() ? name : folder + "/" + name;
}

class walker {
  public:
    walker(scan_settings const& settings, folder_lister const& list, folder_filter const& skip)
        : settings_(settings), list_(list), skip_(skip) {}

    // Takes the entries of the album's folder apart: its pictures, and the albums below it.
    // False when neither it nor any folder below holds a picture.
    bool walk(int album_at, std::vector<folder_entry> entries) {
        // Byte order of the names, so that of two files with one name the same one wins on
        // every machine, and notes and albums come in the same order.
        std::sort(entries.begin(), entries.end(),
                  [](folder_entry const& a, folder_entry const& b) { return a.name < b.name; });
        std::set<std::string> files_made; // what the album's pictures make in its folder
        take_pictures(album_at, entries, files_made);
        for (folder_entry const& entry : entries)
            if (entry.kind == file_kind::folder) take_folder(album_at, entry, files_made);
        album const& taken = result.albums[static_cast<std::size_t>(album_at)];
        return !taken.pictures.empty() || !taken.albums.empty();
    }

    scan_result result;

  private:
    void note_left_out(std::string const& what, std::string const& reason) {
        result.notes.push_back(printable(what) + ": left out of the gallery: " + reason);
        ++result.left_out;
    }

    void take_pictures(int album_at, std::vector<folder_entry> const& entries,
                       std::set<std::string>& files_made) {
        album& here = result.albums[static_cast<std::size_t>(album_at)];
        std::string const folder = here.path;
        // Of every stem, the picture that it shows: the one of the format that comes first,
        // and of two in one format the first in byte order. Those refused take no stem.
        std::map<std::string_view, folder_entry const*> chosen;
        std::set<std::string_view> picture_stems;
        std::vector<std::string> videos, raws;
        for (folder_entry const& entry : entries) {
            if (entry.kind != file_kind::file) continue;
            if (entry.name == "stdheader.inc") here.has_header = true;
            if (entry.name == "stdfooter.inc") here.has_footer = true;
            source_file const file = source_file_of(entry.name);
            if (file.kind != source_kind::picture) continue;
            picture_stems.insert(file.stem);
            std::string_view const name = picture_name(entry.name, settings_.any_format);
            if (name.empty() ||
                !refusal(name, link_name(name, settings_.names_may_be_utf8)).empty())
                continue;
            auto const [first, added] = chosen.emplace(name, &entry);
            if (!added && file.preference < source_file_of(first->second->name).preference)
                first->second = &entry;
        }

        std::vector<picture> found;
        std::vector<std::string> not_in_place;
        for (folder_entry const& entry : entries) {
            if (entry.kind != file_kind::file) continue;
            std::string const source = joined(folder, entry.name);
            source_file const file = source_file_of(entry.name);
            if (file.kind == source_kind::video || file.kind == source_kind::raw) {
                // Beside its picture, a live photo's motion or the raw it was made from.
                if (picture_stems.count(file.stem) == 0)
                    (file.kind == source_kind::video ? videos : raws).push_back(source);
                continue;
            }
            std::string const name(picture_name(entry.name, settings_.any_format));
            if (name.empty()) {
                if (file.kind == source_kind::picture) not_in_place.push_back(source);
                continue;
            }
            std::string link = link_name(name, settings_.names_may_be_utf8);
            if (std::string const reason = refusal(name, link); !reason.empty()) {
                note_left_out(source, reason);
                continue;
            }
            folder_entry const& shown = *chosen.at(name);
            if (&shown != &entry) {
                std::string const why =
                    printable(shown.name) + " already makes " + printable(name) + ".jpg";
                if (source_file_of(shown.name).preference == file.preference)
                    note_left_out(source, why);
                else
                    result.notes.push_back("warning: " + printable(source) + ": not shown: " + why +
                                           ", and its format comes first");
                continue;
            }
            found.push_back({source, folder, album_at, name, std::move(link), entry.stamp});
        }
        note_all(folder, videos, "not shown: a video", "videos not shown");
        note_all(folder, raws, "not shown: a camera raw, which the image library cannot decode",
                 "camera raws not shown, which the image library cannot decode");
        note_all(folder, not_in_place,
                 "left out: a gallery in place takes only names ending in .jpg; pixfold-gallery "
                 "SRC OUT takes this picture as well",
                 "pictures left out: a gallery in place takes only names ending in .jpg; "
                 "pixfold-gallery SRC OUT takes them as well");
        std::sort(found.begin(), found.end(), [](picture const& a, picture const& b) {
            return before_in_index(a.name, b.name);
        });
        for (picture& item : found) {
            for (std::string& file : layout::names_in_album_folder(item.name))
                files_made.insert(std::move(file));
            result.albums[static_cast<std::size_t>(album_at)].pictures.push_back(
                static_cast<int>(result.pictures.size()));
            result.pictures.push_back(std::move(item));
        }
    }

    // Warns of files of the folder that the gallery does not show: each on a line of its own,
    // or, when there are many, their count and the first few.
    void note_all(std::string const& folder, std::vector<std::string> const& sources,
                  std::string const& why_one, std::string const& why_many) {
        constexpr std::size_t named = 4;
        if (sources.size() <= named) {
            for (std::string const& source : sources)
                result.notes.push_back("warning: " + printable(source) + ": " + why_one);
            return;
        }
        std::string note = "warning: " + (folder.empty() ? "" : printable(folder) + "/: ") +
                           std::to_string(sources.size()) + " " + why_many + ": ";
        for (std::size_t at = 0; at < named; ++at)
            note += printable(layout::last_part(sources[at])) + ", ";
        result.notes.push_back(note + "and " + std::to_string(sources.size() - named) + " more");
    }

    void take_folder(int parent, folder_entry const& entry,
                     std::set<std::string> const& files_made) {
        std::string const path =
            joined(result.albums[static_cast<std::size_t>(parent)].path, entry.name);
        // Hidden folders are no albums, as hidden files are no pictures.
        if (entry.name.front() == '.' || skip_(path)) return;
        if (entry.is_link) {
            result.notes.push_back("warning: " + printable(path) +
                                   "/: left out: a symbolic link to a folder");
            return;
        }
        // In place the gallery is one folder: what lies below is not looked at, only named.
        if (!settings_.albums) {
            in_place_folders.push_back(path);
            return;
        }
        std::vector<folder_entry> entries;
        if (std::string const failure = list_(path, entries); !failure.empty()) {
            note_left_out(path + "/", "cannot read this folder: " + failure);
            return;
        }
        std::size_t const albums_before = result.albums.size();
        std::size_t const pictures_before = result.pictures.size();
        int const album_at = static_cast<int>(albums_before);
        album taken;
        taken.path = path;
        taken.name = entry.name;
        taken.link = link_name(entry.name, settings_.names_may_be_utf8);
        taken.parent = parent;
        result.albums.push_back(std::move(taken));
        bool const holds_pictures = walk(album_at, std::move(entries));
        std::string const reason =
            holds_pictures
                ? album_refusal(entry.name, result.albums[albums_before].link, files_made)
                : "";
        if (!holds_pictures || !reason.empty()) {
            // Nothing of it stays.
            result.albums.resize(albums_before);
            result.pictures.resize(pictures_before);
            if (!reason.empty()) note_left_out(path + "/", reason);
            return;
        }
        result.albums[static_cast<std::size_t>(parent)].albums.push_back(album_at);
    }

    // Why a folder that holds pictures cannot be an album beside the files of its parent.
    static std::string album_refusal(std::string const& name, std::string const& link,
                                     std::set<std::string> const& files_made) {
        if (name == layout::thumbnails)
            return "an album " + name + " would share its folder with the thumbnails";
        if (name == layout::index("") || files_made.count(name) != 0)
            return "an album " + printable(name) +
                   " would take the place of a file of the album "
                   "above";
        return album_link_refusal(link);
    }

  public:
    std::vector<std::string> in_place_folders; // the folders left out in place

  private:
    scan_settings const& settings_;
    folder_lister const& list_;
    folder_filter const& skip_;
};

} // namespace

scan_result scan_pictures(std::vector<folder_entry> const& top_entries, std::string const& top_name,
                          scan_settings const& settings, folder_lister const& list,
                          folder_filter const& skip) {
    walker walk(settings, list, skip);
    album top;
    top.name = top_name;
    walk.result.albums.push_back(std::move(top));
    walk.walk(0, top_entries);
    for (std::string const& folder : walk.in_place_folders)
        walk.result.notes.push_back("warning: " + printable(folder) +
                                    "/: left out: a gallery in place is one folder; "
                                    "pixfold-gallery SRC OUT takes the folders below as albums");
    return std::move(walk.result);
}
