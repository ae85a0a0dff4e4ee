#include "gallery.h"

#include "layout/layout.h"
#include "making/albums.h"
#include "making/context.h"
#include "making/pictures.h"
#include "making/pixfold_runs.h"
#include "making/removing.h"
#include "plan/pages.h"
#include "plan/pictures.h"
#include "plan/removals.h"
#include "site/site_step.h"
#include "source/link_names.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/gallery_state.h"
#include "system/system.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int failure_status = 2;

// One run over one gallery, and how it has gone so far.
struct gallery_run {
    gallery_options const& options;
    status& shown;
    int exit_status = 0;
    // False once an index that is out of date could not be written: the files it may still
    // link to stay for the next run to remove.
    bool indexes_current = true;
    // How long each step took, for a benchmark that names a file in PIXFOLD_GALLERY_TIMINGS.
    std::string timings{};
    std::chrono::steady_clock::time_point step_started = std::chrono::steady_clock::now();

    void fail(std::string const& message) {
        shown.say(message);
        exit_status = failure_status;
    }
    auto teller() {
        return [this](std::string const& message) { fail(message); };
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
        std::string const folder = layout::in(options.output, relative);
        int const status = os::make_folder(folder);
        if (status != 0) fail(folder + ": cannot make this folder: " + os::error_text(status));
        return status == 0;
    }
};

// A gallery into another folder makes that folder, which must not be the source folder.
bool take_output_folder(gallery_run& run) {
    if (run.options.in_place) return true;
    if (int const status = os::make_folder(run.options.output); status != 0) {
        run.fail(run.options.output + ": cannot make this folder: " + os::error_text(status));
        return false;
    }
    if (os::same_file(run.options.source, run.options.output)) {
        run.fail("SRC and OUT are one folder; for a gallery in place give only that folder");
        return false;
    }
    return true;
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
    for (std::string const& note : scanned.notes) run.shown.say(note);
    if (scanned.left_out > 0) run.exit_status = failure_status;
    return scanned;
}

// The folders that the jobs put files in: each album's, and one in the work folder for each
// worker. An empty gallery gets its index, and no folder of thumbnails.
bool make_folders(gallery_run& run, scan_result const& scanned, int workers) {
    for (album const& each : scanned.albums) {
        if (each.pictures.empty() && each.albums.empty()) continue;
        if (!each.path.empty() && !run.make_folder(each.path)) return false;
        if (!run.make_folder(layout::thumbnail_folder(each.path)) ||
            !run.make_folder(layout::sizes(each.path)) ||
            !run.make_folder(layout::thumbnail_sizes(each.path)))
            return false;
    }
    for (int worker = 0; worker < workers; ++worker)
        if (!run.make_folder(layout::worker_folder(worker)) ||
            !run.make_folder(layout::page_folder(worker)))
            return false;
    return true;
}

gallery_settings settings_of(gallery_options const& options) {
    return {options.in_place ? 0 : options.web_box,
            options.thumbnail_box,
            options.keep_companions,
            options.force,
            !options.in_place && !options.keep_markers,
            options.order};
}

// Writes the pages that are to be written, once every picture's images are made, and takes
// them into the files there. A page that fails leaves its picture out, and the pictures beside
// it lead past it: their pages are planned again. False when the journal cannot be written.
bool make_pages(scan_result const& scanned, file_set& present, std::vector<removal>& removals,
                making_context& context) {
    std::vector<page_job> pages =
        plan_pages(scanned, context.state.records(), present, context.settings, context.site);
    while (!pages.empty()) {
        if (!context.state.open_journal()) return false;
        std::vector<removal> failed = make_pages(pages, context);
        for (page_job const& job : pages) {
            picture const& item = scanned.pictures[static_cast<std::size_t>(job.item_at)];
            present.insert(layout::page(item.album, item.name));
        }
        if (failed.empty()) break;
        removals.insert(removals.end(), failed.begin(), failed.end());
        pages =
            plan_pages(scanned, context.state.records(), present, context.settings, context.site);
    }
    return true;
}

// The work folder goes at the end of every run. Returns the run's status.
int close_gallery(gallery_run& run, gallery_state& state) {
    state.close();
    if (std::string const file = os::environment_variable("PIXFOLD_GALLERY_TIMINGS"); !file.empty())
        static_cast<void>(os::append_file(file, run.timings));
    return run.exit_status;
}

// Writes the manifest when the records changed, or an index could not be written, then closes.
int commit_and_close(gallery_run& run, gallery_state& state) {
    if (state.changed() || !run.indexes_current) state.commit(run.indexes_current);
    run.step_done("manifest");
    return close_gallery(run, state);
}

} // namespace

int build_gallery(gallery_options const& options, status& shown) {
    gallery_run run{options, shown};
    std::string const pixfold = find_pixfold();
    if (pixfold.empty()) {
        run.fail("cannot find pixfold: install it on PATH or name it in PIXFOLD");
        return run.exit_status;
    }
    std::vector<folder_entry> top;
    if (int const status = os::list_folder(options.source, top); status != 0) {
        run.fail(options.source + ": cannot read this folder: " + os::error_text(status));
        return run.exit_status;
    }
    if (!take_output_folder(run)) return run.exit_status;
    gallery_state state(options.output, run.teller());
    if (!state.open()) return close_gallery(run, state);
    run.step_done("state");

    scan_result const scanned = scan_source(run, top);
    run.step_done("scan");
    // Stamps are wanted only after a run that did not end, whose files are to be checked: after
    // one that ended, every file it placed was on the disk before its manifest, and the names
    // alone say what is there.
    gallery_files files;
    std::string failure;
    if (!list_gallery_files(scanned, options.output, options.in_place ? &top : nullptr,
                            state.interrupted(), files, failure)) {
        run.fail(failure);
        return close_gallery(run, state);
    }
    if (!state.check_files(files)) return close_gallery(run, state);
    // The scan took what it needs of the source folder's listing: 13 MB at 100,000 pictures.
    top = std::vector<folder_entry>();

    gallery_settings const settings = settings_of(options);
    site_step const site =
        settings.site_step
            ? site_step(scanned, read_site_sources(scanned, options.source, run.teller()))
            : site_step();
    std::vector<picture_job> jobs = plan_pictures(scanned, state.records(), files.paths, settings);
    std::vector<removal> picture_removals =
        plan_picture_removals(scanned, state.records(), files.paths, settings);
    run.step_done("plan");

    // Workers, one per processor by default, each with its folder, though no more than there are
    // pictures or albums to make; no more of them decoding at once than processors.
    int const workers = static_cast<int>(std::clamp<std::size_t>(
        static_cast<std::size_t>(options.workers > 0 ? options.workers : os::processor_count()), 1,
        std::max({scanned.pictures.size(), scanned.albums.size(), std::size_t{1}})));
    int const decoding_jobs = std::min(workers, os::processor_count());
    making_context context{scanned,
                           options.source,
                           options.output,
                           pixfold,
                           settings,
                           site,
                           state,
                           shown,
                           run.teller(),
                           workers,
                           std::counting_semaphore<>(decoding_jobs)};
    if (!make_folders(run, scanned, workers) || (!jobs.empty() && !state.open_journal())) {
        run.indexes_current = false;
    } else {
        if (!jobs.empty()) {
            os::limit_memory_pools(decoding_jobs);
            for (removal& failed : make_pictures(jobs, context))
                picture_removals.push_back(std::move(failed));
            // The jobs are let go before the indexes are made: 64 MB at 100,000 pictures.
            jobs = std::vector<picture_job>();
        }
        run.step_done("pictures");
        if (!make_pages(scanned, files.paths, picture_removals, context)) {
            run.indexes_current = false;
            return commit_and_close(run, state);
        }
        run.step_done("pages");
        albums_made albums = make_albums(scanned, files.paths, context);
        run.step_done("indexes");
        run.indexes_current = albums.indexes_current;
        // Files go only once no index links to them: the albums' indexes first, so that none is
        // left showing pictures that are gone.
        std::vector<removal>& removals = albums.removals;
        removals.insert(removals.end(), picture_removals.begin(), picture_removals.end());
        if (run.indexes_current) remove_files(removals, options.output, state, run.teller());
        run.step_done("removals");
    }
    return commit_and_close(run, state);
}
