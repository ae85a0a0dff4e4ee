// When a TIFF picture was taken. The image library reads a TIFF's pixels and orientation, but
// not the EXIF directory that scanners and cameras write beside them; libtiff, its decoder,
// reads that without touching the pixels.
#pragma once

#include "imaging/exif_time.h"

#include <optional>
#include <string_view>

// None when the bytes are no TIFF, or its EXIF says no time.
std::optional<exif_time> tiff_exif_time(std::string_view tiff);
