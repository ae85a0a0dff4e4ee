// When a picture was taken, as its EXIF says: DateTimeOriginal, the local time on the camera's
// clock, with SubSecTimeOriginal and OffsetTimeOriginal (its time zone) where the camera wrote
// them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct exif_time {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int nanoseconds = 0;
    std::optional<int> offset_minutes; // east of UTC, when the camera said

    bool operator==(exif_time const&) const = default;
};

// Reads the three fields (the date "YYYY:MM:DD HH:MM:SS", the fraction's digits "417", the
// offset "+02:00"), each empty when missing; anything after a field's value is passed over.
// None when there is no date, or none that a calendar has ("0000:00:00 00:00:00", blanks,
// 2023:02:30). A fraction or an offset that cannot be read is left out.
std::optional<exif_time> read_exif_time(std::string_view date, std::string_view fraction,
                                        std::string_view offset);

// The seconds since 1970 of a time in a time zone this many minutes east of UTC.
std::int64_t seconds_since_1970(exif_time const& time, int offset_minutes);
