// Decoding, turning upright and shrinking pictures: everything that touches pixels.
//
// A browser turns a JPEG upright by its EXIF orientation, so every size and every picture made
// here is the picture as a browser shows it. Failures throw imaging_error with a message fit
// for the user.
#pragma once

#include <stdexcept>
#include <string>

struct image_size {
    int width = 0;
    int height = 0;

    bool operator==(image_size const&) const = default;
};

struct imaging_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Starts the image library once per process: quiet, one thread per picture, no cache.
void start_imaging(char const* program);

struct jpeg_header {
    image_size stored;   // as the pixels lie in the file
    int orientation = 1; // EXIF orientation, 1 to 8; 1 when there is none

    bool is_upright() const { return orientation == 1; }
    // Orientations 5 to 8 turn the picture by a quarter, which swaps width and height.
    image_size shown() const;
};

// Reads the header of a JPEG file without decoding it; throws when the file is no JPEG.
jpeg_header read_jpeg_header(std::string const& path);

// Where one picture's files are written, every one a temporary path; an empty path is a file
// not wanted.
struct picture_outputs {
    std::string web;              // the web-size copy, upright, fitting its box
    std::string thumbnail;        // the thumbnail JPEG, upright, fitting its box
    std::string thumbnail_pixmap; // the thumbnail's PPM companion
    std::string companion;        // the PPM companion of the picture as the page shows it
};

struct picture_sizes {
    image_size shown;     // the picture that the page shows: the web-size copy, or the original
    image_size thumbnail; // the thumbnail
    bool copied = false;  // the web-size copy is the original's bytes
};

// Makes a picture's files from its source. web_box is the box of the web-size copy, 0 when the
// page shows the original itself.
picture_sizes make_picture_files(std::string const& source, jpeg_header const& header, int web_box,
                                 int thumbnail_box, picture_outputs const& outputs);

// The header of a binary PPM: the size stands on the second line, where pixfold reads it.
std::string ppm_header(image_size size);
