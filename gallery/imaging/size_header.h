// The header of a binary PPM: all that pixfold reads of a picture's companion, whose second line
// gives the size that a page or an index entry shows. The gallery writes one for every page and
// thumbnail, and reads one back only to check it or to take over an earlier version's.
#pragma once

#include "imaging/image_size.h"

#include <optional>
#include <string>
#include <string_view>

// "P6", the width and height, and the largest sample value, each on a line of its own.
std::string size_header(image_size size);

// The size on the second line of a header that starts the bytes, as size_header writes it (a
// whole PPM may follow); none when the bytes hold no whole second line, or a size beyond 65535.
std::optional<image_size> read_size_header(std::string_view bytes);
