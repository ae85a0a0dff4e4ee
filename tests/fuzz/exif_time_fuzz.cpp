// Fuzzes the reader of the EXIF time that orders an album, whatever bytes a camera, an editor or
// a file made to harm wrote into the three fields: it must not crash, and what it reads must be
// a time of the calendar whose seconds since 1970 read back as the same day and time.
//
// Input: the date, the fraction and the offset, each ended by a zero byte.
#include "imaging/exif_time.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The next field of the input, up to a zero byte or the end.
std::string_view field(std::string_view& input) {
    std::size_t const end = input.find('\0');
    std::string_view const taken = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return taken;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string_view input(reinterpret_cast<char const*>(data), size);
    std::string_view const date = field(input), fraction = field(input), offset = field(input);
    std::optional<exif_time> const read = read_exif_time(date, fraction, offset);
    if (!read) return 0;
    check(read->month >= 1 && read->month <= 12 && read->day >= 1 && read->day <= 31);
    check(read->hour <= 23 && read->minute <= 59 && read->second <= 60);
    check(read->nanoseconds >= 0 && read->nanoseconds < 1'000'000'000);
    check(!read->offset_minutes || (*read->offset_minutes >= -899 && *read->offset_minutes <= 899));
    // Midnight of the day, back from its seconds, is the same day and lands on a day's start.
    exif_time midnight = *read;
    midnight.hour = midnight.minute = midnight.second = 0;
    std::int64_t const seconds = seconds_since_1970(midnight, 0);
    check(seconds % 86400 == 0);
    exif_time next_day = midnight;
    next_day.day += 1;
    check(seconds_since_1970(next_day, 0) == seconds + 86400);
    return 0;
}
