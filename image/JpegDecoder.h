/// \file
/// JPEG decoding without any GL: Huffman-coded 8-bit frames, sequential
/// (baseline and extended) or progressive, with one (grey) or three (YCbCr)
/// components.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageData.h"

/// Which versions of the decoder's inner loops run (the inverse DCT and the
/// conversion to RGBA). Every version gives the same bytes; Best picks the
/// fastest this processor has, and the others are there to be compared.
enum class JpegKernels { Best, Scalar, Sse2, Avx2 };

/// Whether this build and processor can run the given kernels.
bool jpegKernelsAvailable(JpegKernels kernels);

/// Decodes a whole JPEG file held in memory into RGBA rows, top row first
/// (alpha 255). On failure returns false, leaves no pixels and sets `message`
/// to a short reason. The pixel buffer `out` already holds is reused when it
/// is large enough. Kernels this processor cannot run fall back to Best.
bool decodeJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& message,
                JpegKernels kernels = JpegKernels::Best);

/// Receives the RGBA rows of a picture as the decoder finishes them, top row
/// first.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    /// The picture's size, before any row; false stops the decode.
    virtual bool begin(int width, int height) = 0;
    /// `count` rows from row `first` on, `rowBytes` apart (width x 4 bytes
    /// each); false stops the decode.
    virtual bool rows(const uint8_t* rgba, size_t rowBytes, int first, int count) = 0;
};

/// Decodes like decodeJpeg, but hands the rows to `sink` a band at a time
/// instead of keeping the whole picture: for callers that pass the pixels on,
/// such as a file writer. Rows already handed over before a failure stay with
/// the sink; a sink that stops the decode makes it fail with "decoding stopped".
bool decodeJpegRows(const uint8_t* data, size_t size, JpegRowSink& sink, std::string& message,
                    JpegKernels kernels = JpegKernels::Best);
