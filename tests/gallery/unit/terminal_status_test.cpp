#include "status/terminal_status.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(progress_line, shows_the_bar_count_rate_and_time_left_within_the_columns) {
    std::string const line = progress_line("pictures", 25, 100, 10.0, 80);
    EXPECT_LE(line.size(), 79u);
    EXPECT_NE(line.find(" 25/100 pictures"), std::string::npos) << line;
    EXPECT_NE(line.find("2.5/s"), std::string::npos) << line;
    EXPECT_NE(line.find("0:30 left"), std::string::npos) << line;
    std::size_t const bar = line.find(']');
    ASSERT_NE(bar, std::string::npos);
    // A quarter of the pictures is a quarter of the bar.
    EXPECT_EQ(std::count(line.begin(), line.begin() + static_cast<long>(bar), '#'),
              static_cast<long>(bar - 1) / 4);
}

TEST(progress_line, before_the_first_picture_and_on_a_narrow_terminal) {
    std::string const start = progress_line("albums", 0, 7, 0.0, 80);
    EXPECT_EQ(start.find("left"), std::string::npos);
    EXPECT_NE(start.find("0/7 albums"), std::string::npos);
    // Cut to the columns: a line that wraps could not be drawn over.
    EXPECT_EQ(progress_line("pictures", 3, 7, 1.0, 20), "3/7 pictures  3.0/s");
    EXPECT_NE(progress_line("pictures", 3600, 7200, 3600.0, 80).find("1:00:00 left"),
              std::string::npos);
}
