// What every job of a run shares while it makes pictures and albums.
#pragma once

#include "plan/settings.h"
#include "site/site_step.h"
#include "source/scan.h"
#include "state/gallery_state.h"
#include "status/status.h"

#include <functional>

#include <semaphore>
#include <string>
#include <vector>

struct making_context {
    scan_result const& scanned;
    std::string source_folder;
    std::string gallery; // the gallery's folder
    std::string pixfold;
    gallery_settings settings;
    site_step const& site;
    gallery_state& state; // where every job records what it made
    status& shown;
    std::function<void(std::string const&)> fail; // tells a failure, which fails the run
    int workers = 1;                              // jobs side by side, each with its folder
    // Decoding and shrinking keep a processor busy and hold some 20 MB each: more of them at
    // once than there are processors only cost memory. Jobs beyond that overlap the rest, the
    // pages and the renames.
    std::counting_semaphore<> decoding_slots;
};
