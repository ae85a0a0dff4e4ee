#include "gallery.h"

#include "imaging.h"
#include "layout.h"
#include "link_names.h"
#include "make_picture.h"
#include "manifest.h"
#include "names.h"
#include "pixfold_runs.h"
#include "plan.h"
#include "runner.h"
#include "scan.h"
#include "status_line.h"
#include "system/system.h"
#include "whole_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <set>
#include <unordered_map>

namespace {

constexpr int failure_status = 2;

// One run over one gallery: what it knows, and how it has gone so far.
struct gallery_run {
    gallery_options const& options;
    std::string pixfold;
    manifest made;
    bool manifest_stale = false;
    bool folders_made = false;    // the work folder, to be removed at the end
    bool indexes_written = true;  // false when an index is stale and could not be written
    bool interrupted = false;     // the last run did not end: its journal is there
    bool journal_on_disk = false; // the journal is there, on the disk for certain
    std::set<std::string> pictures_from_journal{}, albums_from_journal{};
    // Of the files in the gallery's folders, after an interrupted run.
    std::unordered_map<std::string, file_stamp> stamps{};
    int status = 0;
    // How long each step took, for a benchmark that names a file in PIXFOLD_GALLERY_TIMINGS.
    std::string timings{};
    std::chrono::steady_clock::time_point step_started = std::chrono::steady_clock::now();

    std::string path(std::string_view relative) const {
        return layout::in(options.output, relative);
    }
    void fail(std::string const& message) {
        say(message);
        status = failure_status;
    }
    // Notes the time since the last step ended as the step's.
    void step_done(char const* step) {
        auto const now = std::chrono::steady_clock::now();
        timings += std::string(step) + ' ' +
                   std::to_string(std::chrono::duration<double>(now - step_started).count()) + '\n';
        step_started = now;
    }
    // Makes the folder of the gallery; false, having said why, when it cannot.
    bool make_folder(std::string const& relative) {
        std::string const folder = path(relative);
        if (int const status_of_make = os::make_folder(folder); status_of_make != 0) {
            fail(folder + ": cannot make this folder: " + os::error_text(status_of_make));
            return false;
        }
        return true;
    }
};

// Makes the output's folders and takes the gallery for this run. False, having said why, when
// the gallery cannot be written.
bool open_gallery(gallery_run& run) {
    gallery_options const& options = run.options;
    if (!options.in_place) {
        if (int const status = os::make_folder(options.output); status != 0) {
            run.fail(options.output + ": cannot make this folder: " + os::error_text(status));
            return false;
        }
        if (os::same_file(options.source, options.output)) {
            run.fail("SRC and OUT are one folder; for a gallery in place give only that folder");
            return false;
        }
    }
    std::string const state = run.path(layout::state);
    if (int const status = os::make_folder(state); status != 0) {
        run.fail(options.output + ": cannot write in this folder: " + os::error_text(status));
        return false;
    }
    if (int const status = os::lock_folder(state); status != 0) {
        if (status == EWOULDBLOCK)
            run.fail(options.output + ": another pixfold-gallery is writing this gallery");
        else
            run.fail(state + ": cannot lock it: " + os::error_text(status));
        return false;
    }
    // What an interrupted run left in the work folder is only ever half made.
    std::string const work = run.path(layout::work());
    if (int const status = os::remove_tree(work); status != 0) {
        run.fail(work + ": cannot remove it: " + os::error_text(status));
        return false;
    }
    run.folders_made = true;
    return run.make_folder(layout::work()) && run.make_folder(layout::sizes("")) &&
           run.make_folder(layout::thumbnail_sizes(""));
}

// The manifest in one rename, once everything that it records is on the disk: a power cut at
// any moment leaves the manifest of this run or of the last, and the files that it names
// whole. The journal has served then. A run that could not write an index leaves an empty
// journal, as an interrupted run would leave one, so the next run writes it.
void write_state(gallery_run& run) {
    std::string const made_manifest = run.path(layout::work()) + "/manifest";
    std::string const manifest = run.path(layout::manifest());
    int status = os::sync_file_system(run.options.output);
    if (status == 0) status = os::write_file(made_manifest, manifest_text(run.made));
    if (status == 0) status = os::sync_file(made_manifest);
    if (status == 0) status = os::rename_file(made_manifest, manifest);
    if (status == 0) status = os::sync_file(run.path(layout::state));
    if (status != 0) {
        run.fail(manifest + ": cannot write it: " + os::error_text(status));
        return;
    }
    std::string const journal = run.path(layout::journal());
    if (run.indexes_written) {
        if (status = os::remove_file(journal); status != 0)
            run.fail(journal + ": cannot remove it: " + os::error_text(status));
    } else if (status = os::write_file(journal, ""); status != 0) {
        run.fail(journal + ": cannot write it: " + os::error_text(status));
    }
}

// Reads a file of the gallery's state; one that is not there is empty. False, having said why,
// when it cannot be read: a gallery whose state is unknown is not touched.
bool read_state_file(gallery_run& run, std::string const& path, std::string& bytes, bool& found) {
    int const status = os::read_file(path, bytes);
    found = status == 0;
    if (status == 0 || status == ENOENT) return true;
    run.fail(path + ": cannot read it: " + os::error_text(status));
    return false;
}

// The size on the second line of a PPM header, or on the img line of a page, as pixfold
// writes them; false when there is none.
bool size_in(std::string const& bytes, std::string_view before, std::string_view between,
             int& width, int& height) {
    std::size_t const start = bytes.find(before);
    if (start == std::string::npos) return false;
    char const* text = bytes.c_str() + start + before.size();
    char* end = nullptr;
    long const read_width = std::strtol(text, &end, 10);
    if (end == text || std::string_view(end).substr(0, between.size()) != between) return false;
    text = end + between.size();
    long const read_height = std::strtol(text, &end, 10);
    if (end == text || read_width < 0 || read_height < 0 || read_width > 65535 ||
        read_height > 65535)
        return false;
    width = static_cast<int>(read_width);
    height = static_cast<int>(read_height);
    return true;
}

// An earlier version kept each thumbnail's size in a whole PPM beside the thumbnail, and wrote
// the pages with the names as they are; this one reads sizes from the gallery's state, and
// records the sizes that the pages show. Each picture is taken over once, from its thumbnail's
// PPM and its page, so that none is made again for it; one that cannot be read is made again.
void take_over_earlier_gallery(gallery_run& run) {
    for (auto& [source, record] : run.made.pictures) {
        if (!record.link.empty()) continue;
        std::string const album = layout::folder_of(source);
        std::string const name(picture_name(layout::last_part(source), true));
        std::string thumbnail, page;
        if (name.empty() ||
            os::read_file(run.path(layout::old_thumbnail_size(album, name)), thumbnail,
                          ppm_header({65535, 65535}).size()) != 0 ||
            os::read_file(run.path(layout::page(album, name)), page) != 0 ||
            !size_in(thumbnail, "P6\n", " ", record.thumbnail_width, record.thumbnail_height) ||
            !size_in(page, "\" width=\"", "\" height=\"", record.shown_width,
                     record.shown_height) ||
            os::write_file(run.path(layout::thumbnail_size(album, name)),
                           ppm_header({record.thumbnail_width, record.thumbnail_height})) != 0)
            continue;
        record.link = name;
    }
}

// The manifest of the last run and the journal of an interrupted one. A manifest of an earlier
// version is replaced at once, so that the journal is only ever in this version's format.
bool read_state(gallery_run& run) {
    std::string manifest_bytes, journal_bytes;
    bool manifest_found = false, interrupted = false;
    if (!read_state_file(run, run.path(layout::manifest()), manifest_bytes, manifest_found) ||
        !read_state_file(run, run.path(layout::journal()), journal_bytes, interrupted))
        return false;
    manifest_state state = read_manifest(manifest_bytes, journal_bytes);
    run.made = std::move(state.made);
    run.interrupted = interrupted;
    run.pictures_from_journal = std::move(state.pictures_from_journal);
    run.albums_from_journal = std::move(state.albums_from_journal);
    run.manifest_stale = interrupted || state.outdated;
    if (state.outdated) {
        take_over_earlier_gallery(run);
        write_state(run);
    }
    return true;
}

// Lists a folder of the gallery, stamped or not; one that is not there is empty. False, having
// said why, when it cannot be read.
bool list_gallery_folder(gallery_run& run, std::string const& folder,
                         std::vector<folder_entry>& entries, bool stamped = true) {
    int const status = stamped ? os::list_folder(run.path(folder), entries)
                               : os::list_names(run.path(folder), entries);
    if (status == 0 || status == ENOENT) return true;
    run.fail(run.path(folder) + ": cannot read this folder: " + os::error_text(status));
    return false;
}

// The paths of the files in the gallery's folders of every album: its own, its thumbnails' and
// its covers', and their size headers. In place the entries of the source folder are those of
// the gallery's. Their stamps are taken only after a run that did not end, whose files are to
// be checked: after one that ended, every file it placed was on the disk before its manifest,
// and the names alone say what is there.
bool files_present(gallery_run& run, scan_result const& scanned,
                   std::vector<folder_entry> const& top, present_files& present) {
    bool const stamped = run.interrupted;
    // A picture has four files (its page, web-size copy, thumbnail and size header) and an album
    // a few: room for them all at once spares the set its rehashing as it grows.
    present.reserve(scanned.pictures.size() * 4 + scanned.albums.size() * 8);
    auto const take = [&](std::vector<folder_entry> const& entries, std::string const& folder) {
        for (folder_entry const& entry : entries) {
            if (entry.kind != file_kind::file) continue;
            std::string path = folder.empty() ? entry.name : folder + "/" + entry.name;
            if (stamped) run.stamps[path] = entry.stamp;
            present.insert(std::move(path));
        }
    };
    for (album const& each : scanned.albums) {
        std::vector<std::string> folders = {layout::thumbnail_folder(each.path),
                                            layout::thumbnail_sizes(each.path)};
        if (!run.options.in_place || !each.path.empty())
            folders.push_back(each.path);
        else
            take(top, "");
        for (int below : each.albums) {
            album const& child = scanned.albums[static_cast<std::size_t>(below)];
            folders.push_back(layout::folder_of(layout::cover(each.path, child.name)));
            folders.push_back(layout::folder_of(layout::cover_size(each.path, child.link)));
        }
        for (std::string const& folder : folders) {
            std::vector<folder_entry> entries;
            if (!list_gallery_folder(run, folder, entries, stamped)) return false;
            take(entries, folder);
        }
    }
    return true;
}

// Whether every file that a run which did not end may have left is whole. An empty file never
// is: a power cut can leave a file renamed into place empty on the disk. A file that the run
// wrote (one newer than the last manifest, or of a picture in its journal) is read and checked
// whole by its kind, as the cut may have left it short.
bool files_whole(gallery_run& run, std::vector<std::string> const& files, bool in_journal,
                 file_stamp const* manifest) {
    std::string bytes;
    for (std::string const& file : files) {
        auto const found = run.stamps.find(file);
        if (found == run.stamps.end()) continue; // missing: the plan makes it again
        file_stamp const& stamp = found->second;
        if (stamp.size == 0) return false;
        bool const newer =
            manifest == nullptr ||
            std::pair(stamp.modified_seconds, stamp.modified_nanoseconds) >
                std::pair(manifest->modified_seconds, manifest->modified_nanoseconds);
        if ((in_journal || newer) &&
            (os::read_file(run.path(file), bytes) != 0 || !is_whole(file, bytes)))
            return false;
    }
    return true;
}

// After a run that did not end, pictures and albums whose files are not all whole are made
// again; their records keep their claim on the files until then.
bool check_files_made(gallery_run& run) {
    if (!run.interrupted) return true;
    std::vector<folder_entry> state;
    if (!list_gallery_folder(run, std::string(layout::state), state)) return false;
    file_stamp const* manifest = nullptr;
    for (folder_entry const& entry : state)
        if (entry.name == layout::last_part(layout::manifest())) manifest = &entry.stamp;
    for (auto& [source, record] : run.made.pictures) {
        std::string const name(picture_name(layout::last_part(source), true));
        if (record.finished && !name.empty() &&
            !files_whole(run, layout::made_files(layout::folder_of(source), name, record),
                         run.pictures_from_journal.count(source) != 0, manifest))
            record.finished = false;
    }
    for (auto& [path, record] : run.made.albums)
        if (record.finished && !files_whole(run, layout::album_files(path, record),
                                            run.albums_from_journal.count(path) != 0, manifest))
            record.finished = false;
    return true;
}

// Before the first file of this run is put in place, the journal is there on the disk, so that
// whatever cuts the run short, the next one knows it did not end.
bool journal_ready(gallery_run& run) {
    if (run.journal_on_disk) return true;
    std::string const journal = run.path(layout::journal());
    int status = run.interrupted ? 0 : os::write_file(journal, "");
    if (status == 0) status = os::sync_file(journal);
    if (status == 0) status = os::sync_file(run.path(layout::state));
    if (status != 0) {
        run.fail(journal + ": cannot write it: " + os::error_text(status));
        run.indexes_written = false;
        return false;
    }
    run.journal_on_disk = true;
    return true;
}

// Removes the files, each page first, so that no page is left without the files it shows,
// then the folders that they leave empty. A removal that is done changes the manifest; one
// that fails is told and keeps the line, so that the next run tries again.
void remove_files(gallery_run& run, std::vector<removal> const& removals) {
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
            if (int const status = os::remove_file(run.path(file)); status != 0) {
                run.fail(run.path(file) + ": cannot remove it: " + os::error_text(status));
                removed = false;
                break;
            }
        }
        if (!removed) {
            if (files.done == removal::then::forget_album) kept_albums.push_back(files.source);
            continue;
        }
        apply_removal(files, run.made);
        run.manifest_stale = true;
        // A folder that still holds a file of the user's stays, and is no failure.
        for (std::string const& folder : files.folders)
            if (int const status = os::remove_empty_folder(run.path(folder));
                status != 0 && status != ENOTEMPTY && status != EEXIST)
                run.fail(run.path(folder) + ": cannot remove it: " + os::error_text(status));
    }
}

// The folders that the jobs put files in, one work folder for each worker.
bool make_folders(gallery_run& run, scan_result const& scanned, int workers,
                  std::vector<std::string>& work_folders) {
    for (album const& each : scanned.albums) {
        // An empty gallery gets its index, and no folder of thumbnails.
        if (each.pictures.empty() && each.albums.empty()) continue;
        if (!each.path.empty() && !run.make_folder(each.path)) return false;
        if (!run.make_folder(layout::thumbnail_folder(each.path)) ||
            !run.make_folder(layout::sizes(each.path)) ||
            !run.make_folder(layout::thumbnail_sizes(each.path)))
            return false;
    }
    for (int worker = 0; worker < workers; ++worker) {
        std::string const folder = layout::work() + "/" + std::to_string(worker);
        if (!run.make_folder(folder) || !run.make_folder(folder + "/page")) return false;
        work_folders.push_back(run.path(folder));
    }
    return true;
}

// The workers for this many jobs: the option's, or one per processor.
int workers_for(gallery_run const& run, std::size_t jobs) {
    int const workers = run.options.jobs > 0 ? run.options.jobs : os::processor_count();
    return std::max(1, std::min(workers, static_cast<int>(jobs)));
}

// Makes the pictures side by side, and takes them into the manifest. Returns the files of
// those that failed, to be removed.
std::vector<removal> make_pictures(gallery_run& run, std::vector<picture_job> const& jobs,
                                   std::vector<std::string> const& work_folders,
                                   making_context& context) {
    std::vector<job_outcome> outcomes(jobs.size());
    run_jobs(jobs.size(), static_cast<int>(work_folders.size()), [&](std::size_t job, int worker) {
        outcomes[job] =
            make_picture(jobs[job], work_folders[static_cast<std::size_t>(worker)], context);
    });
    // Told in the order of the names, whichever finished first.
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        if (!outcomes[at].failure.empty())
            run.fail(printable(jobs[at].item.source) +
                     ": left out of the gallery: " + outcomes[at].failure);
        if (!outcomes[at].trouble.empty()) run.fail(outcomes[at].trouble);
    }
    run.manifest_stale = true;
    return settle_jobs(jobs, outcomes, run.made);
}

// Writes the albums' covers and indexes, the deepest albums first, so that no index is there
// before the covers and indexes it links to; an album that could not be written is held back
// from the index above it. Returns the files of albums gone, to be removed.
std::vector<removal> make_albums(gallery_run& run, scan_result const& scanned,
                                 present_files const& present, gallery_settings const& settings,
                                 site_sources const& site,
                                 std::vector<std::string> const& work_folders,
                                 making_context& context) {
    std::vector<int> depth(scanned.albums.size(), 0);
    int deepest = 0;
    for (std::size_t at = 1; at < scanned.albums.size(); ++at) {
        depth[at] = depth[static_cast<std::size_t>(scanned.albums[at].parent)] + 1;
        deepest = std::max(deepest, depth[at]);
    }
    std::set<int> held_back;
    // An album's plan reads no record of the albums below it, only whether they are shown: it
    // is planned again only when an album below is held back.
    album_plan plan = plan_albums(scanned, run.made, present, settings, site, held_back);
    bool plan_stale = false;
    for (int level = deepest; level >= 0; --level) {
        if (plan_stale) plan = plan_albums(scanned, run.made, present, settings, site, held_back);
        plan_stale = false;
        std::vector<album_job const*> now;
        for (album_job const& job : plan.jobs)
            if (depth[static_cast<std::size_t>(job.album)] == level) now.push_back(&job);
        if (!now.empty() && !journal_ready(run)) return {};
        std::vector<std::string> failures(now.size());
        run_jobs(now.size(),
                 std::min(workers_for(run, now.size()), static_cast<int>(work_folders.size())),
                 [&](std::size_t job, int worker) {
                     failures[job] = make_album(
                         *now[job], scanned.albums[static_cast<std::size_t>(now[job]->album)],
                         work_folders[static_cast<std::size_t>(worker)], context);
                 });
        for (std::size_t at = 0; at < now.size(); ++at) {
            album const& which = scanned.albums[static_cast<std::size_t>(now[at]->album)];
            made_album& record = run.made.albums[which.path];
            run.manifest_stale = true;
            if (failures[at].empty()) {
                record = now[at]->target;
                continue;
            }
            run.fail(layout::index(which.path) + ": not written: " + failures[at]);
            record = now[at]->claim;
            run.indexes_written = false;
            held_back.insert(now[at]->album);
            plan_stale = true;
        }
    }
    if (plan_stale) plan = plan_albums(scanned, run.made, present, settings, site, held_back);
    if (plan.manifest_stale) run.manifest_stale = true;
    return plan.removals;
}

// The work folder goes at the end of every run that made it. Returns the run's status.
int close_gallery(gallery_run& run) {
    if (!run.folders_made) return run.status;
    std::string const work = run.path(layout::work());
    if (int const status = os::remove_tree(work); status != 0)
        run.fail(work + ": cannot remove it: " + os::error_text(status));
    return run.status;
}

// What the site step takes of the source folder: the include files, the albums' names.
site_sources site_sources_of(gallery_run& run, scan_result const& scanned) {
    site_sources site;
    std::string const codeset = os::locale_charset();
    site.date_of = [](std::int64_t seconds) { return os::local_date(seconds); };
    for (album const& each : scanned.albums) {
        auto const include = [&](bool present, char const* file) -> std::optional<std::string> {
            if (!present) return std::nullopt;
            std::string const path =
                run.options.source + "/" + (each.path.empty() ? file : each.path + "/" + file);
            std::string bytes;
            if (int const status = os::read_file(path, bytes); status != 0) {
                run.fail(path + ": cannot read it: " + os::error_text(status));
                return std::nullopt;
            }
            return bytes;
        };
        site.header_files.push_back(include(each.has_header, "stdheader.inc"));
        site.footer_files.push_back(include(each.has_footer, "stdfooter.inc"));
        site.shown_names.push_back(shown_in_page(each.name, codeset));
    }
    return site;
}

// The pictures of the source folder: the folders below are albums with SRC OUT, and the
// gallery's own folders are none.
scan_result scan_source(gallery_run& run, std::vector<folder_entry> const& top) {
    gallery_options const& options = run.options;
    scan_settings const settings{!options.in_place, !options.in_place,
                                 names_may_be_utf8(os::locale_charset())};
    // The top album's name is the source folder's own, however it was written (src/, ., ..).
    std::string top_name = layout::last_part(os::resolved_path(options.source));
    if (top_name.empty()) top_name = "/";
    scan_result scanned = scan_pictures(
        top, top_name, settings,
        [&](std::string const& folder, std::vector<folder_entry>& found) -> std::string {
            int const status = os::list_folder(options.source + "/" + folder, found);
            return status == 0 ? "" : os::error_text(status);
        },
        [&](std::string const& folder) {
            if (options.in_place) return folder == layout::thumbnails;
            return os::same_file(options.source + "/" + folder, options.output);
        });
    for (std::string const& note : scanned.notes) say(note);
    if (scanned.left_out > 0) run.status = failure_status;
    return scanned;
}

gallery_settings settings_of(gallery_options const& options) {
    return {options.in_place ? 0 : options.web_box, options.thumbnail_box, options.keep_companions,
            options.force, !options.in_place && !options.keep_markers};
}

// Makes the pictures and then the albums as planned. Returns the files to remove afterwards,
// the albums' indexes first, so that none is left showing pictures that are gone.
std::vector<removal> make_gallery(gallery_run& run, scan_result const& scanned, gallery_plan& plan,
                                  present_files const& present, gallery_settings const& settings,
                                  site_sources const& site) {
    int const workers = workers_for(run, std::max<std::size_t>(plan.jobs.size(), 1));
    int const decoding_jobs = std::min(workers, os::processor_count());
    making_context context{run.options.source,
                           run.options.output,
                           run.pixfold,
                           settings,
                           &plan.frames,
                           std::counting_semaphore<>(decoding_jobs),
                           {}};
    std::vector<std::string> work_folders;
    if (!make_folders(run, scanned, workers, work_folders)) {
        run.indexes_written = false;
        return {};
    }
    std::vector<removal> pictures_gone = plan.removals;
    if (!plan.jobs.empty()) {
        if (!journal_ready(run)) return {};
        os::limit_memory_pools(decoding_jobs);
        for (removal& failed : make_pictures(run, plan.jobs, work_folders, context))
            pictures_gone.push_back(std::move(failed));
        // Settled, the jobs are let go before the indexes are made: 64 MB at 100,000 pictures.
        plan.jobs = std::vector<picture_job>();
    }
    run.step_done("pictures");
    std::vector<removal> removals =
        make_albums(run, scanned, present, settings, site, work_folders, context);
    run.step_done("indexes");
    removals.insert(removals.end(), pictures_gone.begin(), pictures_gone.end());
    return removals;
}

} // namespace

int build_gallery(gallery_options const& options) {
    gallery_run run{options, find_pixfold(), {}};
    if (run.pixfold.empty()) {
        run.fail("cannot find pixfold: install it on PATH or name it in PIXFOLD");
        return run.status;
    }
    std::vector<folder_entry> top;
    if (int const status = os::list_folder(options.source, top); status != 0) {
        run.fail(options.source + ": cannot read this folder: " + os::error_text(status));
        return run.status;
    }
    present_files present;
    if (!open_gallery(run) || !read_state(run)) return close_gallery(run);
    run.step_done("state");
    scan_result const scanned = scan_source(run, top);
    run.step_done("scan");
    if (!files_present(run, scanned, top, present) || !check_files_made(run))
        return close_gallery(run);
    // The scan took what it needs of the source folder's listing: 13 MB at 100,000 pictures.
    top = std::vector<folder_entry>();

    gallery_settings const settings = settings_of(options);
    site_sources const site = settings.site_step ? site_sources_of(run, scanned) : site_sources{};
    gallery_plan plan = plan_gallery(scanned, run.made, present, settings, site);
    run.manifest_stale |= plan.manifest_stale;
    run.step_done("plan");
    std::vector<removal> const removals = make_gallery(run, scanned, plan, present, settings, site);

    // Files go only once no index links to them; with an old index still there, they stay for
    // the next run to remove.
    if (run.indexes_written) remove_files(run, removals);
    run.step_done("removals");
    if (run.manifest_stale || !run.indexes_written) write_state(run);
    run.step_done("manifest");
    int const status = close_gallery(run);
    if (std::string const file = os::environment_variable("PIXFOLD_GALLERY_TIMINGS"); !file.empty())
        static_cast<void>(os::append_file(file, run.timings));
    return status;
}
