#include "gallery.h"

#include "imaging.h"
#include "manifest.h"
#include "names.h"
#include "pixfold_runs.h"
#include "progress.h"
#include "scan.h"
#include "system.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <semaphore>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

constexpr int failure_status = 2;

void say(std::string const& text) {
    end_progress();
    write_error("pixfold-gallery: " + text + "\n");
}

// Where everything of one gallery lies. The gallery's own state, its manifest and the folder
// where files are made before they are renamed into place, is in one hidden folder of the
// output: on the same file system, so every rename is one step.
struct gallery_paths {
    std::string output;

    std::string state() const { return output + "/.pixfold-gallery"; }
    std::string manifest() const { return state() + "/manifest"; }
    std::string journal() const { return state() + "/journal"; }
    std::string work() const { return state() + "/work"; }
    std::string thumbnails() const { return output + "/t"; }
    std::string index() const { return output + "/index.html"; }

    std::string page(std::string const& name) const { return output + "/" + name + ".html"; }
    std::string web(std::string const& name) const { return output + "/" + name + ".jpg"; }
    std::string companion(std::string const& name) const { return output + "/" + name + ".ppm"; }
    std::string thumbnail(std::string const& name) const {
        return thumbnails() + "/" + name + ".jpg";
    }
    std::string thumbnail_pixmap(std::string const& name) const {
        return thumbnails() + "/" + name + ".ppm";
    }
};

// The files that the gallery made for a picture, by the manifest's record of it.
std::vector<std::string> made_files(gallery_paths const& paths, std::string const& name,
                                    made_picture const& made) {
    std::vector<std::string> files = {paths.page(name), paths.thumbnail(name),
                                      paths.thumbnail_pixmap(name)};
    if (made.web_box != 0) files.push_back(paths.web(name));
    if (made.companion) files.push_back(paths.companion(name));
    return files;
}

// One picture whose files are to be made.
struct picture_job {
    picture const* item = nullptr;
    std::string source;                   // path of the original
    bool keep_companion = false;          // NAME.ppm is to be written beside the page
    made_picture const* before = nullptr; // what an earlier run made, if anything

    std::string failure; // why it is left out; empty when it was made
    made_picture made;
    std::vector<std::string> placed; // files of the gallery already replaced by this job
};

struct gallery_run {
    gallery_options const& options;
    gallery_paths const& paths;
    std::string const& pixfold;
    // Decoding and shrinking keep a processor busy and hold some 20 MB each: more of them at
    // once than there are processors only cost memory. Jobs beyond that overlap the rest, the
    // pages and the renames.
    std::counting_semaphore<> image_slots;
    std::mutex journal_lock;
};

// Why a picture is left out, when it is not the picture's own fault.
struct left_out : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One of the slots of decoding, held while a picture is decoded and shrunk.
class image_slot {
  public:
    explicit image_slot(std::counting_semaphore<>& slots) : slots_(slots) { slots_.acquire(); }
    ~image_slot() { slots_.release(); }
    image_slot(image_slot const&) = delete;
    image_slot& operator=(image_slot const&) = delete;

  private:
    std::counting_semaphore<>& slots_;
};

// Renames a finished file into the gallery; the old one stays whole until this step.
void place(picture_job& job, std::string const& made, std::string const& target) {
    if (made.empty()) return;
    if (int const status = rename_file(made, target); status != 0)
        throw left_out(target + ": cannot write it: " + error_text(status));
    job.placed.push_back(target);
}

void make_picture(picture_job& job, std::string const& folder, gallery_run& run) {
    picture const& item = *job.item;
    gallery_options const& options = run.options;
    picture_outputs const made = {options.in_place ? "" : folder + "/web.jpg",
                                  folder + "/thumbnail.jpg", folder + "/thumbnail.ppm",
                                  job.keep_companion ? folder + "/companion.ppm" : ""};
    try {
        picture_sizes sizes;
        {
            image_slot const slot(run.image_slots);
            jpeg_header const header = read_jpeg_header(job.source);
            sizes = make_picture_files(job.source, header, options.in_place ? 0 : options.web_box,
                                       options.thumbnail_box, made);
        }

        // pixfold reads the size from the first two lines of the companion and nothing more,
        // so the companion it reads for the page holds that header alone, in a folder of its
        // own where no file of the gallery can be in the way.
        std::string const page_folder = folder + "/page";
        std::string const page_companion = page_folder + "/" + item.name + ".ppm";
        if (int const status = write_file(page_companion, ppm_header(sizes.shown)); status != 0)
            throw left_out(page_companion + ": " + error_text(status));
        std::string const failure = write_page(run.pixfold, page_folder, item.name,
                                               folder + "/page.html", folder + "/report");
        remove_file(page_companion);
        if (!failure.empty()) throw left_out(failure);

        // The page goes last: a page is never there without the files it shows.
        place(job, made.thumbnail, run.paths.thumbnail(item.name));
        place(job, made.thumbnail_pixmap, run.paths.thumbnail_pixmap(item.name));
        place(job, made.web, run.paths.web(item.name));
        place(job, made.companion, run.paths.companion(item.name));
        place(job, folder + "/page.html", run.paths.page(item.name));
    } catch (std::exception const& error) {
        // Whatever went wrong with one picture, out of memory included, leaves it out alone.
        job.failure = error.what();
        return;
    }
    job.made = {item.stamp, options.in_place ? 0 : options.web_box, options.thumbnail_box,
                job.keep_companion};
    std::lock_guard<std::mutex> const hold(run.journal_lock);
    // A journal that cannot be written costs only the work of an interrupted run.
    static_cast<void>(append_file(run.paths.journal(), manifest_line(item.source, job.made)));
}

// Makes the pictures side by side, showing progress while they are made. False when the
// folders to make them in cannot be made.
bool make_pictures(std::vector<picture_job>& jobs, int job_count, gallery_run& run) {
    for (int worker = 0; worker < job_count; ++worker) {
        std::string const folder = run.paths.work() + "/" + std::to_string(worker);
        int status = make_folder(folder);
        if (status == 0) status = make_folder(folder + "/page");
        if (status != 0) {
            say(folder + ": cannot make this folder: " + error_text(status));
            return false;
        }
    }
    std::atomic<std::size_t> next{0};
    int finished = 0; // guarded by lock
    std::mutex lock;
    std::condition_variable changed;
    auto const work = [&](int worker) {
        std::string const folder = run.paths.work() + "/" + std::to_string(worker);
        for (std::size_t at; (at = next++) < jobs.size();) {
            make_picture(jobs[at], folder, run);
            {
                std::lock_guard<std::mutex> const hold(lock);
                ++finished;
            }
            changed.notify_one();
        }
    };
    std::vector<std::thread> workers;
    for (int worker = 0; worker < job_count; ++worker) workers.emplace_back(work, worker);

    auto const start = std::chrono::steady_clock::now();
    int const total = static_cast<int>(jobs.size());
    int shown = -1;
    std::unique_lock<std::mutex> hold(lock);
    while (shown != total) {
        // Redrawn when a picture is done, and twice a second for the time left meanwhile.
        changed.wait_for(hold, std::chrono::milliseconds(500), [&] { return finished != shown; });
        shown = finished;
        double const seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        show_progress(shown, total, seconds);
    }
    hold.unlock();
    for (std::thread& worker : workers) worker.join();
    end_progress();
    return true;
}

// What one run knows of the gallery, and what it changes.
struct gallery_state {
    manifest made;
    bool index_stale = false;
    bool manifest_stale = false;
    int status = 0;
};

// Makes the output's folders and takes the gallery for this run. False, having said why, when
// the gallery cannot be written.
bool open_gallery(gallery_options const& options, gallery_paths const& paths) {
    if (!options.in_place) {
        if (int const status = make_folder(options.output); status != 0) {
            say(options.output + ": cannot make this folder: " + error_text(status));
            return false;
        }
        if (same_file(options.source, options.output)) {
            say("SRC and OUT are one folder; for a gallery in place give only that folder");
            return false;
        }
    }
    if (int const status = make_folder(paths.state()); status != 0) {
        say(options.output + ": cannot write in this folder: " + error_text(status));
        return false;
    }
    if (!lock_folder(paths.state())) {
        say(options.output + ": another pixfold-gallery is writing this gallery");
        return false;
    }
    // What an interrupted run left in the work folder is only ever half made.
    remove_tree(paths.work());
    for (std::string const& folder : {paths.work(), paths.thumbnails()}) {
        if (int const status = make_folder(folder); status != 0) {
            say(folder + ": cannot make this folder: " + error_text(status));
            return false;
        }
    }
    return true;
}

// The manifest of the last run and the journal of an interrupted one.
void read_state(gallery_paths const& paths, gallery_state& state) {
    std::string manifest_bytes, journal_bytes;
    static_cast<void>(read_file(paths.manifest(), manifest_bytes));
    bool const interrupted = read_file(paths.journal(), journal_bytes) == 0;
    state.made = read_manifest(manifest_bytes, journal_bytes);
    // After an interruption the index may not show the pictures that the journal holds.
    state.index_stale = state.manifest_stale = interrupted;
}

// Pictures that are gone, or left out now: the files made for them go, apart from those that
// a picture of the same name still has.
void forget_gone_pictures(gallery_paths const& paths, std::vector<picture> const& pictures,
                          gallery_state& state) {
    std::set<std::string> sources, names;
    for (picture const& item : pictures) {
        sources.insert(item.source);
        names.insert(item.name);
    }
    for (auto record = state.made.begin(); record != state.made.end();) {
        if (sources.count(record->first) != 0) {
            ++record;
            continue;
        }
        std::string const name(picture_name(record->first, true));
        if (!name.empty() && names.count(name) == 0)
            for (std::string const& file : made_files(paths, name, record->second))
                remove_file(file);
        record = state.made.erase(record);
        state.index_stale = state.manifest_stale = true;
    }
}

// The pictures to make. Those whose files are all there, made from the same state of the
// picture with the same boxes, are left alone.
std::vector<picture_job> plan_jobs(gallery_options const& options, gallery_paths const& paths,
                                   std::vector<picture> const& pictures, gallery_state& state) {
    std::vector<picture_job> jobs;
    int const web_box = options.in_place ? 0 : options.web_box;
    for (picture const& item : pictures) {
        auto const record = state.made.find(item.source);
        made_picture* before = record != state.made.end() ? &record->second : nullptr;
        // A companion that someone else put there is never replaced, nor removed.
        bool const companion_is_ours = before != nullptr && before->companion;
        bool const keep_companion = options.keep_companions &&
                                    (companion_is_ours || !file_exists(paths.companion(item.name)));
        if (companion_is_ours && !options.keep_companions) {
            remove_file(paths.companion(item.name));
            before->companion = false;
            state.manifest_stale = true;
        }
        bool up_to_date = !options.force && before != nullptr && before->stamp == item.stamp &&
                          before->web_box == web_box &&
                          before->thumbnail_box == options.thumbnail_box &&
                          before->companion == keep_companion;
        if (up_to_date)
            for (std::string const& file : made_files(paths, item.name, *before))
                up_to_date &= file_exists(file);
        if (!up_to_date)
            jobs.push_back(
                {&item, options.source + "/" + item.source, keep_companion, before, {}, {}, {}});
    }
    return jobs;
}

// Takes the made pictures into the manifest. A picture left out loses the files of an earlier
// run with it, and those that this run placed already.
void settle_jobs(gallery_paths const& paths, std::vector<picture_job> const& jobs,
                 gallery_state& state) {
    for (picture_job const& job : jobs) {
        state.index_stale = state.manifest_stale = true;
        if (job.failure.empty()) {
            state.made[job.item->source] = job.made;
            continue;
        }
        say(printable(job.item->source) + ": left out of the gallery: " + job.failure);
        state.status = failure_status;
        for (std::string const& file : job.placed) remove_file(file);
        if (job.before != nullptr) {
            for (std::string const& file : made_files(paths, job.item->name, *job.before))
                remove_file(file);
            state.made.erase(job.item->source);
        }
    }
}

// The index of the pictures in the gallery, by pixfold from the lines t/NAME.jpg.
void write_gallery_index(gallery_paths const& paths, std::string const& pixfold,
                         std::vector<picture> const& pictures, gallery_state& state) {
    std::string list;
    for (picture const& item : pictures)
        if (state.made.count(item.source) != 0) list += "t/" + item.name + ".jpg\n";
    std::string const list_file = paths.work() + "/list";
    std::string const made_index = paths.work() + "/index.html";
    std::string failure;
    if (int const written = write_file(list_file, list); written != 0)
        failure = list_file + ": " + error_text(written);
    if (failure.empty())
        failure =
            write_index(pixfold, paths.output, list_file, made_index, paths.work() + "/report");
    if (failure.empty()) {
        if (int const renamed = rename_file(made_index, paths.index()); renamed != 0)
            failure = error_text(renamed);
    }
    if (!failure.empty()) {
        say(paths.index() + ": not written: " + failure);
        state.status = failure_status;
    }
}

// The manifest in one rename; the journal has served then.
void write_state(gallery_paths const& paths, gallery_state& state) {
    std::string const made_manifest = paths.work() + "/manifest";
    int written = write_file(made_manifest, manifest_text(state.made));
    if (written == 0) written = rename_file(made_manifest, paths.manifest());
    if (written == 0) written = remove_file(paths.journal());
    if (written != 0) {
        say(paths.manifest() + ": cannot write it: " + error_text(written));
        state.status = failure_status;
    }
}

} // namespace

int build_gallery(gallery_options const& options) {
    gallery_paths const paths{options.output};
    std::vector<folder_entry> entries;
    if (int const status = list_folder(options.source, entries); status != 0) {
        say(options.source + ": cannot read this folder: " + error_text(status));
        return failure_status;
    }
    if (!open_gallery(options, paths)) return failure_status;
    std::string const pixfold = find_pixfold();
    if (pixfold.empty()) {
        say("cannot find pixfold: install it on PATH or name it in PIXFOLD");
        return failure_status;
    }

    std::string const charset = locale_charset();
    scan_result const found =
        scan_pictures(entries, !options.in_place, is_shift_jis(charset), charset);
    for (std::string const& note : found.notes) say(note);

    gallery_state state;
    read_state(paths, state);
    if (found.left_out > 0) state.status = failure_status;
    forget_gone_pictures(paths, found.pictures, state);
    std::vector<picture_job> jobs = plan_jobs(options, paths, found.pictures, state);
    if (!jobs.empty()) {
        int job_count = options.jobs > 0 ? options.jobs : processor_count();
        job_count = std::max(1, std::min(job_count, static_cast<int>(jobs.size())));
        int const image_jobs = std::min(job_count, processor_count());
        limit_memory_pools(image_jobs);
        gallery_run run{options, paths, pixfold, std::counting_semaphore<>(image_jobs), {}};
        if (!make_pictures(jobs, job_count, run)) return failure_status;
        settle_jobs(paths, jobs, state);
    }
    if (state.index_stale || options.force || !file_exists(paths.index()))
        write_gallery_index(paths, pixfold, found.pictures, state);
    if (state.manifest_stale) write_state(paths, state);
    remove_tree(paths.work());
    return state.status;
}
