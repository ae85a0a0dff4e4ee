// Whether a file that the gallery made came whole to the disk. A run that did not end may have
// left its newest files cut short on the disk: after a power cut, a file renamed into place
// can be there while its bytes are not, or only some of them.
#pragma once

#include <string_view>

// Whether the bytes are those of a whole file of the kind its name says: a page ends with its
// last line, a JPEG with its end of image, a size header with its second line.
bool is_whole(std::string_view name, std::string_view bytes);
