// Standard input read through the platform layer in small pieces, as a test needs it whole.
#pragma once

#include "platform/platform.h"

#include <string>

// Appends standard input up to its end; false when a read fails on the way.
inline bool read_all_input(std::string& bytes) {
    char piece[5];
    for (std::size_t got = 0;;) {
        if (!platform_read_input(piece, sizeof piece, got)) return false;
        if (got == 0) return true;
        bytes.append(piece, got);
    }
}
