// Which pictures a run makes, decided from the scan, the records and the files there, without
// touching the disk: a picture whose files are all there, made from the same state of it with
// the same boxes and link, is left alone, or has only its page written again when what the page
// is written from changed; every other picture is made.
#pragma once

#include "plan/settings.h"
#include "site/site_step.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/records.h"

#include <string>
#include <vector>

// One picture whose files are to be made.
struct picture_job {
    picture item;
    picture_record target;  // its record once it is made; its sizes and page key then too
    picture_record claim;   // its claim while it is made: every file it may leave, old and new
    bool had_files = false; // an earlier run made files for it
    bool page_only = false; // its images are as they were: only its page is written again
    bool read_date = false; // with them, its file is read for when it was taken, which its
                            // record of an earlier version does not say
    std::string date;       // its timestamp, with the site step
};

std::vector<picture_job> plan_pictures(scan_result const& scanned, gallery_records const& records,
                                       file_set const& present, gallery_settings const& settings,
                                       site_step const& site);

// What the picture's record is to say once its files are made, as far as the plan can tell: its
// sizes and page key come with the making. A companion that someone else put there is never
// replaced, nor removed.
picture_record target_of(picture const& item, picture_record const* before, file_set const& present,
                         gallery_settings const& settings);
