// Code page numbers for the character sets that a POSIX locale names.
#pragma once

// The code page of a codeset name as nl_langinfo(CODESET) reports it, in any letter case:
// 932, 936, 949, 950 or 1361 for the double-byte sets, 65001 for UTF-8, 1252 for the rest.
unsigned code_page_of_codeset(char const* codeset);
