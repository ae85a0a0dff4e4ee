// Writing the parts of a page that are not fixed text: names and numbers.
#pragma once

#include <cstdint>

// Writes a name so that a browser reads back the same bytes: '&', '<', '>' and '"' go out as
// character references, except as the second byte of a double-byte character.
void write_name(char const* name);

// Writes a number in plain decimal, with a leading '-' when negative.
void write_decimal(std::int32_t number);
