// The plain data that the gallery learns from the system about its files.
#pragma once

#include <cstdint>
#include <string>

// A file's size and last modification, which together say whether a picture changed.
struct file_stamp {
    std::int64_t size = 0;
    std::int64_t modified_seconds = 0;
    std::int64_t modified_nanoseconds = 0;

    bool operator==(file_stamp const&) const = default;
};

enum class file_kind { missing, file, folder, other };

struct folder_entry {
    std::string name;
    file_kind kind = file_kind::missing; // of what it names, a symbolic link followed
    bool is_link = false;                // the entry itself is a symbolic link
    file_stamp stamp;
};
