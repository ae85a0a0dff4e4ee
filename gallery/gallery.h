// A whole gallery: what is there, what must be made, making it side by side, and the index.
#pragma once

#include "options.h"
#include "status/status.h"

// Brings the gallery up to date with its pictures, telling the status how it goes. Returns the
// exit status: 0 when every picture is in the gallery, 2 when one was left out or the gallery
// could not be written.
int build_gallery(gallery_options const& options, status& shown);
