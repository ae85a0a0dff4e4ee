#include "make_picture.h"

#include "imaging.h"
#include "layout.h"
#include "pixfold_runs.h"
#include "system/system.h"

#include <stdexcept>
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

} // namespace

job_outcome make_picture(picture_job const& job, std::string const& work_folder,
                         making_context& context) {
    picture const& item = job.item;
    made_picture const& target = job.target;
    // Each made file beside the place where it goes.
    std::vector<std::pair<std::string, std::string>> made;
    try {
        std::string const source = context.source_folder + "/" + item.source;
        std::string jpeg;
        if (int const status = os::read_file(source, jpeg); status != 0)
            throw left_out(source + ": cannot read it: " + os::error_text(status));

        picture_images images;
        {
            decoding_slot const slot(context.decoding_slots);
            jpeg_header const header = read_jpeg_header(jpeg);
            images = make_picture_images(jpeg, header, target.web_box, target.thumbnail_box);
        }
        auto const make = [&](std::string const& name, std::string const& bytes,
                              std::string place) {
            std::string const path = work_folder + "/" + name;
            write(path, bytes);
            made.emplace_back(path, std::move(place));
        };
        make("thumbnail.jpg", images.thumbnail, layout::thumbnail(item.name));
        make("thumbnail.ppm", ppm_header(images.thumbnail_size),
             layout::thumbnail_size(target.link));
        if (target.web_box != 0) make("web.jpg", images.web, layout::web_copy(item.name));
        if (target.companion)
            make("companion.ppm", ppm_header(images.shown), layout::companion(item.name));

        // pixfold sizes the page from the companion beside the name it is given; that one is
        // made for the page alone, in a folder of its own where no file of the gallery can be
        // in the way; it goes with the work folder.
        std::string const page_folder = work_folder + "/page";
        std::string const page_companion = page_folder + "/" + target.link + ".ppm";
        write(page_companion, ppm_header(images.shown));
        std::string const page = work_folder + "/page.html";
        std::string const failure =
            write_page(context.pixfold, page_folder, target.link, page, work_folder + "/report");
        if (!failure.empty()) throw left_out(failure);
        made.emplace_back(page, layout::page(item.name));

        append_to_journal(context, manifest_line(item.source, job.claim));
        // The page goes last: a page is never there without the files it shows.
        for (auto const& [path, place] : made) {
            std::string const target_path = layout::in(context.output, place);
            if (int const status = os::rename_file(path, target_path); status != 0)
                throw left_out(target_path + ": cannot put it in place: " + os::error_text(status));
        }
    } catch (std::exception const& error) {
        // Whatever went wrong with one picture, out of memory included, leaves it out alone.
        return {error.what(), {}};
    }
    try {
        append_to_journal(context, manifest_line(item.source, target));
    } catch (left_out const& error) {
        // The picture is whole; an interruption from here on would only cost its remaking.
        return {{}, error.what()};
    }
    return {};
}
