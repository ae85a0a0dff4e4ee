// Where the files of a gallery lie, and which of them a picture or an album owns.
//
// Paths here are relative to the gallery's folder: the plan deals in them, and only the steps
// that touch the disk join them to that folder. An album lies in the gallery at its path in
// the source folder (ALBUM below; empty for the top), and its entry in the album above is the
// list line t/LINK/index.jpg. The gallery's own state (its manifest, its journal, the folder
// where files are made before they are renamed into place, and the size headers that pixfold
// reads for the indexes) lies in one hidden folder of the gallery: on the same file system, so
// every rename is one step, and out of the way of what is published.
#pragma once

#include "manifest.h"

#include <string>
#include <string_view>
#include <vector>

namespace layout {

inline constexpr std::string_view state = ".pixfold-gallery";
inline constexpr std::string_view thumbnails = "t";

std::string manifest();
std::string journal();
std::string work();

// The files of a picture named NAME (its file name without the JPEG suffix) in ALBUM, whose
// links carry LINK.
std::string page(std::string const& album, std::string const& name);      // ALBUM/NAME.html
std::string web_copy(std::string const& album, std::string const& name);  // ALBUM/NAME.jpg
std::string companion(std::string const& album, std::string const& name); // ALBUM/NAME.ppm
std::string thumbnail(std::string const& album, std::string const& name); // ALBUM/t/NAME.jpg
// The size header of its thumbnail, in the state: sizes/ALBUM/t/LINK.ppm.
std::string thumbnail_size(std::string const& album, std::string const& link);
// Where an earlier version kept it: ALBUM/t/NAME.ppm.
std::string old_thumbnail_size(std::string const& album, std::string const& name);

// The folder of the album's thumbnails: ALBUM/t.
std::string thumbnail_folder(std::string const& album);

// The files of the album ALBUM, named NAME in its PARENT, whose links there carry LINK.
std::string index(std::string const& album);                           // ALBUM/index.html
std::string cover(std::string const& parent, std::string const& name); // PARENT/t/NAME/index.jpg
std::string cover_size(std::string const& parent, std::string const& link);
// The state's folder of the album's size headers, where pixfold writes its index.
std::string sizes(std::string const& album);
// The folder of the album's thumbnails' size headers in it.
std::string thumbnail_sizes(std::string const& album);

// The files that a picture made as the record says has, every one of them there.
std::vector<std::string> made_files(std::string const& album, std::string const& name,
                                    made_picture const& made);
// The files that the record claims for the picture: they may be there or not.
std::vector<std::string> owned_files(std::string const& album, std::string const& name,
                                     made_picture const& made);
// The files of an album as the record says; the top has no cover.
std::vector<std::string> album_files(std::string const& album, made_album const& made);
// The folders of an album that the gallery made, the deepest first, to remove once empty.
std::vector<std::string> album_folders(std::string const& album, made_album const& made);

// The album of a path in the source folder, and its last part: 2024/holiday and IMG_1.JPG.
std::string folder_of(std::string const& path);
std::string last_part(std::string const& path);

// The path of a file of the gallery in the folder.
std::string in(std::string const& folder, std::string_view relative);

} // namespace layout
