#include "sources/companion_names.h"

#include <cstdint>
#include <cstring>

namespace {

// Whether any byte of the name lies above 0x7F, looked at eight bytes at a time.
bool has_byte_above_0x7f(char const* name, std::size_t length) {
    std::uint64_t bits = 0;
    std::size_t at = 0;
    for (; at + 8 <= length; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, name + at, sizeof word);
        bits |= word;
    }
    for (; at < length; ++at) bits |= static_cast<unsigned char>(name[at]);
    return (bits & 0x8080808080808080u) != 0;
}

// The last '.' of the name, found by stepping through it character by character, so that the
// second byte of a double-byte character, whatever its value, is never taken for a '.'.
char const* last_dot_by_characters(char const* name, lead_byte_table const& lead_bytes) {
    char const* last_dot = nullptr;
    char const* at = name;
    while (*at != '\0') {
        if (*at == '.') last_dot = at;
        if (lead_bytes.is_lead[static_cast<unsigned char>(*at)]) {
            if (at[1] == '\0') {
                // A lone lead byte at the end: the end counts as the '.' if none came before.
                return last_dot != nullptr ? last_dot : at + 1;
            }
            at += 2;
        } else {
            at += 1;
        }
    }
    return last_dot;
}

// The last '.' of a name in which no byte leads a double-byte character: the last byte 0x2E,
// which for a suffix lies a few bytes from the end.
char const* last_dot_by_bytes(char const* name, std::size_t length) {
    for (std::size_t at = length; at > 0; --at)
        if (name[at - 1] == '.') return name + at - 1;
    return nullptr;
}

} // namespace

bool replace_suffix(char const* name, char const* suffix, char (&result)[name_buffer_size],
                    lead_byte_table const& lead_bytes) {
    std::size_t const length = std::strlen(name);
    // Every lead byte lies above 0x7F, so a plain ASCII name, the usual one, holds no
    // double-byte character and needs no walk through its characters.
    char const* const last_dot = has_byte_above_0x7f(name, length)
                                     ? last_dot_by_characters(name, lead_bytes)
                                     : last_dot_by_bytes(name, length);
    if (last_dot == nullptr) return copy_name(result, name, length);
    return copy_name(result, name, static_cast<std::size_t>(last_dot - name)) &&
           append_name(result, suffix);
}
