// What a person watching the terminal sees: a line of progress, redrawn while pictures are
// made, and messages on lines of their own. A log or a pipe gets the messages alone.
#pragma once

#include <string>

// One line of progress that fits into the columns: a bar, the count, the rate and the time
// left. The rate and the time left appear once a picture is done.
std::string progress_line(int done, int total, double seconds, int columns);

// Draws the line over the last one, on standard error, when it is a terminal.
void show_progress(int done, int total, double seconds);
// Ends the progress line, so that what follows starts on a line of its own.
void end_progress();

// Writes "pixfold-gallery: " and the text on a line of its own on standard error.
void say(std::string const& text);
