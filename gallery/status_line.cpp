#include "status_line.h"

#include "system/system.h"

#include <algorithm>
#include <cstdio>

namespace {

bool line_shown = false;

std::string duration(double seconds) {
    long const whole = static_cast<long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string progress_line(int done, int total, double seconds, int columns) {
    std::string counts = " " + std::to_string(done) + "/" + std::to_string(total) + " pictures";
    if (done > 0 && seconds > 0) {
        double const rate = done / seconds;
        char text[64];
        std::snprintf(text, sizeof text, "  %.1f/s  %s left", rate,
                      duration((total - done) / rate).c_str());
        counts += text;
    }
    // The bar takes what the text leaves, between 10 and 40 columns; on a narrow terminal the
    // text alone.
    int const room = columns - 1 - static_cast<int>(counts.size()) - 2;
    if (room < 10) return counts.substr(1, static_cast<std::size_t>(std::max(columns - 1, 0)));
    int const width = room < 40 ? room : 40;
    int const filled = total > 0 ? static_cast<int>(static_cast<long>(width) * done / total) : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]" + counts;
}

void show_progress(int done, int total, double seconds) {
    if (!os::error_is_terminal()) return;
    // "\r" goes back to the start of the line and "\033[K" clears what the last line left.
    static_cast<void>(os::write_error(
        "\r" + progress_line(done, total, seconds, os::terminal_columns()) + "\033[K"));
    line_shown = true;
    os::set_open_line(true);
}

void end_progress() {
    if (!line_shown) return;
    os::set_open_line(false);
    static_cast<void>(os::write_error("\n"));
    line_shown = false;
}

void say(std::string const& text) {
    end_progress();
    // A terminal or log that cannot take the message leaves nothing better to do.
    static_cast<void>(os::write_error("pixfold-gallery: " + text + "\n"));
}
