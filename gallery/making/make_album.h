// Making the files of one album: its cover, a copy of a thumbnail, in the album above, and its
// index, written by pixfold and, with the site step, its markers expanded; made aside and
// renamed into place as a picture's files are.
#pragma once

#include "making/context.h"
#include "plan/albums.h"
#include "source/scan.h"

#include <string>

// Copies the album's cover and writes its index, as the job says. Returns why it failed, or an
// empty string.
std::string make_album(album_job const& job, album const& which, int worker,
                       making_context& context);
