// The progress bar, for a person watching a terminal: a log or a pipe gets none of it.
#pragma once

#include <string>

// One line of progress that fits into the columns: a bar, the count, the rate and the time
// left. The rate and the time left appear once a picture is done.
std::string progress_line(int done, int total, double seconds, int columns);

// Draws the line over the last one, on standard error, when it is a terminal.
void show_progress(int done, int total, double seconds);
// Ends the progress line, so that what follows starts on a line of its own.
void end_progress();
