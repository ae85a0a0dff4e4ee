// What a file name means to the gallery: whether it is a picture, the name its pages and
// thumbnail take, and whether the gallery can hold it at all.
#pragma once

#include <string>
#include <string_view>

// The gallery name of a picture file: the file name without its JPEG suffix. Only ".jpg"
// counts unless camera suffixes are taken too (".JPG", ".jpeg", ".JPEG"), since the pages name
// every picture NAME.jpg. Empty when the file is no picture of the gallery; hidden files (a
// leading '.') never are.
std::string_view picture_name(std::string_view file, bool camera_suffixes);

// The gallery name of the picture at a path in the source folder, as a record of it names it:
// 2024/IMG_0001.JPG is IMG_0001. Empty when the path names no picture.
std::string picture_name_of(std::string_view source);

// Whether the file is a JPEG under a suffix that the gallery takes only from a source folder.
bool has_camera_suffix(std::string_view file);

// Why the picture of this name, whose links carry the link name, cannot be in the gallery at
// all, or an empty string when it can.
std::string refusal(std::string_view name, std::string_view link);

// Why an album whose links carry the link name cannot have an entry in the index above, or an
// empty string when it can.
std::string album_link_refusal(std::string_view link);

// The name fit for a message on one line: control bytes are written as \n, \t, \r or \xHH.
// Other bytes stay as they are, in whatever character set the name is in.
std::string printable(std::string_view name);
