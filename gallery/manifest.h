// The manifest: what pixfold-gallery made for each picture and each album, and from what. A
// later run redoes only what changed, and removes only files that it made itself.
//
// It is a text file, one line per picture or album, replaced in one rename at the end of a run.
// While a run goes on, its lines go to a journal beside it: a claim on a picture's or an album's
// files before the first of them appears, so that no file of the gallery is ever taken for one
// of the user's, and the finished line once they are all in place, so that a run that is
// interrupted keeps what it finished.
#pragma once

#include "system/types.h"

#include <cstdint>
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
    int shown_width = 0;    // the size its page shows
    int shown_height = 0;
    int thumbnail_width = 0; // the size of its thumbnail
    int thumbnail_height = 0;
    std::uint64_t page_key = 0; // of everything its page was written from
};

struct made_album {
    std::string link;            // the name of its folder in its parent's links
    std::uint64_t index_key = 0; // of everything its index was written from
    std::uint64_t cover_key = 0; // of the thumbnail its cover was copied from; 0 for the top
    bool finished = true;        // false for a claim, as for a picture
};

struct manifest {
    std::map<std::string, made_picture> pictures; // by the picture's path in the source folder
    std::map<std::string, made_album> albums;     // by the album's path; "" for the top
};

// One picture's or album's line, with its line end.
std::string picture_line(std::string const& source, made_picture const& made);
std::string album_line(std::string const& path, made_album const& made);

struct manifest_state {
    manifest made;
    bool outdated = false; // written by an earlier version: the next manifest replaces it at once
    // The pictures and albums whose newest line is the journal's: what a run made that did not
    // end, and so never had its files written to the disk for certain.
    std::set<std::string> pictures_from_journal;
    std::set<std::string> albums_from_journal;
};

// Reads the manifest and then the journal, whose lines are newer. Lines that cannot be read (a
// journal cut short by an interruption) are left out: their pictures are simply made again.
manifest_state read_manifest(std::string const& manifest_text, std::string const& journal_text);

// The manifest's text, in byte order of the paths, so equal galleries have equal manifests.
std::string manifest_text(manifest const& made);
