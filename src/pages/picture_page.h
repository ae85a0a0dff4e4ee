// The page of one picture: the full-size image between two links back to the index.
#pragma once

// Writes the page of the picture at the base path (its path without extension). Ends the
// process with status 2 when the picture's size cannot be read or its names do not fit.
void write_picture_page(char const* base_path);
