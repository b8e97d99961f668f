/// \file
/// PCX decoding without any GL: 1, 4, 8 and 24-bit images, run-length encoded
/// or stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

/// Decodes a whole PCX file held in memory into RGB rows, bottom row first (the
/// file's first scan line becomes the last row). On failure returns false and
/// sets `message` to the loader's text (without a line end).
bool decodePcx(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message);
