// The stop for a name that does not fit in a name buffer.
#pragma once

// Reports "name: File name too long" and ends the process with status 2.
[[noreturn]] void stop_name_too_long(char const* name);
