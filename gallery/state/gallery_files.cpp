#include "state/gallery_files.h"

#include "layout/layout.h"
#include "system/system.h"

#include <cerrno>

bool list_gallery_files(scan_result const& scanned, std::string const& gallery,
                        std::vector<folder_entry> const* top_entries, bool stamped,
                        gallery_files& files, std::string& failure) {
    // A picture has four files (its page, web-size copy, thumbnail and size header) and an album
    // a few: room for them all at once spares the set its rehashing as it grows.
    files.paths.reserve(scanned.pictures.size() * 4 + scanned.albums.size() * 8);
    auto const take = [&](std::vector<folder_entry> const& entries, std::string const& folder) {
        for (folder_entry const& entry : entries) {
            if (entry.kind != file_kind::file) continue;
            std::string path = folder.empty() ? entry.name : folder + "/" + entry.name;
            if (stamped) files.stamps[path] = entry.stamp;
            files.paths.insert(std::move(path));
        }
    };
    for (album const& each : scanned.albums) {
        std::vector<std::string> folders = {layout::thumbnail_folder(each.path),
                                            layout::thumbnail_sizes(each.path)};
        if (top_entries == nullptr || !each.path.empty())
            folders.push_back(each.path);
        else
            take(*top_entries, "");
        for (int below : each.albums) {
            album const& child = scanned.albums[static_cast<std::size_t>(below)];
            folders.push_back(layout::folder_of(layout::cover(each.path, child.name)));
            folders.push_back(layout::folder_of(layout::cover_size(each.path, child.link)));
        }
        for (std::string const& folder : folders) {
            std::vector<folder_entry> entries;
            std::string const path = layout::in(gallery, folder);
            int const status =
                stamped ? os::list_folder(path, entries) : os::list_names(path, entries);
            if (status != 0 && status != ENOENT) {
                failure = path + ": cannot read this folder: " + os::error_text(status);
                return false;
            }
            take(entries, folder);
        }
    }
    return true;
}
