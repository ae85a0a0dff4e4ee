// Finding the pictures of a source folder and of the folders below it, and the names they take
// in the gallery.
#pragma once

#include "system/types.h"

#include <functional>
#include <string>
#include <vector>

struct picture {
    std::string source; // its path in the source folder: 2024/IMG_0001.JPG
    std::string album;  // the path of its album: 2024, or empty for the top
    int album_at = 0;   // its album's place among the scan's
    std::string name;   // its name in the album, of its page, thumbnail and anchor: IMG_0001
    std::string link;   // the name as pixfold writes it into the pages' links
    file_stamp stamp;
};

// A folder that holds pictures, or albums in turn.
struct album {
    std::string path;          // in the source folder: 2024/holiday, or empty for the top
    std::string name;          // its folder's name: holiday (for the top, the source folder's)
    std::string link;          // the name as pixfold writes it into its parent's index
    int parent = -1;           // the album above, -1 for the top
    std::vector<int> albums;   // the albums in it, in the byte order of their names
    std::vector<int> pictures; // its pictures, in the byte order of NAME.jpg
    bool has_header = false;   // its folder holds stdheader.inc
    bool has_footer = false;   // its folder holds stdfooter.inc
};

struct scan_result {
    std::vector<album> albums;      // the top first, then each album before those in it
    std::vector<picture> pictures;  // album by album
    std::vector<std::string> notes; // pictures and folders left out with the reason, warnings
                                    // of files not shown
    int left_out = 0;               // pictures and albums that cannot be in the gallery
};

struct scan_settings {
    bool albums = true;            // walk the folders below; else name those that hold pictures
    bool any_format = true;        // every picture is taken, not only NAME.jpg (names.h)
    bool names_may_be_utf8 = true; // how names are written for their links (link_names.h)
};

// Lists a folder below the source folder, by its path there; why it cannot, or an empty string.
// skip says whether a folder is to be passed over whatever it holds: the gallery's own folder,
// when it lies in the source folder.
using folder_lister = std::function<std::string(std::string const&, std::vector<folder_entry>&)>;
using folder_filter = std::function<bool(std::string const&)>;

// Walks the source folder, whose own entries are given and whose name is top_name.
scan_result scan_pictures(std::vector<folder_entry> const& top_entries, std::string const& top_name,
                          scan_settings const& settings, folder_lister const& list,
                          folder_filter const& skip);
