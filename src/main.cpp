// pixfold: writes the page of one picture (one argument, its path without extension) or the
// index of all pictures (no argument, the file list on standard input) to standard output.
#include "entry.h"
#include "platform/platform.h"
#include "streams.h"

int main(int argument_count, char** arguments) {
    platform_start();
    start_streams();
    exit_with_status(run_entry(argument_count, arguments));
}
