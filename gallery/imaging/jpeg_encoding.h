// Encoding 8-bit pixels as a JPEG with libjpeg-turbo, in the calling thread.
#pragma once

#include <cstddef>
#include <string>

struct pixel_rows {
    unsigned char const* first = nullptr; // the top row; rows follow one another without a gap
    int width = 0;
    int height = 0;
    int bands = 0; // 1 for grey, 3 for RGB
};

// Encodes the rows at the quality given, with optimized Huffman tables, 4:2:0 chroma and the
// colour profile when there is one (empty when none), into jpeg. Returns why the encoder failed
// (out of memory, or a picture larger than a JPEG can be), with jpeg empty; nothing when done.
std::string encode_jpeg(pixel_rows const& rows, int quality, std::string const& profile,
                        std::string& jpeg);
