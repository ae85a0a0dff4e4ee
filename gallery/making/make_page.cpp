#include "making/make_page.h"

#include "imaging/size_header.h"
#include "layout/layout.h"
#include "making/pixfold_runs.h"
#include "making/staged_files.h"
#include "site/markers.h"

picture_outcome make_page(page_job const& job, int worker, making_context& context) {
    picture const& item = context.scanned.pictures[static_cast<std::size_t>(job.item_at)];
    staged_files staged(layout::in(context.gallery, layout::worker_folder(worker)),
                        context.gallery);
    try {
        // pixfold sizes the page from the size header beside the name it is given, made for the
        // page alone in a folder of its own, where no file of the gallery can be in the way.
        std::string const page_folder = layout::in(context.gallery, layout::page_folder(worker));
        write_new(page_folder + "/" + item.link + ".ppm", size_header(job.shown));
        std::string page;
        if (std::string const failure = write_page(context.pixfold, page_folder, item.link, page,
                                                   staged.path(layout::staged::report));
            !failure.empty())
            throw left_out(failure);
        std::string const path = staged.path(layout::staged::page);
        if (context.settings.site_step) {
            page_frame const& frame = context.site.picture_frame(item.album_at);
            std::string const header =
                frame.header + navigation_of(context.scanned, context.site, job.previous, job.next);
            write_new(path,
                      markers_expanded(page, header, context.site.date(item.stamp.modified_seconds),
                                       frame.footer));
        } else {
            write_new(path, page);
        }
        staged.add_made(layout::staged::page, layout::page(item.album, item.name));
        staged.place();
    } catch (std::exception const& error) {
        return {error.what(), {}, {}};
    }
    return {{}, context.state.record_page(item.source, job.key), {}};
}
