// Where every file and folder of a gallery lies.
//
// Paths here are relative to the gallery's folder: the plan deals in them, and only the steps
// that touch the disk join them to that folder. An album lies in the gallery at its path in
// the source folder (ALBUM below; empty for the top), and its entry in the album above is the
// list line t/LINK/index.jpg. The gallery's own state (its manifest, its journal, the work
// folder where files are made before they are renamed into place, and the size headers that
// pixfold reads for the indexes) lies in one hidden folder of the gallery: on the same file
// system, so every rename is one step, and out of the way of what is published.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace layout {

inline constexpr std::string_view state = ".pixfold-gallery";
inline constexpr std::string_view thumbnails = "t";

std::string manifest();
std::string journal();

// The files of a picture named NAME (its file name without its suffix) in ALBUM, whose links
// carry LINK.
std::string page(std::string const& album, std::string const& name);      // ALBUM/NAME.html
std::string web_copy(std::string const& album, std::string const& name);  // ALBUM/NAME.jpg
std::string companion(std::string const& album, std::string const& name); // ALBUM/NAME.ppm
std::string thumbnail(std::string const& album, std::string const& name); // ALBUM/t/NAME.jpg
// The size header of its thumbnail, in the state: sizes/ALBUM/t/LINK.ppm.
std::string thumbnail_size(std::string const& album, std::string const& link);
// Where an earlier version kept it: ALBUM/t/NAME.ppm.
std::string old_thumbnail_size(std::string const& album, std::string const& name);
// The names that the files of a picture NAME take in its album's own folder, a file of the
// user's or a folder there included: NAME.html, NAME.jpg and NAME.ppm.
std::vector<std::string> names_in_album_folder(std::string const& name);

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
// The folders of an album that the gallery makes, the deepest first, to remove once empty.
std::vector<std::string> album_folders(std::string const& album, std::string const& link);

// Appends a line of pixfold's list for an index, with its line end, relative to the album:
// t/LINK.jpg for a picture, t/LINK/index.jpg for an album below. An index of 100,000 pictures
// has as many: appended where they go, none of them is a string of its own.
void append_picture_entry(std::string& list, std::string_view link);
void append_album_entry(std::string& list, std::string_view link);

// The work folder, where every file is made before it is renamed into place. Each worker has a
// folder of its own in it, numbered from 0, and in that an empty folder where pixfold writes a
// page beside the size header made for it alone.
std::string work();
std::string worker_folder(int worker);
std::string page_folder(int worker);
// The manifest, made in the work folder before it is renamed over the last one.
std::string new_manifest();
// What a worker makes, in its folder, before each goes into place.
namespace staged {
inline constexpr std::string_view thumbnail = "thumbnail.jpg";
inline constexpr std::string_view thumbnail_size = "thumbnail.ppm";
inline constexpr std::string_view web_copy = "web.jpg";
inline constexpr std::string_view companion = "companion.ppm";
inline constexpr std::string_view page = "page.html";
inline constexpr std::string_view cover = "cover.jpg";
inline constexpr std::string_view cover_size = "cover.ppm";
inline constexpr std::string_view index = "index.html";
inline constexpr std::string_view list = "list";                  // pixfold's input for an index
inline constexpr std::string_view report = "report";              // pixfold's standard error
inline constexpr std::string_view pixfold_index = "pixfold.html"; // its index, markers and all
} // namespace staged

// The album of a path in the source folder, and its last part: 2024/holiday and IMG_1.JPG.
std::string folder_of(std::string const& path);
std::string last_part(std::string const& path);

// The path of a file of the gallery in the folder.
std::string in(std::string const& folder, std::string_view relative);

} // namespace layout
