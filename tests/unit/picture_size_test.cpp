#include "fake_platform.h"
#include "sources/picture_size.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

picture_size parse(std::string const& line) { return parse_picture_size(line.data(), line.size()); }

#define EXPECT_SIZE(size, w, h)                                                                    \
    do {                                                                                           \
        picture_size const got = (size);                                                           \
        EXPECT_EQ(got.width, w);                                                                   \
        EXPECT_EQ(got.height, h);                                                                  \
    } while (false)

TEST(parse_picture_size, reads_two_numbers_like_a_percent_d_conversion) {
    EXPECT_SIZE(parse("640 480\n"), 640, 480);
    EXPECT_SIZE(parse(" \t\v\f\r640\n\n480 255"), 640, 480);
    EXPECT_SIZE(parse("-5 +7\r\n"), -5, 7);
    EXPECT_SIZE(parse("007 0"), 7, 0);
    EXPECT_SIZE(parse("12x34"), 12, 0); // stops at the first byte that does not fit
    EXPECT_SIZE(parse("12"), 12, 0);
}

TEST(parse_picture_size, leaves_zero_where_no_number_stands) {
    EXPECT_SIZE(parse("# a comment\n"), 0, 0);
    EXPECT_SIZE(parse(""), 0, 0);
    EXPECT_SIZE(parse("- 5"), 0, 0); // a sign without a digit stores nothing
    EXPECT_SIZE(parse("5 -"), 5, 0);
    EXPECT_SIZE(parse("5 +x"), 5, 0);
    EXPECT_SIZE(parse(std::string("3\0 4", 4)), 3, 0); // a zero byte ends the text
    EXPECT_SIZE(parse("3 4"), 3, 4);
    EXPECT_SIZE(parse_picture_size("3 4", 2), 3, 0); // and so does the end of the line
}

TEST(parse_picture_size, wraps_numbers_beyond_32_bits_instead_of_overflowing) {
    EXPECT_SIZE(parse("2147483647 -2147483648"), INT_MAX, INT_MIN);
    EXPECT_SIZE(parse("2147483648 4294967295"), INT_MIN, -1);
    EXPECT_SIZE(parse("4294967296 4294967302"), 0, 6);
    EXPECT_SIZE(parse("-4294967297 99999999999999999999"), -1, 1661992959);
}

class read_picture_size_test : public ::testing::Test {
  protected:
    void SetUp() override { fake::current = {}; }

    // Runs the picture page of "p", whose PPM holds these bytes read this many at a time.
    int run_with_ppm(std::string bytes, std::size_t read_size = 1 << 20) {
        fake::current.files["p.ppm"] = {std::move(bytes), open_failure::none, read_size};
        return fake::run({"p"});
    }

    std::size_t file_reads() const {
        return static_cast<std::size_t>(std::count(fake::current.operations.begin(),
                                                   fake::current.operations.end(),
                                                   fake::operation::read_file));
    }

    bool page_shows(char const* size) const {
        return fake::current.output.find(size) != std::string::npos;
    }
};

TEST_F(read_picture_size_test, takes_both_lines_of_a_header_in_one_read) {
    EXPECT_EQ(run_with_ppm(fake::ppm(640, 480) + std::string(100000, '\xff')), 0);
    EXPECT_TRUE(page_shows("width=\"640\" height=\"480\""));
    EXPECT_EQ(file_reads(), 1u);
    EXPECT_EQ(fake::current.open_files, 0);
}

TEST_F(read_picture_size_test, gathers_lines_that_arrive_in_pieces) {
    EXPECT_EQ(run_with_ppm("P6\n1 2\n255\n", 1), 0);
    EXPECT_TRUE(page_shows("width=\"1\" height=\"2\""));
    EXPECT_EQ(file_reads(), 7u); // no read beyond the second line's LF
}

TEST_F(read_picture_size_test, reads_a_first_line_of_259_bytes_and_goes_on_inside_a_longer_one) {
    EXPECT_EQ(run_with_ppm(std::string(259, 'P') + "3 4\n"), 0);
    EXPECT_TRUE(page_shows("width=\"3\" height=\"4\""));
    EXPECT_EQ(run_with_ppm(std::string(258, 'P') + "\n5 6\n", 7), 0);
    EXPECT_TRUE(page_shows("width=\"5\" height=\"6\""));
    // A second line is cut after 259 bytes too: the height beyond it is not seen.
    EXPECT_EQ(run_with_ppm("P6\n7" + std::string(258, ' ') + "8\n"), 0);
    EXPECT_TRUE(page_shows("width=\"7\" height=\"0\""));
}

TEST_F(read_picture_size_test, parses_the_pixel_bytes_of_a_one_line_header) {
    EXPECT_EQ(run_with_ppm("P6 2 2 255\n\x01\x02\x03\x04\n"), 0);
    EXPECT_TRUE(page_shows("width=\"0\" height=\"0\""));
    EXPECT_EQ(run_with_ppm("P6 2 2 255\n 12 34"), 0); // a last line without LF still counts
    EXPECT_TRUE(page_shows("width=\"12\" height=\"34\""));
}

TEST_F(read_picture_size_test, stops_with_fatal_error_when_a_header_line_is_missing) {
    for (std::string const& bytes : {std::string(), std::string("P6\n"), std::string("P6")}) {
        fake::current = {};
        EXPECT_EQ(run_with_ppm(bytes), 2);
        EXPECT_EQ(fake::current.output, "Fatal Error\r\n");
        EXPECT_EQ(fake::current.error, "");
        EXPECT_EQ(fake::current.open_files, 0);
    }
}

TEST_F(read_picture_size_test, reports_each_kind_of_open_failure_with_its_message) {
    std::pair<open_failure, char const*> const kinds[] = {
        {open_failure::not_found, "No such file or directory"},
        {open_failure::permission_denied, "Permission denied"},
        {open_failure::too_many_open_files, "Too many open files"},
        {open_failure::not_enough_space, "Not enough space"},
        {open_failure::invalid_argument, "Invalid argument"},
    };
    for (auto const& [kind, message] : kinds) {
        fake::current = {};
        fake::current.files["dir/p.ppm"] = {"P6\n1 1\n", kind};
        EXPECT_EQ(fake::run({"dir/p"}), 2);
        EXPECT_EQ(fake::current.output, "");
        EXPECT_EQ(fake::current.error, std::string("dir/p.ppm: ") + message + "\r\n");
    }
}

} // namespace
