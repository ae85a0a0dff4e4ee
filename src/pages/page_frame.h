// The frame shared by every page: the opening block and the closing block.
#pragma once

// Writes the opening block; the title is the fixed words followed by a name, which is escaped.
void write_page_opening(char const* title_words, char const* title_name);

// Writes the closing block.
void write_page_closing();
