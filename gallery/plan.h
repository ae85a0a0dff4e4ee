// What a run does to the gallery, decided before any of it is done: which pictures are made,
// which files go, and what the manifest says afterwards. Nothing here touches the disk, so
// every rule that deletes a file is a plain test.
#pragma once

#include "manifest.h"
#include "scan.h"

#include <string>
#include <unordered_set>
#include <vector>

// The options as they bear on the files, settled once for the whole run.
struct gallery_settings {
    int web_box = 0; // 0 in place, where the pages show the originals
    int thumbnail_box = 200;
    bool keep_companions = false;
    bool force = false;
};

// One picture whose files are to be made.
struct picture_job {
    picture item;
    made_picture target;    // its record once it is made
    made_picture claim;     // its claim while it is made: every file it may leave, old and new
    bool had_files = false; // an earlier run made files for it
};

// Files to remove, and what the manifest is to say of their picture once they are gone.
struct removal {
    enum class then { forget_picture, forget_companion, nothing };

    std::string source;
    std::vector<std::string> files; // relative to the gallery, each page before what it shows
    then done = then::forget_picture;
};

struct gallery_plan {
    std::vector<picture_job> jobs;
    std::vector<removal> removals; // once the index no longer links to them
    bool index_stale = false;
    bool manifest_stale = false;
};

// The paths, relative to the gallery, of the files there now.
using present_files = std::unordered_set<std::string>;

// Pictures whose files are all there, made from the same state of the picture with the same
// boxes and link, are left alone; the others are made. Files of pictures that are gone, or no
// longer in the gallery, go, but those that a picture of the same name still has; so do the
// companions in the gallery's state that no picture links to any more. A companion that
// someone else put beside a page is never touched.
gallery_plan plan_gallery(std::vector<picture> const& pictures, manifest const& made,
                          present_files const& present, gallery_settings const& settings);

// How one job ended.
struct job_outcome {
    std::string failure; // why the picture is left out; empty when it was made
    std::string trouble; // what went wrong though the picture was made, to be told
};

// Takes the jobs into the manifest. A picture that failed is left out: it keeps a claim on
// every file it may have left until they are all removed, which the removals returned do.
std::vector<removal> settle_jobs(std::vector<picture_job> const& jobs,
                                 std::vector<job_outcome> const& outcomes, manifest& made);

// Applies a removal whose files are all gone to the manifest.
void apply_removal(removal const& done, manifest& made);
