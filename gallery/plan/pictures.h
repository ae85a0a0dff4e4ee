// Which pictures a run makes the images of, decided from the scan, the records and the files
// there, without touching the disk: a picture whose files are all there, made from the same state
// of it with the same boxes and link, keeps its images; every other picture is made. Pages are
// planned apart (plan/pages.h), once the images are made.
#pragma once

#include "plan/settings.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/records.h"

#include <string>
#include <vector>

// One picture whose images are to be made: its thumbnail, web-size copy and size headers.
struct picture_job {
    picture item;
    picture_record target;  // its record once they are made; its sizes and time come then
    picture_record claim;   // its claim while they are made: every file it may leave, old and new
    bool had_files = false; // an earlier run made files for it
    // Its images are kept, and its file is read only for when it was taken, which its record of
    // an earlier version does not say and the order by date asks.
    bool date_only = false;
};

std::vector<picture_job> plan_pictures(scan_result const& scanned, gallery_records const& records,
                                       file_set const& present, gallery_settings const& settings);

// What the picture's record is to say once its files are made, as far as the plan can tell: its
// sizes and time come with the making. A companion that someone else put there is never
// replaced, nor removed.
picture_record target_of(picture const& item, picture_record const* before, file_set const& present,
                         gallery_settings const& settings);
