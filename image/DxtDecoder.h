/// \file
/// S3TC blocks decoded in software (DXT1 with its 1-bit alpha, DXT3, DXT5), so
/// tools can show what a DDS texture looks like. The engine itself uploads the
/// blocks as they are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DdsDecoder.h"
#include "image/ImageData.h"

/// The S3TC block layouts: DXT1 (8 bytes, 1-bit alpha), DXT3 (explicit
/// 4-bit alpha), DXT5 (interpolated alpha).
enum class DxtFormat { Dxt1, Dxt3, Dxt5 };

/// Decodes `width` x `height` pixels of 4x4 blocks, a row of blocks at a time
/// as a DDS level stores them, into RGBA rows in the same order. `blocks` holds
/// ((width + 3) / 4) x ((height + 3) / 4) blocks of 8 bytes (DXT1) or 16.
ImageData decodeDxt(const uint8_t* blocks, int width, int height, DxtFormat format);

/// The first level of a parsed DDS file, decoded; the rows come in the order
/// the GL takes them, first row at the bottom of the texture.
ImageData decodeDdsLevel0(const DdsImage& dds);
