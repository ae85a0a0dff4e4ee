// The three standard streams as pixfold uses them, and the one way out of the process.
//
// They behave like text streams of a console program: every LF written goes out as CR LF,
// a CR LF read comes in as LF, and a Ctrl-Z byte ends the input. Standard output is collected
// in blocks of 4096 bytes unless it is a console; whatever is collected goes out at exit.
#pragma once

#include "name_buffer.h"

#include <cstddef>

// Resets the streams for a run and makes the console test, once, before any output.
void start_streams();

// Sends bytes, or a zero-terminated text, to standard output.
void write_out(char const* bytes, std::size_t size);
void write_out(char const* text);

// Writes "path: message" and a line end to standard error at once; an empty path is left out.
void report_error(char const* path, char const* message);

// What read_list_line found.
enum class list_line {
    end,      // the input ended before the first byte of a line, or a read failed before its end
    read,     // a whole line, without its line end, is in the buffer
    too_long, // the line does not fit: the buffer holds its first 259 bytes, nothing more is read
};

// Reads the next line of standard input into the buffer, zero-terminated; size is its length.
list_line read_list_line(char (&line)[name_buffer_size], std::size_t& size);

// Writes "Fatal Error" to standard output, after the page text before it, and ends with 2.
[[noreturn]] void fatal_error();

// Reports "name: File name too long" on standard error and ends with 2: the name, or one made
// from it, does not fit in a name buffer.
[[noreturn]] void stop_name_too_long(char const* name);

// Writes out what standard output still holds and ends the process. A run whose input could
// not all be read, or whose output did not all arrive, fails: it ends with 2 and says so on
// standard error.
[[noreturn]] void exit_with_status(int status);

// Copies bytes to out with every LF as CR LF; returns the size written, at most twice size.
std::size_t translate_line_ends(char const* bytes, std::size_t size, char* out);
