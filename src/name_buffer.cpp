#include "name_buffer.h"

#include <cstring>

bool copy_name(char (&buffer)[name_buffer_size], char const* name, std::size_t length) {
    if (length >= name_buffer_size) return false;
    std::memcpy(buffer, name, length);
    buffer[length] = '\0';
    return true;
}

bool copy_name(char (&buffer)[name_buffer_size], char const* name) {
    return copy_name(buffer, name, std::strlen(name));
}

bool append_name(char (&buffer)[name_buffer_size], char const* name) {
    std::size_t const kept = std::strlen(buffer);
    std::size_t const added = std::strlen(name);
    if (kept + added >= name_buffer_size) return false;
    std::memcpy(buffer + kept, name, added + 1);
    return true;
}
