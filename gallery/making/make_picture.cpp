#include "making/make_picture.h"

#include "imaging/imaging.h"
#include "imaging/size_header.h"
#include "layout/layout.h"
#include "making/staged_files.h"
#include "system/system.h"

namespace {

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

// The moment of a time on the camera's clock: in its own time zone where the camera said which,
// else in this machine's, as the file's own time is.
std::optional<moment> moment_of(std::optional<exif_time> const& taken) {
    if (!taken) return std::nullopt;
    std::int64_t const seconds = taken->offset_minutes
                                     ? seconds_since_1970(*taken, *taken->offset_minutes)
                                     : os::local_moment(taken->year, taken->month, taken->day,
                                                        taken->hour, taken->minute, taken->second);
    return moment{seconds, taken->nanoseconds};
}

std::string source_bytes(std::string const& source) {
    std::string bytes;
    if (int const status = os::read_file(source, bytes); status != 0)
        throw left_out(source + ": cannot read it: " + os::error_text(status));
    return bytes;
}

} // namespace

picture_outcome make_picture(picture_job const& job, int worker, making_context& context) {
    picture const& item = job.item;
    picture_record record = job.target;
    staged_files staged(layout::in(context.gallery, layout::worker_folder(worker)),
                        context.gallery);
    try {
        std::string const bytes = source_bytes(context.source_folder + "/" + item.source);
        if (job.date_only) {
            // Its images are kept: only when it was taken is read, from its header.
            record.taken = moment_of(read_picture_header(bytes).taken);
            record.dated = true;
            return {{}, context.state.record(item.source, record), record};
        }
        picture_images images;
        {
            decoding_slot const slot(context.decoding_slots);
            picture_header const header = read_picture_header(bytes);
            record.taken = moment_of(header.taken);
            record.dated = true;
            images = make_picture_images(bytes, header, record.web_box, record.thumbnail_box);
        }
        record.shown = images.shown;
        record.thumbnail = images.thumbnail_size;
        staged.add(layout::staged::thumbnail, images.thumbnail,
                   layout::thumbnail(item.album, item.name));
        staged.add(layout::staged::thumbnail_size, size_header(images.thumbnail_size),
                   layout::thumbnail_size(item.album, record.link));
        if (record.web_box != 0)
            staged.add(layout::staged::web_copy, images.web,
                       layout::web_copy(item.album, item.name));
        if (record.companion)
            staged.add(layout::staged::companion, size_header(images.shown),
                       layout::companion(item.album, item.name));
        if (std::string const failure = context.state.claim(item.source, job.claim);
            !failure.empty())
            throw left_out(failure);
        staged.place();
    } catch (std::exception const& error) {
        // Whatever went wrong with one picture, out of memory included, leaves it out alone.
        return {error.what(), {}, {}};
    }
    // Its images are whole; an interruption from here on would only cost their remaking.
    return {{}, context.state.record(item.source, record), record};
}
