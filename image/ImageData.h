/// \file
/// A decoded image in memory: tightly packed 8-bit RGB or RGBA rows, as the
/// decoders hand them to the GL upload.
#pragma once

#include <cstdint>
#include <vector>

/// Decoded pixels with their size and layout.
struct ImageData {
    int width = 0;                ///< in pixels
    int height = 0;               ///< in pixels
    int channels = 0;             ///< 3 (RGB) or 4 (RGBA)
    bool bottomUp = true;         ///< first row in `pixels` is the bottom row of the picture
    std::vector<uint8_t> pixels;  ///< height rows of rowBytes() bytes

    /// The bytes in one row: width times channels.
    size_t rowBytes() const { return size_t(width) * size_t(channels); }
};
