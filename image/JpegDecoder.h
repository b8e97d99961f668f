// Baseline JPEG decoding without any GL: sequential Huffman-coded 8-bit
// frames with one (grey) or three (YCbCr) components.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

// Decodes a whole JPEG file held in memory into RGBA rows, top row first
// (alpha 255). On failure returns false, leaves no pixels and sets `message`
// to a short reason.
bool decodeJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& message);
