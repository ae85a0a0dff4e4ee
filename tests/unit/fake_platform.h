// An in-memory machine behind the platform header: standard streams and files are strings, and
// any one operation can be made to fail, so every failure path is a plain unit test.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace fake {

struct file {
    std::string bytes;
    open_failure failure = open_failure::none; // how opening it fails, if it does
    std::size_t read_size = 1 << 20;           // at most this many bytes per read
};

// The operations that the countdown counts, in the order the run makes them.
enum class operation { open, read_file, read_input, write_output, write_error };

struct machine {
    std::string input;
    std::size_t input_read_size = 1 << 20; // at most this many bytes per read of standard input
    bool input_is_console = false;
    bool output_is_console = false;
    unsigned code_page = 1252;
    std::vector<unsigned char> system_lead_bytes; // the system's table, if it keeps one
    std::map<std::string, file> files;

    // Fails the operation with this number (counting from 1); 0 fails none.
    std::size_t fail_operation = 0;
    open_failure open_failure_kind = open_failure::permission_denied;

    // What the run did.
    std::string output;
    std::string error;
    std::vector<std::size_t> output_writes; // the size of each write to standard output
    std::vector<operation> operations;
    std::vector<std::string> opened;
    int open_files = 0;
    int exit_status = -1;
};

// The machine that the platform functions act on.
extern machine current;

// Resets the tool's streams and runs it as the process would, with these arguments after the
// program's name (none: index mode). Returns the exit status; the machine holds the rest.
int run(std::vector<std::string> const& arguments);
int run_with_argument_count(int argument_count, std::vector<std::string> const& arguments);

// Calls body, which is to end the process, and returns the status it ended with (-1: it
// returned instead).
int status_of_exit(void (*body)());

// A PPM header for a picture of this size.
std::string ppm(int width, int height);

} // namespace fake
