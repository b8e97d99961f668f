/// \file
/// TGA decoding without any GL: uncompressed (type 2) and run-length (type 10)
/// true-colour images with 24 or 32 bits per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

/// A decoded TGA file: the pixels and the header bytes the loader reports.
struct TgaDecoded {
    ImageData image;             ///< RGB or RGBA, rows bottom-up, left to right
    uint8_t header[12] = {};     ///< file bytes 1 to 11 (the twelfth is never filled)
    uint8_t infoHeader[6] = {};  ///< file bytes 12 to 17
};

/// Decodes a whole TGA file held in memory. On failure returns false and sets
/// `message` to the loader's text for the failure, naming the file as `name`.
bool decodeTga(const uint8_t* data, size_t size, const char* name, TgaDecoded& out,
               std::string& message);
