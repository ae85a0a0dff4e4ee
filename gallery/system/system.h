// Everything pixfold-gallery asks of the operating system, and nothing more: one
// implementation per system (linux.cpp), and an in-memory one for the tests
// (tests/support/fake_system.cpp), which can fail any call.
//
// One convention for results: a call that can fail returns an errno code, 0 when it did what
// it promises, and gives what it found through its last parameters. Calls that cannot fail
// return their answer.
#pragma once

#include "system/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// --- files and folders ----------------------------------------------------------------------

// Appends the entries of the folder, "." and ".." left out, each stamped as what it names.
int list_folder(std::string const& folder, std::vector<folder_entry>& entries);
// The same, without the stamps: one call for the folder instead of one per entry.
int list_names(std::string const& folder, std::vector<folder_entry>& entries);
// What the path names, a symbolic link followed; missing when it cannot be told.
file_kind kind_of(std::string const& path);
// Whether two paths name one and the same file or folder.
bool same_file(std::string const& a, std::string const& b);
// Makes the folder; a folder already there counts as made.
int make_folder(std::string const& path);
// Removes the file; a file that is not there counts as removed.
int remove_file(std::string const& path);
// Removes the folder if it is empty; a folder that is not there counts as removed.
int remove_empty_folder(std::string const& path);
// Removes the folder and everything in it, following no link out of it.
int remove_tree(std::string const& path);
// Puts the file from in the place of to in one step; both lie on one file system.
int rename_file(std::string const& from, std::string const& to);
// Writes the bytes into a new file, replacing any file of that name, with the mode that new
// files get (0666 less the umask).
int write_file(std::string const& path, std::string const& bytes);
// The same, the bytes given in pieces, one after the other.
int write_file(std::string const& path, std::vector<std::string_view> const& pieces);
// Appends the bytes to the file in one write, making the file when it is missing.
int append_file(std::string const& path, std::string const& bytes);
// Reads the file into bytes, replacing what they held: the whole file, or its first bytes up to
// the most given.
int read_file(std::string const& path, std::string& bytes,
              std::size_t most = static_cast<std::size_t>(-1));
// Writes what the system holds of the file, or of the folder's entries, to the disk.
int sync_file(std::string const& path);
// Writes everything that the system holds for the file system of the path to the disk.
int sync_file_system(std::string const& path);
// Takes the exclusive lock of the folder for the life of the process; EWOULDBLOCK when another
// process holds it.
int lock_folder(std::string const& path);

// --- programs -------------------------------------------------------------------------------

struct program_run {
    std::string program; // a path
    std::vector<std::string> arguments;
    std::string folder; // where it runs; empty for this process's own
    std::string input;  // the file its standard input reads
    std::string error;  // the file its standard error goes to, made or emptied
    // The file its standard output goes to, made or emptied, and read back once it ended; empty
    // for a pipe, read as it comes.
    std::string output_file;
};
// Runs the program to its end, what it writes to standard output read into output, which keeps
// the room reserved in it beforehand. exit_status is its status, or minus the signal that ended
// it.
int run_program(program_run const& run, std::string& output, int& exit_status);
// The value of an environment variable; empty when it is not set.
std::string environment_variable(std::string const& name);
// The folder holding this program; empty when the system cannot tell.
std::string program_folder();
// Whether the path names a regular file that this process may run.
bool is_executable(std::string const& path);
// The path made absolute against the current folder; an empty path stays empty.
std::string absolute_path(std::string const& path);
// The path as the file system resolves it, links and "." and ".." gone; the path as it is when
// it cannot be resolved.
std::string resolved_path(std::string const& path);

// --- the machine ----------------------------------------------------------------------------

// The processors this process may run on.
int processor_count();
// Lets at most this many memory pools serve the threads, each keeping what is freed for its
// next use: a pool per thread would hold the peak of every thread at once.
void limit_memory_pools(int pools);
// The day of the moment, in seconds since 1970, in the local time zone: YYYY-MM-DD.
std::string local_date(std::int64_t seconds);
// The moment, in seconds since 1970, of a time on the local clock (month 1 to 12).
std::int64_t local_moment(int year, int month, int day, int hour, int minute, int second);
// The name of the locale's character set, as the C library knows it.
std::string locale_charset();
// The text of an errno code.
std::string error_text(int code);

// --- the terminal ---------------------------------------------------------------------------

// Writes the bytes to standard output or standard error at once.
int write_output(std::string const& bytes);
int write_error(std::string const& bytes);
// Whether standard error is a terminal, and how many columns it has (80 when unknown).
bool error_is_terminal();
int terminal_columns();
// Marks whether standard error stands in the middle of a line that is redrawn; when the run is
// interrupted (Ctrl-C, SIGTERM, SIGHUP) the line is ended first, so the shell's prompt starts
// on a line of its own.
void set_open_line(bool open);

} // namespace os
