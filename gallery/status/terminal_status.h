// The status that a person watching the terminal sees: a line of progress, redrawn while things
// are made, and messages on lines of their own. A log or a pipe gets the messages alone.
#pragma once

#include "status/status.h"

#include <chrono>
#include <string>

// One line of progress that fits into the columns: a bar, the count of the things, the rate
// and the time left. The rate and the time left appear once one thing is done.
std::string progress_line(std::string_view things, std::size_t done, std::size_t total,
                          double seconds, int columns);

class terminal_status : public status {
  public:
    void step_began(std::string_view things, std::size_t total) override;
    void done(std::size_t more) override;
    void step_ended() override;
    void say(std::string const& text) override;

  private:
    void draw();
    void end_line();

    std::string things_;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    std::chrono::steady_clock::time_point started_;
    bool line_shown_ = false;
};
