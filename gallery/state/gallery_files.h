// The files that are in the gallery now: what the plan weighs against the records, and, after a
// run that did not end, what the state checks whole.
#pragma once

#include "source/scan.h"
#include "system/types.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Paths relative to the gallery's folder.
using file_set = std::unordered_set<std::string>;

struct gallery_files {
    file_set paths;
    // Each file's stamp, when they were listed stamped.
    std::unordered_map<std::string, file_stamp> stamps;
};

// Lists the gallery's folders of every album of the scan: its own, its thumbnails' and its
// covers', and their size headers; a folder that is not there is empty. In place the source
// folder is the top album's own, and its entries are given (top_entries). Stamped, each file's
// stamp is taken too, at the cost of a call per file. False, with the failure, when a folder
// cannot be read.
bool list_gallery_files(scan_result const& scanned, std::string const& gallery,
                        std::vector<folder_entry> const* top_entries, bool stamped,
                        gallery_files& files, std::string& failure);
