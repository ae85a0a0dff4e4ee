// The order of the pictures in an album's index: the byte order of their names, or the time
// they were taken, ties in the order of their names.
#pragma once

#include "plan/settings.h"
#include "source/scan.h"
#include "state/records.h"

#include <utility>
#include <vector>

// When a picture counts as taken: its EXIF time, else its file's last modification.
moment taken_or_modified(picture const& item, picture_record const& record);

// Puts the pictures (by their place in the scan, with their records), which come in the order
// of their names, in the order asked for.
void put_in_order(std::vector<std::pair<int, picture_record const*>>& pictures,
                  scan_result const& scanned, picture_order order);

// The pictures of the album that are in the gallery (their records finished), in the order
// asked for, with their records.
std::vector<std::pair<int, picture_record const*>> pictures_shown(album const& here,
                                                                  scan_result const& scanned,
                                                                  gallery_records const& records,
                                                                  picture_order order);
