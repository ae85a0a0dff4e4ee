// The pages of the gallery, each written by running pixfold: the gallery never writes a byte of
// a page itself.
#pragma once

#include <string>

// The pixfold to run: PIXFOLD, else the one installed beside this program, else the one on
// PATH. Empty when there is none.
std::string find_pixfold();

// Runs `pixfold BASE` in the folder, which holds BASE.ppm; the page it writes comes back in
// page. Returns an empty string when the page was written, else what went wrong; pixfold's
// report goes to the file report on the way.
std::string write_page(std::string const& pixfold, std::string const& folder,
                       std::string const& base, std::string& page, std::string const& report);

// Runs pixfold in the folder with the list of pictures as its input; the index comes back in
// index, by way of the file written (of 18 MB for 100,000 pictures, which pixfold writes in
// blocks of 4 KB: read through a pipe, as they come, each block would wake this process).
// Returns as write_page does.
std::string write_index(std::string const& pixfold, std::string const& folder,
                        std::string const& list, std::string& index, std::string const& report,
                        std::string const& written);
