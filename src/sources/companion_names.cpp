#include "sources/companion_names.h"

#include "platform/platform.h"

#include <cstring>

bool replace_suffix(char const* name, char const* suffix, char (&result)[name_buffer_size],
                    lead_byte_table const& lead_bytes) {
    // Step through the name character by character, so that the second byte of a double-byte
    // character, whatever its value, is never taken for a '.'.
    char const* last_dot = nullptr;
    char const* at = name;
    while (*at != '\0') {
        if (*at == '.') last_dot = at;
        if (lead_bytes.is_lead[static_cast<unsigned char>(*at)]) {
            if (at[1] == '\0') {
                // A lone lead byte at the end: the end counts as the '.' if none came before.
                if (last_dot == nullptr) last_dot = at + 1;
                at += 1;
                break;
            }
            at += 2;
        } else {
            at += 1;
        }
    }
    if (last_dot == nullptr) {
        if (static_cast<std::size_t>(at - name) >= name_buffer_size) return false;
        platform_copy_name(result, name);
        return true;
    }
    std::size_t const kept = static_cast<std::size_t>(last_dot - name);
    if (kept + std::strlen(suffix) >= name_buffer_size) return false;
    std::memcpy(result, name, kept);
    result[kept] = '\0';
    platform_append_name(result, suffix);
    return true;
}
