// The segments of a JPEG file, walked without decoding it: a picture copied as it is keeps its
// image data to the byte and loses what a camera or an editor put beside it.
#pragma once

#include <string>
#include <string_view>

// The JPEG without the segments that may carry private data. False, with kept untouched, when
// the bytes are no JPEG whose markers can be walked to its end of image.
//
// Kept: SOI; a JFIF APP0 without a thumbnail; the ICC_PROFILE APP2 chunks in order; the Adobe
// APP14, which says how CMYK and YCCK are stored; every marker that is no APPn or COM, and each
// scan with its entropy-coded data; EOI. Dropped: every other APPn (EXIF, XMP, MPF, IPTC and
// vendor data), COM, fill bytes, and everything after EOI.
bool without_private_segments(std::string_view jpeg, std::string& kept);
