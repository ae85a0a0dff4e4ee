// The index of all pictures: one thumbnail entry per line of the file list.
#pragma once

// Reads the file list from standard input and writes the index page, one entry per line as it
// is read. Ends the process with status 2 at the first picture that cannot be shown, after
// the entries before it.
void write_picture_index();
