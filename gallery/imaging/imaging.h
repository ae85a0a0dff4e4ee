// Decoding, turning upright and shrinking pictures: everything that touches pixels. It works on
// bytes in memory and touches no file; the caller reads and writes them.
//
// A browser turns a JPEG upright by its EXIF orientation, so every size and every picture made
// here is the picture as a browser shows it. Failures throw imaging_error with a message fit
// for the user.
#pragma once

#include "imaging/image_size.h"

#include <stdexcept>
#include <string>

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

// Reads the header of a JPEG without decoding it; throws when the bytes are no JPEG.
jpeg_header read_jpeg_header(std::string const& jpeg);

struct picture_images {
    std::string web;       // the web-size copy; empty when the page shows the original
    std::string thumbnail; // the thumbnail
    image_size shown;      // the picture that the page shows: the web-size copy, or the original
    image_size thumbnail_size;
};

// Makes a picture's images from its JPEG. web_box is the box of the web-size copy, 0 when the
// page shows the original itself.
picture_images make_picture_images(std::string const& jpeg, jpeg_header const& header, int web_box,
                                   int thumbnail_box);
