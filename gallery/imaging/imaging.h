// Decoding, turning upright and shrinking pictures: everything that touches pixels. It works on
// bytes in memory and touches no file; the caller reads and writes them.
//
// A browser turns a JPEG upright by its EXIF orientation, so every size and every picture made
// here is the picture as a browser shows it. A HEIF is turned by its own transforms (irot, imir),
// which the decoder applies; its EXIF orientation is information only, and turns nothing again.
// Failures throw imaging_error with a message fit for the user.
#pragma once

#include "imaging/exif_time.h"
#include "imaging/image_size.h"

#include <optional>

#include <stdexcept>
#include <string>

struct imaging_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Starts the image library once per process: quiet, one thread per picture, no cache.
void start_imaging(char const* program);

struct picture_header {
    bool is_jpeg = false; // decoded with the decoder's own shrink, or published as it is
    image_size stored;    // as the decoder gives the pixels: a HEIF's own turns are applied
    int orientation = 1;  // EXIF orientation, 1 to 8, still to apply; 1 when there is none
    std::optional<exif_time> taken; // when it was taken, as its EXIF says

    bool is_upright() const { return orientation == 1; }
    // Orientations 5 to 8 turn the picture by a quarter, which swaps width and height.
    image_size shown() const;
};

// Reads the header of a picture without decoding its pixels: a JPEG, HEIF or AVIF, PNG, WebP,
// TIFF or GIF, whatever its name says. Throws when the bytes are none of these.
picture_header read_picture_header(std::string const& bytes);

struct picture_images {
    std::string web;       // the web-size copy; empty when the page shows the original
    std::string thumbnail; // the thumbnail
    image_size shown;      // the picture that the page shows: the web-size copy, or the original
    image_size thumbnail_size;
};

// Makes a picture's images from its bytes, in JPEG: the first frame of an animation, laid on
// white where it is transparent, in 8-bit grey or RGB. The header is read_picture_header's of
// the same bytes, which only a picture of the formats above passes. web_box is the box of the
// web-size copy, 0 when the page shows the original itself.
picture_images make_picture_images(std::string const& bytes, picture_header const& header,
                                   int web_box, int thumbnail_box);
