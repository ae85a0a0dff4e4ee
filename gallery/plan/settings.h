// The options as they bear on the files of a gallery, settled once for the whole run.
#pragma once

// The order of the pictures in each album: by their names, or by when they were taken.
enum class picture_order { name, date };

struct gallery_settings {
    int web_box = 0; // 0 in place, where the pages show the originals
    int thumbnail_box = 200;
    bool keep_companions = false;
    bool force = false;
    bool site_step = false; // the markers of every page are expanded
    picture_order order = picture_order::name;
};
