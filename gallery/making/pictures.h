// The pictures of a run, made side by side: first every picture's images, then every page that
// is to be written, once the pictures beside each are known.
#pragma once

#include "making/context.h"
#include "plan/pages.h"
#include "plan/pictures.h"
#include "plan/removals.h"

#include <vector>

// Makes the pictures' images, or pages, on the context's workers, and tells those that failed in
// the order of the names, whichever finished first. A picture that failed keeps its claim on
// every file it may have left; the removals returned take them.
std::vector<removal> make_pictures(std::vector<picture_job> const& jobs, making_context& context);
std::vector<removal> make_pages(std::vector<page_job> const& jobs, making_context& context);
