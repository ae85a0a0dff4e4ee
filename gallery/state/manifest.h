// The manifest and the journal as text: one line per picture or album. The manifest holds the
// records of the last run that ended; the journal, the lines of the run going on, newer than the
// manifest's. Only the gallery's state (gallery_state.h) writes either file.
#pragma once

#include "state/records.h"

#include <set>
#include <string>

// One picture's or album's line, with its line end.
std::string picture_line(std::string const& source, picture_record const& record);
std::string album_line(std::string const& path, album_record const& record);

struct records_read {
    gallery_records records;
    bool outdated = false; // written by an earlier version: the next manifest replaces it at once
    // The pictures and albums whose newest line is the journal's: what a run made that did not
    // end, and so never had its files written to the disk for certain.
    std::set<std::string> pictures_from_journal;
    std::set<std::string> albums_from_journal;
};

// Reads the manifest and then the journal, whose lines are newer. Lines that cannot be read (a
// journal cut short by an interruption) are left out: their pictures are simply made again.
records_read read_manifest(std::string const& manifest_text, std::string const& journal_text);

// The manifest's text, in byte order of the paths, so equal galleries have equal manifests.
std::string manifest_text(gallery_records const& records);
