// Where every path and name lives: a name buffer.
//
// A name buffer is 260 bytes, the platform's path limit: a name of at most 259 bytes and its
// terminating zero. Names are put into one only through the functions below, which refuse a
// name that does not fit instead of writing beyond the buffer.
#pragma once

#include <cstddef>

constexpr std::size_t name_buffer_size = 260;

// Puts the first length bytes of name into the buffer as a name of their own. False, leaving
// the buffer as it was, when they do not fit.
bool copy_name(char (&buffer)[name_buffer_size], char const* name, std::size_t length);

// Puts the zero-terminated name into the buffer. False, leaving the buffer as it was, when it
// does not fit.
bool copy_name(char (&buffer)[name_buffer_size], char const* name);

// Appends the zero-terminated name to the name in the buffer. False, leaving the buffer as it
// was, when both together do not fit.
bool append_name(char (&buffer)[name_buffer_size], char const* name);
