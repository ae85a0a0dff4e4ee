// The manifest: what pixfold-gallery made for each picture, and from which state of it. A later
// run redoes only what changed, and removes only files that it made itself.
//
// It is a text file, one picture per line, replaced in one rename at the end of a run. While a
// run goes on, each finished picture is appended to a journal beside it, so a run that is
// interrupted keeps the pictures it finished.
#pragma once

#include "system.h"

#include <map>
#include <string>

struct made_picture {
    file_stamp stamp;       // of the source when its files were made
    int web_box = 0;        // the box of its web-size copy; 0 when the gallery is in place
    int thumbnail_box = 0;  // the box of its thumbnail
    bool companion = false; // its PPM companion beside the page was made and kept
};

// By the picture's file name in the source folder.
using manifest = std::map<std::string, made_picture>;

// One picture's line, with its line end.
std::string manifest_line(std::string const& source, made_picture const& made);

// Reads the manifest and then the journal, whose lines are newer. Lines that cannot be read (a
// journal cut short by an interruption) are left out: their pictures are simply made again.
manifest read_manifest(std::string const& manifest_text, std::string const& journal_text);

// The manifest's text, in byte order of the names, so equal galleries have equal manifests.
std::string manifest_text(manifest const& made);
