// The size of a picture in pixels.
#pragma once

struct image_size {
    int width = 0;
    int height = 0;

    bool operator==(image_size const&) const = default;
};
