// How the platform's reasons for a failed open map onto the tool's five failure kinds.
#pragma once

#include "platform/platform.h"

// POSIX: the errno of a failed open().
open_failure open_failure_of_errno(int error);

// Win32: the GetLastError() of a failed CreateFileA().
open_failure open_failure_of_system_error(unsigned long error);
