// Everything pixfold asks of the operating system, and nothing more.
//
// Each platform implements this header in one file (posix.cpp, win32.cpp); the build picks
// one. The tool's own stream rules (CR LF, the output buffer, Ctrl-Z) live above this layer,
// so every platform behaves alike. All functions work on raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Called once before anything else: a write to a closed pipe must fail, not end the process.
void platform_start();

// Whether standard output is a console, that is a character device.
bool platform_output_is_console();
// Whether standard input is an interactive console (a terminal), where typed lines arrive.
bool platform_input_is_console();

// Writes all bytes to standard output or standard error; false when any of them did not arrive.
bool platform_write_output(char const* bytes, std::size_t size);
bool platform_write_error(char const* bytes, std::size_t size);

// Reads at most capacity bytes of standard input and sets got to their number, 0 at its end.
// False when the read failed. A process started without standard input reads an empty one.
bool platform_read_input(char* bytes, std::size_t capacity, std::size_t& got);

// Why an existing file could not be opened: one kind for each message the tool can report.
enum class open_failure {
    none,
    not_found,
    permission_denied,
    too_many_open_files,
    not_enough_space,
    invalid_argument,
};

// An open file: a descriptor or a handle, whatever the platform uses.
using platform_file = std::intptr_t;

// Opens an existing file for reading in binary mode, shared with other readers and writers.
open_failure platform_open_file(char const* path, platform_file& file);
// Reads at most capacity bytes; 0 at the end of the file or on a read error.
std::size_t platform_read_file(platform_file file, char* bytes, std::size_t capacity);
// Closes the file; a failure is of no interest.
void platform_close_file(platform_file file);

// Ends the process with the status. Pending output is the caller's business.
[[noreturn]] void platform_exit(int status);

// The code page in which names arrive (1252, 932, ...).
unsigned platform_code_page();
// Marks the lead bytes of double-byte characters in the code page as the system knows them;
// false when the system keeps no such table, so the tool's own applies.
bool platform_lead_bytes(unsigned code_page, bool (&is_lead)[256]);
