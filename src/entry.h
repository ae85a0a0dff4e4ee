// Where a run of pixfold begins: the choice of page by the number of arguments.
#pragma once

// Writes the page that the arguments ask for, or the usage lines, and returns the exit status.
// The count includes the program's own name, as the platform passes it.
int run_entry(int argument_count, char const* const* arguments);
