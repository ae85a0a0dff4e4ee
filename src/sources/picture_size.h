// A picture's size, read from the header of its companion PPM file.
#pragma once

#include <cstddef>
#include <cstdint>

// Width and height in pixels; 0 where the header gave no number.
struct picture_size {
    std::int32_t width;
    std::int32_t height;
};

// Reads the size from the second line of the PPM file. Returns only on success: a file that
// cannot be opened is reported on standard error, a header shorter than two lines gives
// "Fatal Error", and both end the process with status 2.
picture_size read_picture_size(char const* ppm_path);

// Reads "width height" from the start of a header line as "%d %d" would: white space first,
// optional sign, decimal digits wrapping in 32 bits. A field not reached stays 0. The line
// ends at size bytes or at a zero byte.
picture_size parse_picture_size(char const* line, std::size_t size);
