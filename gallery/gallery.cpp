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
#include <set>

namespace {

constexpr int failure_status = 2;

// One run over one gallery: what it knows, and how it has gone so far.
struct gallery_run {
    gallery_options const& options;
    std::string pixfold;
    manifest made;
    bool index_stale = false;
    bool manifest_stale = false;
    bool folders_made = false; // the work folder, to be removed at the end
    bool index_written = true; // false when the index is stale and could not be written
    int status = 0;

    std::string path(std::string_view relative) const {
        return layout::in(options.output, relative);
    }
    void fail(std::string const& message) {
        say(message);
        status = failure_status;
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
    for (std::string const& folder :
         {work, run.path(layout::sizes), run.path(layout::thumbnail_sizes())}) {
        if (int const status = os::make_folder(folder); status != 0) {
            run.fail(folder + ": cannot make this folder: " + os::error_text(status));
            return false;
        }
    }
    return true;
}

void write_state(gallery_run& run);

// Reads a file of the gallery's state; one that is not there is empty. False, having said why,
// when it cannot be read: a gallery whose state is unknown is not touched.
bool read_state_file(gallery_run& run, std::string const& path, std::string& bytes, bool& found) {
    int const status = os::read_file(path, bytes);
    found = status == 0;
    if (status == 0 || status == ENOENT) return true;
    run.fail(path + ": cannot read it: " + os::error_text(status));
    return false;
}

// An earlier version kept each thumbnail's companion beside the thumbnail, a whole PPM; this
// one reads only its size, from the gallery's state, under the name the pages link with. Each
// is taken over once, so that no picture is made again for it; one that cannot be read leaves
// its picture to be made again.
void take_over_old_companions(gallery_run& run) {
    for (auto& [source, record] : run.made) {
        if (!record.link.empty()) continue;
        std::string const name(picture_name(source, true));
        std::string bytes;
        // Its header, as this version writes one: the size on the second line, then 255.
        if (name.empty() || os::read_file(run.path(layout::old_thumbnail_size(name)), bytes,
                                          ppm_header({65535, 65535}).size()) != 0)
            continue;
        std::size_t end = bytes.find('\n');
        for (int line = 2; line <= 3 && end != std::string::npos; ++line)
            end = bytes.find('\n', end + 1);
        if (end == std::string::npos) continue;
        if (os::write_file(run.path(layout::thumbnail_size(name)), bytes.substr(0, end + 1)) == 0)
            record.link = name;
    }
}

// A run that did not end wrote its files without waiting for the disk: a power cut may have
// left those of its pictures cut short, or empty. Such a picture is made again.
void check_unfinished_run(gallery_run& run, std::set<std::string> const& from_journal) {
    std::string bytes;
    for (std::string const& source : from_journal) {
        made_picture& record = run.made.at(source);
        std::string const name(picture_name(source, true));
        if (!record.finished || name.empty()) continue;
        for (std::string const& file : layout::made_files(name, record)) {
            if (os::read_file(run.path(file), bytes) != 0 || !is_whole(file, bytes)) {
                record.finished = false;
                break;
            }
        }
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
    // After an interruption the index may not show the pictures that the journal holds.
    run.index_stale = run.manifest_stale = interrupted || state.outdated;
    if (interrupted) check_unfinished_run(run, state.from_journal);
    if (state.outdated) {
        take_over_old_companions(run);
        write_state(run);
    }
    return true;
}

// Lists a folder of the gallery; one that is not there is empty. False, having said why, when
// it cannot be read.
bool list_gallery_folder(gallery_run& run, std::string const& folder,
                         std::vector<folder_entry>& entries) {
    int const status = os::list_folder(folder, entries);
    if (status == 0 || status == ENOENT) return true;
    run.fail(folder + ": cannot read this folder: " + os::error_text(status));
    return false;
}

// The paths of the files in the gallery's folder and its thumbnails' folder. In place the
// entries of the source folder are those of the gallery's.
bool files_present(gallery_run& run, std::vector<folder_entry> const& top, present_files& present) {
    auto const take = [&](std::vector<folder_entry> const& entries, std::string const& prefix) {
        for (folder_entry const& entry : entries)
            if (entry.kind == file_kind::file) present.insert(prefix + entry.name);
    };
    std::vector<folder_entry> entries, thumbnails, sizes;
    if (!run.options.in_place && !list_gallery_folder(run, run.options.output, entries))
        return false;
    if (!list_gallery_folder(run, run.path(layout::thumbnails), thumbnails) ||
        !list_gallery_folder(run, run.path(layout::thumbnail_sizes()), sizes))
        return false;
    take(run.options.in_place ? top : entries, "");
    take(thumbnails, std::string(layout::thumbnails) + "/");
    take(sizes, layout::thumbnail_sizes() + "/");
    return true;
}

// Removes the files, each picture's page first, so that no page is left without the files it
// shows. A removal that is done changes the manifest; one that fails is told and keeps the
// picture's line, so that the next run tries again.
void remove_files(gallery_run& run, std::vector<removal> const& removals) {
    for (removal const& files : removals) {
        bool removed = true;
        for (std::string const& file : files.files) {
            if (int const status = os::remove_file(run.path(file)); status != 0) {
                run.fail(run.path(file) + ": cannot remove it: " + os::error_text(status));
                removed = false;
                break;
            }
        }
        if (removed) apply_removal(files, run.made);
        run.manifest_stale = true;
    }
}

// Makes the pictures side by side, and takes them into the manifest. Returns the files of
// those that failed, to be removed.
std::vector<removal> make_pictures(gallery_run& run, std::vector<picture_job> const& jobs) {
    int workers = run.options.jobs > 0 ? run.options.jobs : os::processor_count();
    workers = std::max(1, std::min(workers, static_cast<int>(jobs.size())));
    int const decoding_jobs = std::min(workers, os::processor_count());
    os::limit_memory_pools(decoding_jobs);

    std::string const thumbnails = run.path(layout::thumbnails);
    if (int const status = os::make_folder(thumbnails); status != 0) {
        run.fail(thumbnails + ": cannot make this folder: " + os::error_text(status));
        return {};
    }
    std::vector<std::string> folders;
    for (int worker = 0; worker < workers; ++worker) {
        std::string const folder = run.path(layout::work()) + "/" + std::to_string(worker);
        int status = os::make_folder(folder);
        if (status == 0) status = os::make_folder(folder + "/page");
        if (status != 0) {
            run.fail(folder + ": cannot make this folder: " + os::error_text(status));
            return {};
        }
        folders.push_back(folder);
    }

    making_context context{run.options.source,
                           run.options.output,
                           run.pixfold,
                           std::counting_semaphore<>(decoding_jobs),
                           {}};
    std::vector<job_outcome> outcomes(jobs.size());
    run_jobs(jobs.size(), workers, [&](std::size_t job, int worker) {
        outcomes[job] = make_picture(jobs[job], folders[static_cast<std::size_t>(worker)], context);
    });

    // Told in the order of the names, whichever finished first.
    for (std::size_t at = 0; at < jobs.size(); ++at) {
        if (!outcomes[at].failure.empty())
            run.fail(printable(jobs[at].item.source) +
                     ": left out of the gallery: " + outcomes[at].failure);
        if (!outcomes[at].trouble.empty()) run.fail(outcomes[at].trouble);
    }
    run.index_stale = run.manifest_stale = true;
    return settle_jobs(jobs, outcomes, run.made);
}

// The index of the pictures in the gallery, by pixfold from the lines t/NAME.jpg.
void write_gallery_index(gallery_run& run, std::vector<picture> const& pictures) {
    std::string list;
    for (picture const& item : pictures)
        if (auto const record = run.made.find(item.source);
            record != run.made.end() && record->second.finished)
            list += std::string(layout::thumbnails) + "/" + item.link + ".jpg\n";
    std::string const work = run.path(layout::work());
    std::string const list_file = work + "/list";
    std::string const made_index = work + "/index.html";
    std::string const index = run.path(layout::index());
    std::string failure;
    if (int const written = os::write_file(list_file, list); written != 0)
        failure = list_file + ": cannot write it: " + os::error_text(written);
    if (failure.empty())
        failure = write_index(run.pixfold, run.path(layout::sizes), list_file, made_index,
                              work + "/report");
    if (failure.empty()) {
        if (int const renamed = os::rename_file(made_index, index); renamed != 0)
            failure = "cannot put it in place: " + os::error_text(renamed);
    }
    if (!failure.empty()) {
        run.fail(index + ": not written: " + failure);
        run.index_written = false;
    }
}

// The manifest in one rename, once everything that it records is on the disk: a power cut at
// any moment leaves the manifest of this run or of the last, and the files that it names
// whole. The journal has served then. A run that could not write the index leaves an empty
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
    if (run.index_written) {
        if (status = os::remove_file(journal); status != 0)
            run.fail(journal + ": cannot remove it: " + os::error_text(status));
    } else if (status = os::write_file(journal, ""); status != 0) {
        run.fail(journal + ": cannot write it: " + os::error_text(status));
    }
}

// The work folder goes at the end of every run that made it.
void close_gallery(gallery_run& run) {
    if (!run.folders_made) return;
    std::string const work = run.path(layout::work());
    if (int const status = os::remove_tree(work); status != 0)
        run.fail(work + ": cannot remove it: " + os::error_text(status));
}

} // namespace

int build_gallery(gallery_options const& options) {
    gallery_run run{options, find_pixfold(), {}};
    if (run.pixfold.empty()) {
        run.fail("cannot find pixfold: install it on PATH or name it in PIXFOLD");
        return run.status;
    }
    std::vector<folder_entry> entries;
    if (int const status = os::list_folder(options.source, entries); status != 0) {
        run.fail(options.source + ": cannot read this folder: " + os::error_text(status));
        return run.status;
    }
    present_files present;
    if (!open_gallery(run) || !read_state(run) || !files_present(run, entries, present)) {
        close_gallery(run);
        return run.status;
    }

    scan_result const found =
        scan_pictures(entries, !options.in_place, names_may_be_utf8(os::locale_charset()));
    for (std::string const& note : found.notes) say(note);
    if (found.left_out > 0) run.status = failure_status;

    gallery_settings const settings{options.in_place ? 0 : options.web_box, options.thumbnail_box,
                                    options.keep_companions, options.force};
    gallery_plan const plan = plan_gallery(found.pictures, run.made, present, settings);
    run.index_stale |= plan.index_stale;
    run.manifest_stale |= plan.manifest_stale;
    std::vector<removal> removals = plan.removals;
    if (!plan.jobs.empty())
        for (removal& failed : make_pictures(run, plan.jobs)) removals.push_back(std::move(failed));

    // Files go only once no index links to them; with the old index still there, they stay for
    // the next run to remove.
    if (run.index_stale || options.force || present.count(layout::index()) == 0)
        write_gallery_index(run, found.pictures);
    if (run.index_written) remove_files(run, removals);
    if (run.manifest_stale || !run.index_written) write_state(run);
    close_gallery(run);
    return run.status;
}
