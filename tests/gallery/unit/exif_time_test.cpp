#include "imaging/exif_time.h"

#include <gtest/gtest.h>

TEST(exif_time, reads_the_date_with_its_fraction_and_offset_as_the_library_gives_them) {
    struct row {
        char const* date;
        char const* fraction;
        char const* offset;
        std::optional<exif_time> read;
    };
    row const rows[] = {
        {"2024:06:01 12:00:00 (2024:06:01 12:00:00, ASCII, 20 components, 20 bytes)",
         "417 (417, ASCII, 4 components, 4 bytes)", "+02:00 (+02:00, ASCII, 7 components)",
         exif_time{2024, 6, 1, 12, 0, 0, 417'000'000, 120}},
        {"2024:05:31 18:00:07", "", "", exif_time{2024, 5, 31, 18, 0, 7, 0, std::nullopt}},
        {"1998:07:14 15:00:00", "5", "-05:30", exif_time{1998, 7, 14, 15, 0, 0, 500'000'000, -330}},
        {"2024:02:29 23:59:60", "1234567891", "+2:00",
         exif_time{2024, 2, 29, 23, 59, 60, 123'456'789, std::nullopt}},
        // No date, or none of the calendar: the file's time stands for it.
        {"", "", "", std::nullopt},
        {"0000:00:00 00:00:00", "", "", std::nullopt},
        {"    :  :     :  :  ", "", "", std::nullopt},
        {"2023:02:29 10:00:00", "", "", std::nullopt},
        {"2023:13:01 10:00:00", "", "", std::nullopt},
        {"2023-06-01 10:00:00", "", "", std::nullopt},
    };
    for (row const& each : rows)
        EXPECT_EQ(read_exif_time(each.date, each.fraction, each.offset), each.read) << each.date;

    exif_time const noon{2024, 6, 1, 12, 0, 0, 0, 120};
    EXPECT_EQ(seconds_since_1970(noon, 120), 1717236000); // 10:00 UTC
    EXPECT_EQ(seconds_since_1970({1969, 12, 31, 23, 59, 59, 0, {}}, 0), -1);
    EXPECT_EQ(seconds_since_1970({2000, 3, 1, 0, 0, 0, 0, {}}, -60), 951868800 + 3600);
}
