#include "entry.h"

#include "pages/picture_index.h"
#include "pages/picture_page.h"
#include "streams.h"

int run_entry(int argument_count, char const* const* arguments) {
    if (argument_count == 2) {
        write_picture_page(arguments[1]);
    } else if (argument_count == 1) {
        write_picture_index();
    } else {
        write_out("usage1: pixfold path_without_ext\n"
                  "usage2: pixfold (file list from stdin)\n");
    }
    return 0;
}
