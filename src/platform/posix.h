// What posix.cpp decides on its own, beyond the platform header, declared for its tests.
#pragma once

#include "platform/platform.h"

// The failure kind of the errno of a failed open().
open_failure open_failure_of_errno(int error);
