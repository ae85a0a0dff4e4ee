// An in-memory machine behind pixfold-gallery's door to the system, for its tests: files and
// folders are strings in a map, pixfold runs in this process on its own in-memory platform,
// and a countdown fails the Nth call of any kind, so every failure of the disk is a plain test.
#pragma once

#include "system/types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake_system {

// The kinds of calls that the countdown counts.
enum class call {
    list,
    read,
    write,
    append,
    rename,
    remove,
    make_folder,
    sync,
    lock,
    run,
};

struct node {
    bool is_folder = false;
    std::string bytes;
    std::int64_t modified = 0; // seconds; each change of a file takes the next one
};

struct machine {
    // Every file and folder, by its path as the gallery names it ("out/t/a.jpg"); the current
    // folder is always there and holds the rest.
    std::map<std::string, node> files;
    // Programs that run pixfold in this process, by path.
    std::set<std::string> pixfold_programs;
    std::map<std::string, std::string> environment;
    std::string program_folder;
    std::string charset = "UTF-8";
    int processors = 2;
    bool locked_by_another = false;
    bool error_is_terminal = false; // standard error is a terminal of 80 columns

    // The countdown: the call of this kind with this number fails (counting from 1) with the
    // failure code. Calls are counted whether or not one fails.
    std::map<call, int> fail_at;
    int failure_code = 5; // EIO
    std::map<call, int> calls;
    // Every call on one of these paths fails with the failure code, whatever its kind.
    std::set<std::string> failing_paths;
    // Called after each rename, with the new path: the moment a file appears in its place.
    std::function<void(std::string const&)> on_rename;

    // What the run wrote to its standard output and error, and the next modification time.
    std::string output;
    std::string error;
    std::int64_t clock = 1'800'000'000;
};

// The machine that the door's calls act on; the tests set it up and read it back.
extern machine current;

// A folder and the folders above it.
void add_folder(std::string const& path);
// A file with these bytes and this modification time, in folders made as needed.
void add_file(std::string const& path, std::string const& bytes, std::int64_t modified);

// The files under the folder, by their paths below it, folders left out.
std::map<std::string, std::string> files_under(std::string const& folder);

} // namespace fake_system
