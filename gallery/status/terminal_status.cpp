#include "status/terminal_status.h"

#include "system/system.h"

#include <algorithm>
#include <cstdio>

namespace {

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

std::string progress_line(std::string_view things, std::size_t done, std::size_t total,
                          double seconds, int columns) {
    std::string counts =
        " " + std::to_string(done) + "/" + std::to_string(total) + " " + std::string(things);
    if (done > 0 && seconds > 0) {
        double const rate = static_cast<double>(done) / seconds;
        char text[64];
        std::snprintf(text, sizeof text, "  %.1f/s  %s left", rate,
                      duration(static_cast<double>(total - std::min(done, total)) / rate).c_str());
        counts += text;
    }
    // The bar takes what the text leaves, between 10 and 40 columns; on a narrow terminal the
    // text alone.
    int const room = columns - 1 - static_cast<int>(counts.size()) - 2;
    if (room < 10) return counts.substr(1, static_cast<std::size_t>(std::max(columns - 1, 0)));
    int const width = room < 40 ? room : 40;
    int const filled =
        total > 0
            ? static_cast<int>(static_cast<std::size_t>(width) * std::min(done, total) / total)
            : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]" + counts;
}

void terminal_status::step_began(std::string_view things, std::size_t total) {
    things_ = things;
    done_ = 0;
    total_ = total;
    started_ = std::chrono::steady_clock::now();
    draw();
}

void terminal_status::done(std::size_t more) {
    done_ += more;
    // A step planned again on the way may do more than it first counted.
    total_ = std::max(total_, done_);
    draw();
}

void terminal_status::step_ended() {
    end_line();
    total_ = 0;
}

void terminal_status::say(std::string const& text) {
    end_line();
    // A terminal or log that cannot take the message leaves nothing better to do.
    static_cast<void>(os::write_error("pixfold-gallery: " + text + "\n"));
}

// A step with nothing to do shows nothing.
void terminal_status::draw() {
    if (total_ == 0 || !os::error_is_terminal()) return;
    double const seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    // "\r" goes back to the start of the line and "\033[K" clears what the last line left.
    static_cast<void>(os::write_error(
        "\r" + progress_line(things_, done_, total_, seconds, os::terminal_columns()) + "\033[K"));
    line_shown_ = true;
    os::set_open_line(true);
}

void terminal_status::end_line() {
    if (!line_shown_) return;
    os::set_open_line(false);
    static_cast<void>(os::write_error("\n"));
    line_shown_ = false;
}
