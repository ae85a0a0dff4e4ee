#include "making/removing.h"

#include "layout/layout.h"
#include "system/system.h"

#include <algorithm>
#include <cerrno>

namespace {

void forget(removal const& done, gallery_state& state) {
    switch (done.done) {
    case removal::then::forget_picture:
        state.forget_picture(done.source);
        break;
    case removal::then::forget_companion:
        state.forget_companion(done.source);
        break;
    case removal::then::forget_album:
        state.forget_album(done.source);
        break;
    case removal::then::nothing:
        break;
    }
}

} // namespace

void remove_files(std::vector<removal> const& removals, std::string const& gallery,
                  gallery_state& state, std::function<void(std::string const&)> const& tell) {
    // The albums whose files stay: what lies in them stays too, so that no index of theirs is
    // left showing a page that went.
    std::vector<std::string> kept_albums;
    auto const in_kept_album = [&](std::string const& source) {
        return std::any_of(kept_albums.begin(), kept_albums.end(), [&](std::string const& album) {
            return album.empty() || source.starts_with(album + "/");
        });
    };
    for (removal const& files : removals) {
        if (in_kept_album(files.source)) continue;
        bool removed = true;
        for (std::string const& file : files.files) {
            std::string const path = layout::in(gallery, file);
            if (int const status = os::remove_file(path); status != 0) {
                tell(path + ": cannot remove it: " + os::error_text(status));
                removed = false;
                break;
            }
        }
        if (!removed) {
            if (files.done == removal::then::forget_album) kept_albums.push_back(files.source);
            continue;
        }
        forget(files, state);
        // A folder that still holds a file of the user's stays, and is no failure.
        for (std::string const& folder : files.folders) {
            std::string const path = layout::in(gallery, folder);
            if (int const status = os::remove_empty_folder(path);
                status != 0 && status != ENOTEMPTY && status != EEXIST)
                tell(path + ": cannot remove it: " + os::error_text(status));
        }
    }
}
