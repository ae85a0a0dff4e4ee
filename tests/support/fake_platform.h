// An in-memory machine behind the platform header, for the unit tests and the fuzz targets:
// standard streams and files are strings, and a countdown makes any one operation fail, so
// every failure path is a plain test.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <map>
#include <optional>
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
    // Standard input, and at most how many bytes of it one read gives: a console gives one
    // typed line per read, a pipe whatever its writer has sent.
    std::string input;
    std::size_t input_read_size = 1 << 20;
    bool input_is_console = false;
    bool output_is_console = false;
    unsigned code_page = 1252;
    std::vector<unsigned char> system_lead_bytes; // the system's table, if it keeps one

    // The files, by path. When the pool is not empty it serves every open instead, in the
    // order the run opens them and whatever the path: open number k gets pool[k % size].
    std::map<std::string, file> files;
    std::vector<file> pool;

    // The countdown: the operation with this number fails, counting from 1 (0 fails none).
    // With counted_kind set, only the operations of that kind are counted.
    std::size_t fail_operation = 0;
    std::optional<operation> counted_kind;
    open_failure open_failure_kind = open_failure::permission_denied;

    // What the run did.
    std::string output;
    std::string error;
    std::size_t input_taken = 0;            // how many bytes of the input it read
    std::vector<std::size_t> output_writes; // the size of each write to standard output
    std::vector<operation> operations;
    std::vector<std::string> opened; // every path it asked to open
    std::vector<std::size_t> served; // the pool index of each file that opened
    int open_files = 0;
    int exit_status = -1;
};

// The machine that the platform functions act on.
extern machine current;

// Starts the tool's streams as a new process would, reading the input from its start; nothing
// of the tool's state from an earlier run remains.
void start();

// Starts and runs the tool as the process would, with these arguments after the program's
// name (none: index mode). Returns the exit status; the machine holds the rest.
int run(std::vector<std::string> const& arguments);
int run_with_argument_count(int argument_count, std::vector<std::string> const& arguments);

// Calls body, which is to end the process, and returns the status it ended with (-1: it
// returned instead).
int status_of_exit(void (*body)());

// A PPM header for a picture of this size, and a few bytes of pixels.
std::string ppm(int width, int height);

} // namespace fake
