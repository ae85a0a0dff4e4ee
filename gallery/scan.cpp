#include "scan.h"

#include "names.h"

#include <algorithm>
#include <map>

scan_result scan_pictures(std::vector<folder_entry> const& entries, bool camera_suffixes,
                          bool names_are_shift_jis, std::string const& charset) {
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
        if (std::string const reason = refusal(name); !reason.empty()) {
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
        for (std::string const& warning : name_warnings(name, names_are_shift_jis, charset))
            result.notes.push_back("warning: " + shown + ": " + warning);
        result.pictures.push_back({file->name, name, file->stamp});
    }
    // The index lists the lines t/NAME.jpg in byte order, as pixfold-gallery always has.
    std::sort(result.pictures.begin(), result.pictures.end(),
              [](picture const& a, picture const& b) { return a.name + ".jpg" < b.name + ".jpg"; });
    return result;
}
