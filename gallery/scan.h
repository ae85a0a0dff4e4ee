// Finding the pictures of a source folder, and the names they take in the gallery.
#pragma once

#include "system/types.h"

#include <string>
#include <vector>

struct picture {
    std::string source; // the file name in the source folder: IMG_0001.JPG
    std::string name;   // its name in the gallery, of its page, thumbnail and anchor: IMG_0001
    std::string link;   // the name as pixfold writes it into the pages' links
    file_stamp stamp;
};

struct scan_result {
    std::vector<picture> pictures;  // in the order of the index: byte order of NAME.jpg
    std::vector<std::string> notes; // pictures left out with the reason, and warnings
    int left_out = 0;               // pictures that cannot be in the gallery
};

// Takes the entries of the source folder apart. camera_suffixes takes NAME.JPG, NAME.jpeg and
// NAME.JPEG as pictures too; without it they are left out with a warning, not an error.
// names_may_be_utf8 says how names are written for their links (link_names.h).
scan_result scan_pictures(std::vector<folder_entry> const& entries, bool camera_suffixes,
                          bool names_may_be_utf8);
