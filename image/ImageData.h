// A decoded image in memory: tightly packed 8-bit RGB or RGBA rows, as the
// decoders hand them to the GL upload.
#pragma once

#include <cstdint>
#include <vector>

struct ImageData {
    int width = 0;
    int height = 0;
    int channels = 0;      // 3 (RGB) or 4 (RGBA)
    bool bottomUp = true;  // first row in `pixels` is the bottom row of the picture
    std::vector<uint8_t> pixels;

    size_t rowBytes() const { return size_t(width) * size_t(channels); }
};
