// The manifest: what pixfold-gallery made for each picture, and from which state of it. A later
// run redoes only what changed, and removes only files that it made itself.
//
// It is a text file, one picture per line, replaced in one rename at the end of a run. While a
// run goes on, its lines go to a journal beside it: a claim on a picture's files before the
// first of them appears, so that no file of the gallery is ever taken for one of the user's,
// and the picture's line once they are all in place, so that a run that is interrupted keeps
// the pictures it finished.
#pragma once

#include "system/types.h"

#include <map>
#include <set>
#include <string>

struct made_picture {
    file_stamp stamp;       // of the source when its files were made
    int web_box = 0;        // the box of its web-size copy; 0 when the gallery is in place
    int thumbnail_box = 0;  // the box of its thumbnail
    bool companion = false; // its PPM companion beside the page was made and kept
    bool finished = true;   // false for a claim: its files may be there, whole or not at all
    std::string link;       // the name that pixfold wrote its pages with; empty when an earlier
                            // version made them, with the name as it is
};

// By the picture's file name in the source folder.
using manifest = std::map<std::string, made_picture>;

// One picture's line, with its line end.
std::string manifest_line(std::string const& source, made_picture const& made);

struct manifest_state {
    manifest made;
    bool outdated = false; // written by an earlier version: the next manifest replaces it at once
    // The pictures whose newest line is the journal's: what a run made that did not end, and
    // so never had its files written to the disk for certain.
    std::set<std::string> from_journal;
};

// Reads the manifest and then the journal, whose lines are newer. Lines that cannot be read (a
// journal cut short by an interruption) are left out: their pictures are simply made again.
manifest_state read_manifest(std::string const& manifest_text, std::string const& journal_text);

// The manifest's text, in byte order of the names, so equal galleries have equal manifests.
std::string manifest_text(manifest const& made);
