// Fuzzes the size probe with arbitrary PPM file bytes: the parse of a header line on its own,
// and read_picture_size reading the file whole and one byte at a time.
#include "fake_platform.h"
#include "header_oracle.h"
#include "sources/picture_size.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

picture_size probed;

void probe() {
    probed = read_picture_size("p.ppm");
}

// Runs the probe on the file, read at most read_size bytes at a time; checks everything but the
// size, which it returns (nothing when the probe ended the process).
std::optional<picture_size> probe_file(std::string_view file, std::size_t read_size) {
    fake::current = {};
    fake::current.pool = {{std::string(file), open_failure::none, read_size}};
    fake::start();
    int const status = fake::status_of_exit(probe);
    if (fake::current.open_files != 0 || fake::current.opened.size() != 1) std::abort();
    if (!fake::current.error.empty()) std::abort();
    if (status == -1) {
        if (!fake::current.output.empty()) std::abort();
        return probed;
    }
    // A header of fewer than two lines: "Fatal Error" and status 2, nothing else.
    if (status != 2 || fake::current.output != "Fatal Error\r\n") std::abort();
    return std::nullopt;
}

bool same(picture_size a, picture_size b) {
    return a.width == b.width && a.height == b.height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    // An exact-size copy, so that reading one byte beyond the line is caught.
    std::unique_ptr<char[]> const line(new char[size]);
    if (size > 0) std::memcpy(line.get(), data, size);
    picture_size const parsed = parse_picture_size(line.get(), size);
    std::string_view const bytes(line.get(), size);
    if (auto const scanned = oracle::scanned_size(bytes); scanned && !same(*scanned, parsed))
        std::abort();

    auto const whole = probe_file(bytes, 1 << 20);
    auto const bytewise = probe_file(bytes, 1);
    auto const second_line = oracle::second_header_line(bytes);
    if (whole.has_value() != second_line.has_value()) std::abort();
    if (bytewise.has_value() != whole.has_value()) std::abort();
    if (whole) {
        picture_size const expected = parse_picture_size(second_line->data(), second_line->size());
        if (!same(*whole, expected) || !same(*bytewise, expected)) std::abort();
        if (auto const scanned = oracle::scanned_size(*second_line);
            scanned && !same(*scanned, *whole))
            std::abort();
    }
    return 0;
}
