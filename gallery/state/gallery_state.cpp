#include "state/gallery_state.h"

#include "layout/layout.h"
#include "source/names.h"
#include "state/earlier_version.h"
#include "state/manifest.h"
#include "state/whole_files.h"
#include "system/system.h"

#include <cerrno>
#include <utility>

gallery_state::gallery_state(std::string gallery, teller tell)
    : gallery_(std::move(gallery)), tell_(std::move(tell)) {}

std::string gallery_state::path(std::string_view relative) const {
    return layout::in(gallery_, relative);
}

bool gallery_state::fail(std::string const& message) {
    tell_(message);
    return false;
}

// One that is not there is empty. A gallery whose state cannot be read is not touched.
bool gallery_state::read_file(std::string const& path, std::string& bytes, bool& found) {
    int const status = os::read_file(path, bytes);
    found = status == 0;
    return status == 0 || status == ENOENT ||
           fail(path + ": cannot read it: " + os::error_text(status));
}

bool gallery_state::open() {
    std::string const state = path(layout::state);
    if (int const status = os::make_folder(state); status != 0)
        return fail(gallery_ + ": cannot write in this folder: " + os::error_text(status));
    if (int const status = os::lock_folder(state); status != 0)
        return fail(status == EWOULDBLOCK
                        ? gallery_ + ": another pixfold-gallery is writing this gallery"
                        : state + ": cannot lock it: " + os::error_text(status));
    // What an interrupted run left in the work folder is only ever half made.
    std::string const work = path(layout::work());
    if (int const status = os::remove_tree(work); status != 0)
        return fail(work + ": cannot remove it: " + os::error_text(status));
    work_folder_made_ = true;
    // The size headers of the top album are there even for an empty gallery, whose index
    // pixfold writes in that folder.
    for (std::string const& folder :
         {layout::work(), layout::sizes(""), layout::thumbnail_sizes("")})
        if (int const status = os::make_folder(path(folder)); status != 0)
            return fail(path(folder) + ": cannot make this folder: " + os::error_text(status));

    std::string manifest_bytes, journal_bytes;
    bool manifest_found = false;
    if (!read_file(path(layout::manifest()), manifest_bytes, manifest_found) ||
        !read_file(path(layout::journal()), journal_bytes, interrupted_))
        return false;
    records_read read = read_manifest(manifest_bytes, journal_bytes);
    records_ = std::move(read.records);
    pictures_from_journal_ = std::move(read.pictures_from_journal);
    albums_from_journal_ = std::move(read.albums_from_journal);
    changed_ = interrupted_ || read.outdated;
    if (read.outdated) {
        take_over_earlier_version(records_, gallery_);
        commit(true);
    }
    return true;
}

bool gallery_state::close() {
    if (!work_folder_made_) return true;
    std::string const work = path(layout::work());
    if (int const status = os::remove_tree(work); status != 0)
        return fail(work + ": cannot remove it: " + os::error_text(status));
    return true;
}

// Whether every file that a run which did not end may have left is whole. An empty file never
// is: a power cut can leave a file renamed into place empty on the disk. A file that the run
// wrote (one newer than the last manifest, or of a picture in its journal) is read and checked
// whole by its kind, as the cut may have left it short.
bool gallery_state::whole(std::vector<std::string> const& files, gallery_files const& listed,
                          bool in_journal, file_stamp const* manifest) {
    std::string bytes;
    for (std::string const& file : files) {
        auto const found = listed.stamps.find(file);
        if (found == listed.stamps.end()) continue; // missing: the plan makes it again
        file_stamp const& stamp = found->second;
        if (stamp.size == 0) return false;
        bool const newer =
            manifest == nullptr ||
            std::pair(stamp.modified_seconds, stamp.modified_nanoseconds) >
                std::pair(manifest->modified_seconds, manifest->modified_nanoseconds);
        if ((in_journal || newer) &&
            (os::read_file(path(file), bytes) != 0 || !is_whole(file, bytes)))
            return false;
    }
    return true;
}

bool gallery_state::check_files(gallery_files const& files) {
    if (!interrupted_) return true;
    std::vector<folder_entry> state;
    std::string const state_folder = path(layout::state);
    if (int const status = os::list_folder(state_folder, state); status != 0 && status != ENOENT)
        return fail(state_folder + ": cannot read this folder: " + os::error_text(status));
    file_stamp const* manifest = nullptr;
    for (folder_entry const& entry : state)
        if (entry.name == layout::last_part(layout::manifest())) manifest = &entry.stamp;
    for (auto& [source, record] : records_.pictures) {
        std::string const name = picture_name_of(source);
        if (record.finished && !name.empty() &&
            !whole(files_of(layout::folder_of(source), name, record), files,
                   pictures_from_journal_.count(source) != 0, manifest))
            record.finished = false;
    }
    for (auto& [album, record] : records_.albums)
        if (record.finished && !whole(files_of(album, record), files,
                                      albums_from_journal_.count(album) != 0, manifest))
            record.finished = false;
    return true;
}

bool gallery_state::open_journal() {
    if (journal_on_disk_) return true;
    std::string const journal = path(layout::journal());
    int status = interrupted_ ? 0 : os::write_file(journal, "");
    if (status == 0) status = os::sync_file(journal);
    if (status == 0) status = os::sync_file(path(layout::state));
    if (status != 0) return fail(journal + ": cannot write it: " + os::error_text(status));
    journal_on_disk_ = true;
    return true;
}

std::string gallery_state::append(std::string const& line) {
    std::string const journal = path(layout::journal());
    if (int const status = os::append_file(journal, line); status != 0)
        return journal + ": cannot write it: " + os::error_text(status);
    return {};
}

std::string gallery_state::claim(std::string const& source, picture_record const& claim) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    std::string failure = append(picture_line(source, claim));
    if (failure.empty()) {
        records_.pictures[source] = claim;
        changed_ = true;
    }
    return failure;
}

std::string gallery_state::record(std::string const& source, picture_record const& made) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    picture_record& record = records_.pictures[source];
    // A companion that was to go but is not removed yet is still the gallery's.
    bool const companion_left = record.companion;
    record = made;
    record.companion |= companion_left;
    changed_ = true;
    // Unwritten, the line costs an interrupted run only the making of the picture again.
    return append(picture_line(source, made));
}

std::string gallery_state::record_page(std::string const& source, std::uint64_t page_key) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    auto const record = records_.pictures.find(source);
    if (record == records_.pictures.end()) return source + ": no record of its picture";
    record->second.page_key = page_key;
    changed_ = true;
    return append(picture_line(source, record->second));
}

std::string gallery_state::claim_album(std::string const& path, album_record const& claim) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    std::string failure = append(album_line(path, claim));
    if (failure.empty()) {
        records_.albums[path] = claim;
        changed_ = true;
    }
    return failure;
}

std::string gallery_state::record_album(std::string const& path, album_record const& made) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    records_.albums[path] = made;
    changed_ = true;
    return append(album_line(path, made));
}

void gallery_state::keep_claim(std::string const& source, picture_record const& claim) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    records_.pictures[source] = claim;
    changed_ = true;
}

void gallery_state::keep_album_claim(std::string const& path, album_record const& claim) {
    std::lock_guard<std::mutex> const hold(journal_lock_);
    records_.albums[path] = claim;
    changed_ = true;
}

void gallery_state::forget_picture(std::string const& source) {
    records_.pictures.erase(source);
    changed_ = true;
}

void gallery_state::forget_companion(std::string const& source) {
    if (auto const record = records_.pictures.find(source); record != records_.pictures.end())
        record->second.companion = false;
    changed_ = true;
}

void gallery_state::forget_album(std::string const& path) {
    records_.albums.erase(path);
    changed_ = true;
}

bool gallery_state::commit(bool indexes_current) {
    std::string const made = path(layout::new_manifest());
    std::string const manifest = path(layout::manifest());
    int status = os::sync_file_system(gallery_);
    if (status == 0) status = os::write_file(made, manifest_text(records_));
    if (status == 0) status = os::sync_file(made);
    if (status == 0) status = os::rename_file(made, manifest);
    if (status == 0) status = os::sync_file(path(layout::state));
    if (status != 0) return fail(manifest + ": cannot write it: " + os::error_text(status));
    std::string const journal = path(layout::journal());
    if (indexes_current) {
        if (status = os::remove_file(journal); status != 0)
            return fail(journal + ": cannot remove it: " + os::error_text(status));
    } else if (status = os::write_file(journal, ""); status != 0) {
        return fail(journal + ": cannot write it: " + os::error_text(status));
    }
    return true;
}
