// Fuzzes the whole tool in index mode (and in picture mode) on arbitrary standard input and
// arbitrary PPM contents, and checks the page it writes against the rules that hold whatever
// the input: the opening, then complete entries only, each sized from the file it probed, then
// the closing block with status 0, or "Fatal Error", or one report on standard error, with
// status 2. A failed write to standard output loses that block and nothing else.
//
// Input: three setting bytes, then standard input, then the PPM contents, separated by "@@@@".
//   byte 0: bits 0-2 the code page, bit 3 standard input is a console, bit 4 standard output is
//           a console, bit 5 picture mode with standard input (up to a zero byte) as base path
//   byte 1: the write to standard output with this number fails (0: none)
//   byte 2: bytes per read of standard input (low 4 bits) and of a file (high 4 bits); 0: many
// A PPM content "!1" to "!5" makes its open fail (not found, permission denied, too many open
// files, not enough space, invalid argument). The k-th open gets content k modulo their number.
#include "fake_platform.h"
#include "header_oracle.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr unsigned code_pages[] = {1252, 932, 936, 949, 950, 1361, 65001, 437};

void check(bool condition) {
    if (!condition) std::abort();
}

std::string crlf(std::string_view text) {
    std::string out;
    for (char byte : text) out += byte == '\n' ? std::string("\r\n") : std::string(1, byte);
    return out;
}

std::string const opening_end = crlf("\">\n</head>\n<body>\n<!-- $include stdheader.inc -->\n"
                                     "<hr>\n<p>\x8D\xC5\x8F\x49\x8D\x58\x90\x56:\n"
                                     "<!-- $timestamp -->\n</p>\n<hr>\n");
std::string const index_top =
    crlf("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n<html>\n<head>\n"
         "<title>A Picture Index</title>\n<link rev=made href=\"mailto:gallery@pixfold.example") +
    opening_end + crlf("<h1>A Picture Index</h1>\n");
std::string const closing = crlf("<hr>\n<!-- $include stdfooter.inc -->\n</body>\n</html>\n");

bool is_report(std::string const& error) {
    static char const* const messages[] = {"No such file or directory", "Permission denied",
                                           "Too many open files",       "Not enough space",
                                           "Invalid argument",          "File name too long"};
    for (char const* message : messages) {
        std::string const line = std::string(message) + "\r\n";
        if (error == line) return true;
        if (error.size() > line.size() + 2 &&
            error.compare(error.size() - line.size() - 2, std::string::npos, ": " + line) == 0)
            return true;
    }
    return false;
}

// The size the probe must have found in the pool file that the open with this number got.
std::string expected_size_text(std::size_t served_number) {
    std::string_view const file = fake::current.pool[fake::current.served[served_number]].bytes;
    auto const line = oracle::second_header_line(file);
    check(line.has_value());
    picture_size size = parse_picture_size(line->data(), line->size());
    if (auto const scanned = oracle::scanned_size(*line)) {
        check(scanned->width == size.width && scanned->height == size.height);
    }
    return "width=\"" + std::to_string(size.width) + "\" height=\"" + std::to_string(size.height);
}

// Takes text from the page at pos if it stands there.
bool take(std::string const& page, std::size_t& pos, std::string_view text) {
    if (page.compare(pos, text.size(), text) != 0) return false;
    pos += text.size();
    return true;
}

// Takes an attribute value: everything up to the next '"', which must not hold a line end.
void take_value(std::string const& page, std::size_t& pos) {
    std::size_t const quote = page.find('"', pos);
    check(quote != std::string::npos);
    check(page.find('\n', pos) > quote);
    pos = quote;
}

// What the run must have said after the complete part of the page: the run went on to the end,
// stopped at a short header, or stopped with a report.
void check_ending(std::string_view rest, std::size_t complete) {
    auto const& m = fake::current;
    check(m.open_files == 0);
    if (rest == closing) {
        check(m.exit_status == 0 && m.error.empty() && m.served.size() == complete);
    } else if (rest == "Fatal Error\r\n") {
        check(m.exit_status == 2 && m.error.empty() && m.served.size() == complete + 1);
        check(!oracle::second_header_line(m.pool[m.served.back()].bytes));
    } else {
        check(rest.empty() && m.exit_status == 2 && is_report(m.error));
        check(m.served.size() == complete);
    }
}

void check_index() {
    std::string const& page = fake::current.output;
    std::size_t pos = 0;
    check(take(page, pos, index_top));
    std::size_t entries = 0;
    while (take(page, pos, "<a href=\"")) {
        take_value(page, pos);
        check(take(page, pos, "\" name=\""));
        take_value(page, pos);
        check(take(page, pos, "\"><img src=\""));
        take_value(page, pos);
        check(take(page, pos, "\" alt=\"Thumbnail Picture\" "));
        check(entries < fake::current.served.size());
        check(take(page, pos, expected_size_text(entries)));
        check(take(page, pos, "\"></a>\r\n<p>!</p>\r\n"));
        ++entries;
    }
    check_ending(std::string_view(page).substr(pos), entries);
}

void check_picture_page(std::string const& base_path) {
    auto const& m = fake::current;
    std::string const& page = m.output;
    if (m.exit_status == 0) {
        check(m.served.size() == 1 && m.error.empty() && m.open_files == 0);
        check(page.find(expected_size_text(0)) != std::string::npos);
        check(page.size() >= closing.size() &&
              page.compare(page.size() - closing.size(), std::string::npos, closing) == 0);
        // Names add no quote and no tag of their own: 16 quotes, one end of the title.
        check(std::count(page.begin(), page.end(), '"') == 16);
        check(page.find("</title>") == page.rfind("</title>"));
        check(base_path.size() <= 255);
    } else {
        check_ending(page, 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 3) return 0;
    std::string_view const rest(reinterpret_cast<char const*>(data + 3), size - 3);
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        std::size_t const separator = rest.find("@@@@", start);
        parts.push_back(rest.substr(start, separator - start));
        if (separator == std::string_view::npos) break;
        start = separator + 4;
    }

    fake::machine setup;
    setup.code_page = code_pages[data[0] & 7];
    setup.input_is_console = (data[0] & 8) != 0;
    setup.output_is_console = (data[0] & 16) != 0;
    bool const picture_mode = (data[0] & 32) != 0;
    if (data[2] & 15) setup.input_read_size = data[2] & 15;
    std::size_t const file_read_size = data[2] >> 4 ? data[2] >> 4 : 1 << 20;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string_view const bytes = parts[i];
        fake::file file{std::string(bytes), open_failure::none, file_read_size};
        if (bytes.size() == 2 && bytes[0] == '!' && bytes[1] >= '1' && bytes[1] <= '5')
            file.failure = static_cast<open_failure>(bytes[1] - '0');
        setup.pool.push_back(file);
    }
    std::string const base_path(parts[0].substr(0, parts[0].find('\0')));
    std::vector<std::string> arguments;
    if (picture_mode)
        arguments.push_back(base_path);
    else
        setup.input = parts[0];

    fake::current = setup;
    fake::run(arguments);
    fake::machine const clean = fake::current;
    if (picture_mode)
        check_picture_page(base_path);
    else
        check_index();

    // The same run with one failed write: that block is missing, the rest arrives, and it fails.
    if (data[1] != 0) {
        fake::current = setup;
        fake::current.fail_operation = data[1];
        fake::current.counted_kind = fake::operation::write_output;
        fake::run(arguments);
        auto const& failed = fake::current;
        check(failed.output_writes == clean.output_writes);
        if (data[1] > clean.output_writes.size()) {
            check(failed.output == clean.output && failed.error == clean.error);
            check(failed.exit_status == clean.exit_status);
        } else {
            std::size_t start = 0;
            for (std::size_t i = 0; i + 1 < data[1]; ++i) start += clean.output_writes[i];
            check(failed.output ==
                  clean.output.substr(0, start) +
                      clean.output.substr(start + clean.output_writes[data[1] - 1]));
            check(failed.error == clean.error + "stdout: Write error\r\n");
            check(failed.exit_status == 2);
        }
    }
    return 0;
}
