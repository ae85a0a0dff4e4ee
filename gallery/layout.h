// Where the files of a gallery lie, and which of them a picture owns.
//
// Paths here are relative to the gallery's folder: the plan deals in them, and only the steps
// that touch the disk join them to that folder. The gallery's own state (its manifest, its
// journal, the folder where files are made before they are renamed into place, and the
// companions that pixfold sizes the index from) lies in one hidden folder of the gallery: on
// the same file system, so every rename is one step, and out of the way of what is published.
#pragma once

#include "manifest.h"

#include <string>
#include <string_view>
#include <vector>

namespace layout {

inline constexpr std::string_view state = ".pixfold-gallery";
inline constexpr std::string_view thumbnails = "t";
// Where pixfold writes the index: its list lines t/LINK.jpg find their companions here.
inline constexpr std::string_view sizes = ".pixfold-gallery/sizes";

std::string manifest();
std::string journal();
std::string work();
std::string index();

// The files of a picture named NAME (its file name without the JPEG suffix), whose links
// carry LINK.
std::string page(std::string const& name);           // NAME.html
std::string web_copy(std::string const& name);       // NAME.jpg, with SRC OUT
std::string companion(std::string const& name);      // NAME.ppm, with --keep-companions
std::string thumbnail(std::string const& name);      // t/NAME.jpg
std::string thumbnail_size(std::string const& link); // the state's sizes/t/LINK.ppm
// The folder of those companions.
std::string thumbnail_sizes();
std::string old_thumbnail_size(std::string const& name); // t/NAME.ppm, of earlier versions

// The files that a picture made as the record says has, every one of them there.
std::vector<std::string> made_files(std::string const& name, made_picture const& made);
// The files that the record claims for the picture named NAME: they may be there or not.
std::vector<std::string> owned_files(std::string const& name, made_picture const& made);

// The path of a file of the gallery in the folder.
std::string in(std::string const& folder, std::string_view relative);

} // namespace layout
