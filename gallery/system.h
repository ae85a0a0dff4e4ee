// Everything pixfold-gallery asks of the operating system: folders, files, processes and the
// terminal. Failures come back as an errno-style code (0 for success) or as false, never as an
// exception, so every caller decides what a failure means for the gallery.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file's size and last modification, which together say whether a picture changed.
struct file_stamp {
    std::int64_t size = 0;
    std::int64_t modified_seconds = 0;
    std::int64_t modified_nanoseconds = 0;

    bool operator==(file_stamp const&) const = default;
};

struct folder_entry {
    std::string name;
    bool is_file = false; // a regular file, or a link to one
    file_stamp stamp;
};

// The entries of a folder, links followed; an errno code when it cannot be read.
int list_folder(std::string const& folder, std::vector<folder_entry>& entries);

// Whether the path names an existing regular file (links followed).
bool file_exists(std::string const& path);
// Whether two paths name the same folder or file.
bool same_file(std::string const& a, std::string const& b);
// Makes a folder unless one is there; an errno code when that fails.
int make_folder(std::string const& path);
// Removes a file; a file that is not there counts as removed.
int remove_file(std::string const& path);
// Removes a folder and everything in it, without following links out of it.
int remove_tree(std::string const& path);
// Replaces to with from in one step; both must lie on one file system.
int rename_file(std::string const& from, std::string const& to);
// Copies the bytes of from into the file to, replacing any file of that name.
int copy_file(std::string const& from, std::string const& to);
// Writes the bytes into a new file, replacing any file of that name.
int write_file(std::string const& path, std::string const& bytes);
// Reads a whole file into bytes.
int read_file(std::string const& path, std::string& bytes);
// Appends the bytes to a file, made when missing, in one write.
int append_file(std::string const& path, std::string const& bytes);

// Takes the exclusive lock of a folder for the life of the process; false when another process
// holds it.
bool lock_folder(std::string const& path);

// Runs a program with the arguments, in the folder given, its standard input read from a file
// and its standard output and error written to files (made or emptied). Returns its exit
// status, or -1 with a message in failure when it could not be started or ended by a signal.
int run_program(std::string const& program, std::vector<std::string> const& arguments,
                std::string const& folder, std::string const& input, std::string const& output,
                std::string const& error, std::string& failure);

// The folder holding this program, or an empty string when the system cannot tell.
std::string program_folder();
// The full path of a program found on PATH, or an empty string.
std::string find_on_path(std::string const& program);
// The path made absolute against the current folder; an empty path stays empty.
std::string absolute_path(std::string const& path);
// Whether the path names a file that this process may run.
bool is_executable(std::string const& path);

// The processors this process may run on.
int processor_count();
// Lets at most the given number of memory pools serve the threads: freed memory in a pool is
// kept for its next use, so a pool per thread would hold the peak of every thread at once.
// Large blocks are given back to the system when freed.
void limit_memory_pools(int pools);
// Whether standard error is a terminal, and how many columns it has (80 when unknown).
bool error_is_terminal();
int terminal_columns();
// Marks whether standard error stands in the middle of a line that is redrawn; when the run is
// interrupted (Ctrl-C, SIGTERM, SIGHUP) the line is ended first, so the shell's prompt starts on
// a line of its own.
void set_open_line(bool open);
// Writes the bytes to standard output or standard error at once.
void write_output(std::string const& bytes);
void write_error(std::string const& bytes);
// The name of the locale's character set, as the C library knows it.
std::string locale_charset();

// The text of an errno code.
std::string error_text(int code);
