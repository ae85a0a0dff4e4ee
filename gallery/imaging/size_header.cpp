#include "imaging/size_header.h"

#include <charconv>

namespace {

constexpr std::string_view magic = "P6\n";
constexpr int largest_side = 65535;

// Reads a decimal number of at most largest_side that ends at the separator, and steps past
// both.
bool read_side(std::string_view& text, char separator, int& side) {
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    std::size_t const length = static_cast<std::size_t>(end - text.data());
    if (error != std::errc() || length == 0 || side < 0 || side > largest_side ||
        length == text.size() || text[length] != separator)
        return false;
    text.remove_prefix(length + 1);
    return true;
}

} // namespace

std::string size_header(image_size size) {
    return std::string(magic) + std::to_string(size.width) + " " + std::to_string(size.height) +
           "\n255\n";
}

std::optional<image_size> read_size_header(std::string_view bytes) {
    if (!bytes.starts_with(magic)) return std::nullopt;
    bytes.remove_prefix(magic.size());
    image_size size;
    if (!read_side(bytes, ' ', size.width) || !read_side(bytes, '\n', size.height))
        return std::nullopt;
    return size;
}
