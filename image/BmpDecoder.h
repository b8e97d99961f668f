/// \file
/// BMP decoding without any GL: Windows and OS/2 headers, 1, 4, 8, 16, 24 and
/// 32 bits per pixel, uncompressed, with bit-field masks or run-length encoded
/// (RLE8, RLE4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

/// Decodes a whole BMP file held in memory into RGB rows, bottom row first, or
/// RGBA rows when bit-field masks carry alpha that is not zero everywhere.
/// On failure returns false and sets `message` to the loader's text (without a
/// line end), naming the file as `name`.
bool decodeBmp(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message);
