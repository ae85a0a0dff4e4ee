// What a run does to the gallery, decided before any of it is done: which pictures are made,
// which pages and indexes are written again, which files go, and what the manifest says
// afterwards. Nothing here touches the disk, so every rule that deletes a file is a plain test.
#pragma once

#include "manifest.h"
#include "scan.h"
#include "site_step.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

// The options as they bear on the files, settled once for the whole run.
struct gallery_settings {
    int web_box = 0; // 0 in place, where the pages show the originals
    int thumbnail_box = 200;
    bool keep_companions = false;
    bool force = false;
    bool site_step = false; // the markers of every page are expanded
};

// What the site step takes for the pages of each album, by its place in the scan.
struct site_sources {
    std::vector<std::optional<std::string>> header_files; // the nearest stdheader.inc's bytes
    std::vector<std::optional<std::string>> footer_files; // the nearest stdfooter.inc's bytes
    std::vector<std::string> shown_names;                 // each album's name as a page shows it
    std::function<std::string(std::int64_t)> date_of;     // a moment as the timestamp shows it
};

// One picture whose files are to be made.
struct picture_job {
    picture item;
    made_picture target;    // its record once it is made; its sizes and page key then too
    made_picture claim;     // its claim while it is made: every file it may leave, old and new
    bool had_files = false; // an earlier run made files for it
    bool page_only = false; // its pictures are as they were: only its page is written again
    std::string date;       // its timestamp, with the site step
};

// Files to remove, and what the manifest is to say of their picture or album once they are
// gone.
struct removal {
    enum class then { forget_picture, forget_companion, forget_album, nothing };

    std::string source;             // the picture's or the album's path in the source folder
    std::vector<std::string> files; // relative to the gallery, each page before what it shows
    then done = then::forget_picture;
    std::vector<std::string> folders; // to remove too, once empty, the deepest first
};

struct gallery_plan {
    std::vector<page_frame> frames; // by the scan's albums, with the site step: its pages'
    std::vector<picture_job> jobs;
    std::vector<removal> removals; // once the indexes no longer link to them
    bool manifest_stale = false;
};

// The paths, relative to the gallery, of the files there now.
using present_files = std::unordered_set<std::string>;

// Pictures whose files are all there, made from the same state of the picture with the same
// boxes and link, are left alone, or get their page written again when what it is written from
// changed; the others are made. Files of pictures that are gone, or no longer in the gallery,
// go, but those that a picture of the same name still has; so do the size headers in the
// gallery's state that no picture links to any more. A companion that someone else put beside
// a page is never touched.
gallery_plan plan_gallery(scan_result const& scanned, manifest const& made,
                          present_files const& present, gallery_settings const& settings,
                          site_sources const& site);

// The key of everything a picture's page is written from.
std::uint64_t page_key(picture const& item, made_picture const& made,
                       gallery_settings const& settings, page_frame const& frame,
                       std::string const& date);

// How one job ended.
struct job_outcome {
    std::string failure; // why the picture is left out; empty when it was made
    std::string trouble; // what went wrong though the picture was made, to be told
    made_picture made;   // its record when it was made
};

// Takes the jobs into the manifest. A picture that failed is left out: it keeps a claim on
// every file it may have left until they are all removed, which the removals returned do.
std::vector<removal> settle_jobs(std::vector<picture_job> const& jobs,
                                 std::vector<job_outcome> const& outcomes, manifest& made);

// One album whose index, or whose cover in the album above, is to be written.
struct album_job {
    int album = -1; // its place in the scan
    made_album target;
    made_album claim;
    bool write_index = false;
    bool copy_cover = false;
    std::string cover_from;   // the thumbnail that its cover is a copy of
    std::string cover_header; // the size header of that thumbnail, as its cover's
    std::string list;         // pixfold's list of its entries, one line each
    std::string header;       // with the site step: its index's markers
    std::string date;
    std::string footer;
};

struct album_plan {
    std::vector<album_job> jobs;
    std::vector<removal> removals; // of albums gone, once the indexes no longer link to them
    bool manifest_stale = false;
    std::vector<bool> shown; // by the scan's albums: each has an entry in the album above
};

// The albums, once their pictures are made: an index is written again only when what it is
// written from changed (its entries, their sizes, its header, date or footer), and a cover
// only when the thumbnail it copies changed. An album with no picture in the gallery anywhere
// below it has no index; one that is gone loses its files. An album's date is the newest of
// its pictures and albums.
// Albums held back (their index or cover could not be written) have no entry above and lose
// none of their files.
album_plan plan_albums(scan_result const& scanned, manifest const& made,
                       present_files const& present, gallery_settings const& settings,
                       site_sources const& site, std::set<int> const& held_back = {});

// Applies a removal whose files are all gone to the manifest.
void apply_removal(removal const& done, manifest& made);
