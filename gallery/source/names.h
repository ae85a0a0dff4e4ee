// What a file name means to the gallery: whether it is a picture, the name its pages and
// thumbnail take, and whether the gallery can hold it at all.
#pragma once

#include <string>
#include <string_view>

// What a file of a source folder is to the gallery, by its suffix in any case.
enum class source_kind {
    other,   // a sidecar (.AAE, .XMP, .THM), text, anything else: ignored
    picture, // JPEG, HEIF, AVIF, PNG, WebP, TIFF or GIF, decoded by the image library
    video,   // a phone's live photo beside its picture, or a clip
    raw,     // a camera's raw, which the image library cannot decode
};

struct source_file {
    source_kind kind = source_kind::other;
    std::string_view stem; // the name without its suffix
    // Of a picture, where it comes when pictures of one stem meet, from 0: JPEG first, since
    // it is the camera's own rendering, then HEIF and AVIF, then the rest.
    int preference = 0;
};

// Hidden files (a leading '.', such as the resource forks a Mac leaves beside pictures) and a
// name that is nothing but a suffix are other files.
source_file source_file_of(std::string_view file);

// The gallery name of a picture file: the file name without its suffix. A gallery in place
// takes only NAME.jpg, since its pages show the original as NAME.jpg; one into another folder
// takes every picture (any_format). Empty when the file is no picture of the gallery.
std::string_view picture_name(std::string_view file, bool any_format);

// The gallery name of the picture at a path in the source folder, as a record of it names it:
// 2024/IMG_0001.HEIC is IMG_0001. Empty when the path names no picture.
std::string picture_name_of(std::string_view source);

// Why the picture of this name, whose links carry the link name, cannot be in the gallery at
// all, or an empty string when it can.
std::string refusal(std::string_view name, std::string_view link);

// Why an album whose links carry the link name cannot have an entry in the index above, or an
// empty string when it can.
std::string album_link_refusal(std::string_view link);

// The name fit for a message on one line: control bytes are written as \n, \t, \r or \xHH.
// Other bytes stay as they are, in whatever character set the name is in.
std::string printable(std::string_view name);
