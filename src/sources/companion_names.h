// The names of a picture's companion files, made from one name by replacing its suffix.
#pragma once

#include "name_buffer.h"
#include "sources/code_pages.h"

// Writes name into result with its last '.' and everything after it replaced by suffix. A '.'
// that is the second byte of a double-byte character does not count. A name without '.' stays
// as it is, unless it ends in a lone lead byte: that name gets the suffix appended. Returns
// false, leaving result unspecified, when the new name would not fit in a name buffer.
bool replace_suffix(char const* name, char const* suffix, char (&result)[name_buffer_size],
                    lead_byte_table const& lead_bytes);
