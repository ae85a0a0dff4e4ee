#include "pages/names_too_long.h"

#include "streams.h"

void stop_name_too_long(char const* name) {
    report_error(name, "File name too long");
    exit_with_status(2);
}
