// Carrying out the removals that the plan decided.
#pragma once

#include "plan/removals.h"
#include "state/gallery_state.h"

#include <functional>
#include <string>
#include <vector>

// Removes the files of each removal in turn, each page first, so that no page is left without
// the files it shows, then the folders that they leave empty. A removal whose files are all
// gone is forgotten by the state; one whose file cannot be removed is told and stays in the
// records, so that the next run tries again, and an album's that fails keeps everything in it.
void remove_files(std::vector<removal> const& removals, std::string const& gallery,
                  gallery_state& state, std::function<void(std::string const&)> const& tell);
