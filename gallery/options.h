// The command line of pixfold-gallery.
#pragma once

#include "plan/settings.h"

#include <string>
#include <vector>

struct gallery_options {
    std::string source; // the folder of the pictures
    std::string output; // where the gallery goes: the source folder itself when in place
    bool in_place = true;
    int workers = 0; // -j: pictures made side by side; 0 for one per processor
    int web_box = 1600;
    int thumbnail_box = 200;
    bool keep_companions = false;
    bool keep_markers = false; // leave the pages' markers for a site step of the site's own
    bool force = false;
    picture_order order = picture_order::name;
};

enum class command { build, help, wrong };

// Reads the arguments after the program name. On command::wrong, message says what is wrong.
command parse_options(std::vector<std::string> const& arguments, gallery_options& options,
                      std::string& message);

// The usage text of --help.
std::string usage_text();
