// Which albums' indexes and covers a run writes. Albums are planned once their pictures are
// made, since an index shows the sizes of the thumbnails that the making found, and planned
// again, for the albums above, whenever an album is held back because its index or cover could
// not be written: the album above then leaves out its entry.
#pragma once

#include "plan/settings.h"
#include "site/site_step.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/records.h"

#include <set>
#include <string>
#include <vector>

// One album whose index, or whose cover in the album above, is to be written.
struct album_job {
    int album = -1; // its place in the scan
    album_record target;
    album_record claim;
    bool write_index = false;
    bool copy_cover = false;
    std::string cover_from; // the thumbnail that its cover is a copy of
    image_size cover_size;  // that thumbnail's size, for its cover's size header
    std::string list;       // pixfold's list of its entries, one line each
    page_frame frame;       // with the site step: its index's header and footer
    std::string date;
};

struct album_plan {
    std::vector<album_job> jobs;
    std::vector<bool> shown; // by the scan's albums: each has an entry in the album above
};

// An index is written again only when what it is written from changed (its entries, their
// sizes, its header, date or footer), and a cover only when the thumbnail it copies changed.
// An album with no picture in the gallery anywhere below it has no index and no entry above.
// An album's date is the newest of its pictures and albums. Albums held back have no entry
// above.
album_plan plan_albums(scan_result const& scanned, gallery_records const& records,
                       file_set const& present, gallery_settings const& settings,
                       site_step const& site, std::set<int> const& held_back = {});
