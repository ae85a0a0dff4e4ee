// What win32.cpp decides on its own, beyond the platform header, declared for its tests.
#pragma once

#include "platform/platform.h"

// The failure kind of the GetLastError() of a failed CreateFileA().
open_failure open_failure_of_system_error(unsigned long error);

// Whether the GetLastError() of a failed ReadFile() means the end of the input, not an error.
bool read_failure_is_end(unsigned long error);
