// The pictures of a run, made side by side.
#pragma once

#include "making/context.h"
#include "plan/pictures.h"
#include "plan/removals.h"

#include <vector>

// Makes the pictures on the context's workers, and tells those that failed in the order of the
// names, whichever finished first. A picture that failed keeps its claim on every file it may
// have left; the removals returned take them.
std::vector<removal> make_pictures(std::vector<picture_job> const& jobs, making_context& context);
