#include "imaging/exif_time.h"

namespace {

// Reads `digits` decimal digits at the start of the text into number, and steps past them.
bool read_digits(std::string_view& text, std::size_t digits, int& number) {
    if (text.size() < digits) return false;
    number = 0;
    for (std::size_t at = 0; at < digits; ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        number = number * 10 + (text[at] - '0');
    }
    text.remove_prefix(digits);
    return true;
}

bool read_separator(std::string_view& text, char separator) {
    if (text.empty() || text.front() != separator) return false;
    text.remove_prefix(1);
    return true;
}

bool is_leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in(int year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// The days from 1970-01-01 to the date, by the proleptic Gregorian calendar.
std::int64_t days_since_1970(int year, int month, int day) {
    std::int64_t const y = month <= 2 ? year - 1 : year;
    std::int64_t const era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t const year_of_era = y - era * 400;
    std::int64_t const day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    std::int64_t const day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

} // namespace

std::optional<exif_time> read_exif_time(std::string_view date, std::string_view fraction,
                                        std::string_view offset) {
    exif_time time;
    if (!read_digits(date, 4, time.year) || !read_separator(date, ':') ||
        !read_digits(date, 2, time.month) || !read_separator(date, ':') ||
        !read_digits(date, 2, time.day) || !read_separator(date, ' ') ||
        !read_digits(date, 2, time.hour) || !read_separator(date, ':') ||
        !read_digits(date, 2, time.minute) || !read_separator(date, ':') ||
        !read_digits(date, 2, time.second))
        return std::nullopt;
    if (time.year == 0 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > days_in(time.year, time.month) || time.hour > 23 || time.minute > 59 ||
        time.second > 60)
        return std::nullopt;
    // The fraction's digits, as many as the camera wrote, of which nanoseconds take nine.
    int place = 100'000'000;
    for (char c : fraction) {
        if (c < '0' || c > '9') break;
        time.nanoseconds += (c - '0') * place;
        place /= 10;
    }
    int sign = 0, hours = 0, minutes = 0;
    if (!offset.empty() && (offset.front() == '+' || offset.front() == '-')) {
        sign = offset.front() == '+' ? 1 : -1;
        offset.remove_prefix(1);
        if (read_digits(offset, 2, hours) && read_separator(offset, ':') &&
            read_digits(offset, 2, minutes) && hours <= 14 && minutes <= 59)
            time.offset_minutes = sign * (hours * 60 + minutes);
    }
    return time;
}

std::int64_t seconds_since_1970(exif_time const& time, int offset_minutes) {
    return days_since_1970(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
           time.minute * 60 + time.second - std::int64_t{offset_minutes} * 60;
}
