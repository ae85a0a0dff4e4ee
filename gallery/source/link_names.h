// The name that a picture's links carry, so that a browser reaches the picture's own files.
// pixfold writes a name into its pages byte for byte; a browser decodes the page as Shift-JIS,
// writes the link's path in UTF-8 (keeping %XX escapes as they are), and the web server or a
// file:// URL percent-decodes that path into the bytes of a file name. A link name ends at the
// file name's bytes after those three steps, and its fragment in a back link finds the entry.
#pragma once

#include <string>
#include <string_view>

// Whether names in this locale charset (nl_langinfo(CODESET)) may be UTF-8: UTF-8 itself, or
// the C/POSIX locale, where file names are UTF-8 all the same today.
bool names_may_be_utf8(std::string_view codeset);

// The link name of a file name (no folder part, no suffix needed: apply to whatever the caller
// passes, bytes in, bytes out). A UTF-8 name whose every character a browser reads back from
// its Shift-JIS bytes is written in Shift-JIS; any other name is plain ASCII, with %XX for its
// bytes above 0x7F and for the ASCII bytes a browser reads specially. Safe to call from several
// threads at once.
std::string link_name(std::string_view name, bool may_be_utf8);

// The name as a page should show it, as HTML for a Shift-JIS page: read in the locale's
// character set, each character that Shift-JIS holds (as a browser reads it back) in Shift-JIS,
// each other one as a character reference, and &, <, > and " as references. Bytes that are no
// character of the set show as U+FFFD.
std::string shown_in_page(std::string_view name, std::string_view codeset);

// Text for an attribute or element of an HTML page: &, <, > and " as references.
std::string html_text(std::string_view text);
