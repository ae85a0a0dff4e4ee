#include "make_picture.h"

#include "imaging.h"
#include "layout.h"
#include "pixfold_runs.h"
#include "system/system.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Why a picture is left out, when it is not the picture's own fault.
struct left_out : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One of the decoding slots, held while a picture is decoded and shrunk.
class decoding_slot {
  public:
    explicit decoding_slot(std::counting_semaphore<>& slots) : slots_(slots) { slots_.acquire(); }
    ~decoding_slot() { slots_.release(); }
    decoding_slot(decoding_slot const&) = delete;
    decoding_slot& operator=(decoding_slot const&) = delete;

  private:
    std::counting_semaphore<>& slots_;
};

void write(std::string const& path, std::string const& bytes) {
    if (int const status = os::write_file(path, bytes); status != 0)
        throw left_out(path + ": cannot write it: " + os::error_text(status));
}

void append_to_journal(making_context& context, std::string const& line) {
    std::string const journal = layout::in(context.output, layout::journal());
    std::lock_guard<std::mutex> const hold(context.journal_lock);
    if (int const status = os::append_file(journal, line); status != 0)
        throw left_out(journal + ": cannot write it: " + os::error_text(status));
}

// Files made in a work folder, each beside the place in the gallery where it goes.
class made_files {
  public:
    made_files(std::string work_folder, making_context& context)
        : work_folder_(std::move(work_folder)), context_(context) {}

    void add(std::string const& name, std::string const& bytes, std::string place) {
        std::string const path = work_folder_ + "/" + name;
        write(path, bytes);
        files_.emplace_back(path, std::move(place));
    }
    void add_made(std::string path, std::string place) {
        files_.emplace_back(std::move(path), std::move(place));
    }

    // Renames them into place, in the order they were added.
    void place() const {
        for (auto const& [path, place] : files_) {
            std::string const target = layout::in(context_.output, place);
            if (int const status = os::rename_file(path, target); status != 0)
                throw left_out(target + ": cannot put it in place: " + os::error_text(status));
        }
    }

  private:
    std::string work_folder_;
    making_context& context_;
    std::vector<std::pair<std::string, std::string>> files_;
};

// Writes into the file the page that pixfold wrote, with the site step its markers expanded.
void write_finished(making_context const& context, std::string const& path, std::string const& page,
                    std::string const& header, std::string const& date, std::string const& footer) {
    std::vector<std::string_view> const pieces = context.settings.site_step
                                                     ? markers_expanded(page, header, date, footer)
                                                     : std::vector<std::string_view>{page};
    if (int const status = os::write_file(path, pieces); status != 0)
        throw left_out(path + ": cannot write it: " + os::error_text(status));
}

// Writes the page of the picture into the work folder, as its record says: pixfold sizes it
// from the companion beside the name it is given, made for the page alone, in a folder of its
// own where no file of the gallery can be in the way; it goes with the work folder.
std::string written_page(picture_job const& job, made_picture const& record,
                         std::string const& work_folder, making_context& context) {
    std::string const page_folder = work_folder + "/page";
    write(page_folder + "/" + record.link + ".ppm",
          ppm_header({record.shown_width, record.shown_height}));
    std::string page;
    std::string const failure =
        write_page(context.pixfold, page_folder, record.link, page, work_folder + "/report");
    if (!failure.empty()) throw left_out(failure);
    page_frame const& frame = (*context.frames)[static_cast<std::size_t>(job.item.album_at)];
    std::string const path = work_folder + "/page.html";
    write_finished(context, path, page, frame.header, job.date, frame.footer);
    return path;
}

} // namespace

job_outcome make_picture(picture_job const& job, std::string const& work_folder,
                         making_context& context) {
    picture const& item = job.item;
    made_picture record = job.target;
    made_files made(work_folder, context);
    try {
        if (!job.page_only) {
            std::string const source = context.source_folder + "/" + item.source;
            std::string jpeg;
            if (int const status = os::read_file(source, jpeg); status != 0)
                throw left_out(source + ": cannot read it: " + os::error_text(status));
            picture_images images;
            {
                decoding_slot const slot(context.decoding_slots);
                jpeg_header const header = read_jpeg_header(jpeg);
                images = make_picture_images(jpeg, header, record.web_box, record.thumbnail_box);
            }
            record.shown_width = images.shown.width;
            record.shown_height = images.shown.height;
            record.thumbnail_width = images.thumbnail_size.width;
            record.thumbnail_height = images.thumbnail_size.height;
            made.add("thumbnail.jpg", images.thumbnail, layout::thumbnail(item.album, item.name));
            made.add("thumbnail.ppm", ppm_header(images.thumbnail_size),
                     layout::thumbnail_size(item.album, record.link));
            if (record.web_box != 0)
                made.add("web.jpg", images.web, layout::web_copy(item.album, item.name));
            if (record.companion)
                made.add("companion.ppm", ppm_header(images.shown),
                         layout::companion(item.album, item.name));
        }
        record.page_key =
            page_key(item, record, context.settings,
                     (*context.frames)[static_cast<std::size_t>(item.album_at)], job.date);
        // The page goes last: a page is never there without the files it shows.
        made.add_made(written_page(job, record, work_folder, context),
                      layout::page(item.album, item.name));
        append_to_journal(context, picture_line(item.source, job.claim));
        made.place();
    } catch (std::exception const& error) {
        // Whatever went wrong with one picture, out of memory included, leaves it out alone.
        return {error.what(), {}, {}};
    }
    try {
        append_to_journal(context, picture_line(item.source, record));
    } catch (left_out const& error) {
        // The picture is whole; an interruption from here on would only cost its remaking.
        return {{}, error.what(), record};
    }
    return {{}, {}, record};
}

std::string make_album(album_job const& job, album const& which, std::string const& work_folder,
                       making_context& context) {
    made_files made(work_folder, context);
    try {
        if (job.copy_cover) {
            std::string const parent = layout::folder_of(which.path);
            std::string cover;
            std::string const from = layout::in(context.output, job.cover_from);
            if (int const status = os::read_file(from, cover); status != 0)
                throw left_out(from + ": cannot read it: " + os::error_text(status));
            std::string const cover_place = layout::cover(parent, which.name);
            std::string const size_place = layout::cover_size(parent, which.link);
            for (std::string const& folder :
                 {layout::folder_of(cover_place), layout::folder_of(size_place)}) {
                std::string const path = layout::in(context.output, folder);
                if (int const status = os::make_folder(path); status != 0)
                    throw left_out(path + ": cannot make this folder: " + os::error_text(status));
            }
            made.add("cover.jpg", cover, cover_place);
            made.add("cover.ppm", job.cover_header, size_place);
        }
        if (job.write_index) {
            std::string const list = work_folder + "/list";
            write(list, job.list);
            // pixfold's index comes back through a pipe a few kilobytes at a time; a string
            // that grew by doubling held its last two sizes at once, 48 MB for the 18 MB index of
            // 100,000 pictures. Room for the most that an entry takes (its name three times and
            // the markup around it) is kept instead: the pages never written stay out of memory.
            std::string index;
            index.reserve(
                4096 + job.list.size() * 4 +
                static_cast<std::size_t>(std::count(job.list.begin(), job.list.end(), '\n')) * 160);
            std::string const failure =
                write_index(context.pixfold, layout::in(context.output, layout::sizes(which.path)),
                            list, index, work_folder + "/report");
            if (!failure.empty()) throw left_out(failure);
            std::string const path = work_folder + "/index.html";
            write_finished(context, path, index, job.header, job.date, job.footer);
            made.add_made(path, layout::index(which.path));
        }
        append_to_journal(context, album_line(which.path, job.claim));
        made.place();
        append_to_journal(context, album_line(which.path, job.target));
    } catch (std::exception const& error) {
        return error.what();
    }
    return {};
}
