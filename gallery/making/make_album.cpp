#include "making/make_album.h"

#include "imaging/size_header.h"
#include "layout/layout.h"
#include "making/pixfold_runs.h"
#include "making/staged_files.h"
#include "site/markers.h"
#include "system/system.h"

#include <algorithm>

namespace {

// Copies the album's cover, and its size header, into the worker's folder.
void stage_cover(album_job const& job, album const& which, staged_files& staged,
                 making_context& context) {
    std::string const parent = layout::folder_of(which.path);
    std::string cover;
    std::string const from = layout::in(context.gallery, job.cover_from);
    if (int const status = os::read_file(from, cover); status != 0)
        throw left_out(from + ": cannot read it: " + os::error_text(status));
    std::string const cover_place = layout::cover(parent, which.name);
    std::string const size_place = layout::cover_size(parent, which.link);
    for (std::string const& folder :
         {layout::folder_of(cover_place), layout::folder_of(size_place)}) {
        std::string const path = layout::in(context.gallery, folder);
        if (int const status = os::make_folder(path); status != 0)
            throw left_out(path + ": cannot make this folder: " + os::error_text(status));
    }
    staged.add(layout::staged::cover, cover, cover_place);
    staged.add(layout::staged::cover_size, size_header(job.cover_size), size_place);
}

// Writes the album's index into the worker's folder: pixfold runs in the state's folder of the
// album's size headers, with the list of its entries.
void stage_index(album_job const& job, album const& which, staged_files& staged,
                 making_context& context) {
    std::string const list = staged.path(layout::staged::list);
    write_new(list, job.list);
    // pixfold's index comes back a few kilobytes at a time; a string that grew by doubling held
    // its last two sizes at once, 48 MB for the 18 MB index of 100,000 pictures. Room for the most that an entry takes (its name three times and the markup
    // around it) is kept instead: the pages never written stay out of memory.
    std::string index;
    index.reserve(4096 + job.list.size() * 4 +
                  static_cast<std::size_t>(std::count(job.list.begin(), job.list.end(), '\n')) *
                      160);
    std::string const failure = write_index(
        context.pixfold, layout::in(context.gallery, layout::sizes(which.path)), list, index,
        staged.path(layout::staged::report), staged.path(layout::staged::pixfold_index));
    if (!failure.empty()) throw left_out(failure);
    std::string const path = staged.path(layout::staged::index);
    if (context.settings.site_step)
        write_new(path, markers_expanded(index, job.frame.header, job.date, job.frame.footer));
    else
        write_new(path, index);
    staged.add_made(layout::staged::index, layout::index(which.path));
}

} // namespace

std::string make_album(album_job const& job, album const& which, int worker,
                       making_context& context) {
    staged_files staged(layout::in(context.gallery, layout::worker_folder(worker)),
                        context.gallery);
    try {
        if (job.copy_cover) stage_cover(job, which, staged, context);
        if (job.write_index) stage_index(job, which, staged, context);
        if (std::string const failure = context.state.claim_album(which.path, job.claim);
            !failure.empty())
            throw left_out(failure);
        staged.place();
        if (std::string const failure = context.state.record_album(which.path, job.target);
            !failure.empty())
            throw left_out(failure);
    } catch (std::exception const& error) {
        return error.what();
    }
    return {};
}
