// An in-memory machine behind the platform header for the fuzz targets: standard streams are
// strings, and the files that the run opens are served, in the order it opens them, from a pool
// of contents taken from the fuzzer's input. Whatever path is asked for, the next one comes.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace memory {

struct file {
    std::string_view bytes;
    open_failure failure = open_failure::none; // how opening it fails, if it does
};

struct machine {
    std::string_view input;
    std::size_t input_read_size = 1 << 20; // at most this many bytes per read of standard input
    std::size_t file_read_size = 1 << 20;  // and of a file
    bool input_is_console = false;
    bool output_is_console = false;
    unsigned code_page = 1252;
    std::vector<file> files; // open number k gets files[k % size]; none: nothing exists
    std::size_t fail_output_write =
        0; // the write to standard output with this number fails; 0: none

    // What the run did.
    std::string output;
    std::string error;
    std::vector<std::size_t> output_writes; // the size of each write to standard output
    std::vector<std::size_t> served;        // the pool index of each file that opened
    std::size_t opens = 0;
    std::size_t input_reads_after_end = 0;
    int open_files = 0;
    int exit_status = -1;
};

// The machine that the platform functions act on.
extern machine current;

// Resets the tool's streams and runs it as the process would, with this argument vector
// (program name first). Returns the exit status; the machine holds the rest.
int run(std::vector<char const*> const& arguments);

// Starts the streams and calls body, which is to end the process; returns the status it ended
// with, or -1 when it returned instead.
int status_of(void (*body)());

} // namespace memory
