// JPEG decoding without any GL: Huffman-coded 8-bit frames, sequential
// (baseline and extended) or progressive, with one (grey) or three (YCbCr)
// components.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

// Which versions of the decoder's inner loops run (the inverse DCT and the
// conversion to RGBA). Every version gives the same bytes; Best picks the
// fastest this processor has, and the others are there to be compared.
enum class JpegKernels { Best, Scalar, Sse2, Avx2 };

// Whether this build and processor can run the given kernels.
bool jpegKernelsAvailable(JpegKernels kernels);

// Decodes a whole JPEG file held in memory into RGBA rows, top row first
// (alpha 255). On failure returns false, leaves no pixels and sets `message`
// to a short reason. The pixel buffer `out` already holds is reused when it
// is large enough. Kernels this processor cannot run fall back to Best.
bool decodeJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& message,
                JpegKernels kernels = JpegKernels::Best);
