/// \file
/// Loads a TGA file (uncompressed or run-length true colour, 24 or 32 bits)
/// into a single-level OpenGL texture. The bitmap font reads its glyph sheet
/// with it. The texture is not registered with the texture manager.
#pragma once

#include <cstdint>
#include <vector>

/// A TGA file decoded and uploaded by loadTga().
struct TgaImage {
    std::vector<uint8_t> pixels;  ///< decoded rows, bottom row first; kept after upload
    uint32_t glName = 0;          ///< the GL texture, 0 when none was made
    uint32_t bitsPerPixel = 0;    ///< 24 or 32
    int32_t width = 0;            ///< in pixels
    int32_t height = 0;           ///< in pixels
    uint32_t glFormat = 0;        ///< GL_RGB for 24 bits, GL_RGBA for 32
    uint8_t header[12] = {};      ///< file bytes 1 to 11
    uint8_t infoHeader[6] = {};   ///< file bytes 12 to 17
    int32_t bytesPerPixel = 0;    ///< 3 or 4
    int32_t imageSize = 0;        ///< bytes of decoded pixels
};

/// Returns true when the texture was created; otherwise prints why and
/// returns false.
bool loadTga(TgaImage* image, const char* path);
