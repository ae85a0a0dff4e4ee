// Taking over the gallery of an earlier version, which kept each thumbnail's size in a whole PPM
// beside the thumbnail and wrote the pages with the names as they are.
#pragma once

#include "state/records.h"

#include <string>

// Takes each picture whose record has no link over from its thumbnail's PPM and its page, so
// that none is made again for it: its record gets the sizes, and its thumbnail's size header
// its place in the state. One that cannot be read is left to be made again.
void take_over_earlier_version(gallery_records& records, std::string const& gallery);
