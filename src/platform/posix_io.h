// Reading and writing a POSIX descriptor to the end, whoever set it up: shared by pixfold's
// POSIX platform and by pixfold-gallery.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Writes all bytes to the descriptor, going on after short writes, interruptions and a
// descriptor that another program left non-blocking. False, with errno set, when a write fails.
bool write_all(int descriptor, char const* bytes, std::size_t size);

// Reads at most capacity bytes, going on after interruptions and waiting on a non-blocking
// descriptor; -1 on an error, with errno set.
ssize_t read_some(int descriptor, char* bytes, std::size_t capacity);
