// Where the files of a gallery lie, and which of them a picture owns.
//
// Paths here are relative to the gallery's folder: the plan deals in them, and only the steps
// that touch the disk join them to that folder. The gallery's own state (its manifest, its
// journal, the folder where files are made before they are renamed into place) lies in one
// hidden folder of the gallery: on the same file system, so every rename is one step.
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
std::string index();

// The files of a picture named NAME (its file name without the JPEG suffix).
std::string page(std::string const& name);                // NAME.html
std::string web_copy(std::string const& name);            // NAME.jpg, with SRC OUT
std::string companion(std::string const& name);           // NAME.ppm, with --keep-companions
std::string thumbnail(std::string const& name);           // t/NAME.jpg
std::string thumbnail_companion(std::string const& name); // t/NAME.ppm

// The files that the record says were made for the picture named NAME: claimed, they may be
// there or not.
std::vector<std::string> owned_files(std::string const& name, made_picture const& made);

// The path of a file of the gallery in the folder.
std::string in(std::string const& folder, std::string_view relative);

} // namespace layout
