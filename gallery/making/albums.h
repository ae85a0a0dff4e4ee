// The albums of a run: their covers and indexes, written once their pictures are made.
#pragma once

#include "making/context.h"
#include "plan/removals.h"
#include "source/scan.h"
#include "state/gallery_files.h"

#include <vector>

struct albums_made {
    std::vector<removal> removals; // of albums gone, once no index links to them
    // False when an index that is out of date could not be written: the files it may still
    // link to stay for the next run to remove.
    bool indexes_current = true;
};

// Plans and writes the albums' covers and indexes, the deepest albums first, so that no index
// is there before the covers and indexes it links to. An album that could not be written is
// held back from the index above it, whose album is planned again without it.
albums_made make_albums(scan_result const& scanned, file_set const& present,
                        making_context& context);
