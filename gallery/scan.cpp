#include "scan.h"

#include "link_names.h"
#include "names.h"

#include <algorithm>
#include <map>
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

} // namespace

scan_result scan_pictures(std::vector<folder_entry> const& entries, bool camera_suffixes,
                          bool names_may_be_utf8) {
    scan_result result;
    std::vector<folder_entry const*> files;
    for (folder_entry const& entry : entries)
        if (entry.kind == file_kind::file) files.push_back(&entry);
    // Byte order of the file names, so that of two files with one name the same one wins on
    // every machine, and notes come in the same order.
    std::sort(files.begin(), files.end(),
              [](folder_entry const* a, folder_entry const* b) { return a->name < b->name; });

    std::map<std::string, std::string> taken; // gallery name -> the file that has it
    for (folder_entry const* file : files) {
        std::string const name(picture_name(file->name, camera_suffixes));
        std::string const shown = printable(file->name);
        if (name.empty()) {
            if (!camera_suffixes && has_camera_suffix(file->name))
                result.notes.push_back("warning: " + shown +
                                       ": left out: a gallery in place takes only names ending "
                                       "in .jpg; pixfold-gallery SRC OUT takes this picture as "
                                       "well");
            continue;
        }
        std::string link = link_name(name, names_may_be_utf8);
        if (std::string const reason = refusal(name, link); !reason.empty()) {
            result.notes.push_back(shown + ": left out of the gallery: " + reason);
            ++result.left_out;
            continue;
        }
        if (auto const [other, added] = taken.emplace(name, file->name); !added) {
            result.notes.push_back(shown +
                                   ": left out of the gallery: " + printable(other->second) +
                                   " already makes " + printable(name) + ".jpg");
            ++result.left_out;
            continue;
        }
        result.pictures.push_back({file->name, name, std::move(link), file->stamp});
    }
    // The index lists the pictures in the byte order of NAME.jpg, as pixfold-gallery always has.
    std::sort(result.pictures.begin(), result.pictures.end(),
              [](picture const& a, picture const& b) { return before_in_index(a.name, b.name); });
    return result;
}
