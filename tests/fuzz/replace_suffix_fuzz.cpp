// Fuzzes replace_suffix over arbitrary names in every code page the tool knows, against a
// reference written for clarity, and checks that it never writes beyond the name buffer.
//
// Input: one byte choosing the code page, one byte choosing the suffix, then the name. A name
// longer than a name buffer is allowed: the function must refuse it, not overrun.
#include "sources/code_pages.h"
#include "sources/companion_names.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr unsigned code_pages[] = {1252, 932, 936, 949, 950, 1361, 65001, 437};
constexpr char const* suffixes[] = {".ppm", ".jpg", ".html", ""};

// The new name, without any limit on its length: the last '.' that is not the second byte of a
// double-byte character, and everything after it, replaced by the suffix.
std::string reference(std::string const& name, std::string const& suffix,
                      lead_byte_table const& lead) {
    std::size_t cut = std::string::npos;
    std::size_t i = 0;
    while (i < name.size()) {
        auto const byte = static_cast<unsigned char>(name[i]);
        if (byte == '.') cut = i;
        if (!lead.is_lead[byte]) {
            i += 1;
        } else if (i + 1 < name.size()) {
            i += 2;
        } else {
            // A lead byte with nothing after it: the end of the name is where the suffix goes.
            if (cut == std::string::npos) cut = name.size();
            break;
        }
    }
    if (cut == std::string::npos) return name;
    return name.substr(0, cut) + suffix;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 2) return 0;
    lead_byte_table const lead = lead_bytes_of_code_page(code_pages[data[0] % 8]);
    // Suffix choice 4 and up: the suffix is the name's bytes after its first zero byte.
    std::string const bytes(reinterpret_cast<char const*>(data + 2), size - 2);
    std::string const name = bytes.substr(0, bytes.find('\0'));
    std::string const suffix = data[1] % 8 < 4 ? suffixes[data[1] % 8]
                               : bytes.size() > name.size()
                                   ? std::string(bytes.c_str() + name.size() + 1)
                                   : std::string();

    // The result buffer alone on the heap, so a byte written beyond it is caught at once.
    auto const result = std::make_unique<char[][name_buffer_size]>(1);
    std::memset(result[0], 'x', name_buffer_size);
    std::string const name_before = name;
    bool const fits = replace_suffix(name.c_str(), suffix.c_str(), result[0], lead);
    if (name != name_before) std::abort();

    std::string const expected = reference(name, suffix, lead);
    if (fits != (expected.size() < name_buffer_size)) std::abort();
    if (fits && std::string(result[0], strnlen(result[0], name_buffer_size)) != expected)
        std::abort();
    return 0;
}
