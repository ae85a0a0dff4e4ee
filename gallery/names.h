// What a file name means to the gallery: whether it is a picture, the name its pages and
// thumbnail take, and what a browser will make of that name in a link.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The gallery name of a picture file: the file name without its JPEG suffix. Only ".jpg"
// counts unless camera suffixes are taken too (".JPG", ".jpeg", ".JPEG"), since the pages name
// every picture NAME.jpg. Empty when the file is no picture of the gallery; hidden files (a
// leading '.') never are.
std::string_view picture_name(std::string_view file, bool camera_suffixes);

// Whether the file is a JPEG under a suffix that the gallery takes only from a source folder.
bool has_camera_suffix(std::string_view file);

// Why the picture cannot be in the gallery at all, or an empty string when it can.
std::string refusal(std::string_view name);

// Whether a browser reads the link NAME.html as a URL of its own scheme (javascript:, mailto:)
// instead of a file beside the page: tabs and line breaks removed, then the part before the
// first ':' is a valid scheme name.
bool reads_as_url_with_scheme(std::string_view name);

// Warnings about a name whose links a browser resolves to another file name; the picture is
// still written. names_are_shift_jis tells whether the locale names files in Shift-JIS, the
// character set the pages are read in.
std::vector<std::string> name_warnings(std::string_view name, bool names_are_shift_jis,
                                       std::string_view charset);

// The name fit for a message on one line: control bytes are written as \n, \t, \r or \xHH.
// Other bytes stay as they are, in whatever character set the name is in.
std::string printable(std::string_view name);

// Whether a locale character set is Shift-JIS under any of its names.
bool is_shift_jis(std::string_view charset);
