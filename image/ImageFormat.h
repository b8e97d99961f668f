/// \file
/// Which decoder an image file's name selects, in one table: the engine's own
/// for names that contain "bmp", "pcx", "dds", "jpg" or "jpeg" (searched in
/// that order, case-sensitively, anywhere in the path, directories included),
/// SDL_image for everything else. The engine's loading by extension and
/// varno-inspect both go through it. No GL and no SDL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageData.h"

/// The decoders a file name can select.
enum class ImageFormat { Bmp, Pcx, Dds, Jpeg, Sdl };

/// Decodes a whole file held in memory into rows of pixels. On failure returns
/// false and sets `message` to the text the loaders print for this file.
using PixelDecoder = bool (*)(const uint8_t* data, size_t size, const char* fileName,
                              ImageData& image, std::string& message);

/// One row of the table: a format, its name and its decoder.
struct ImageDecoder {
    ImageFormat format;  ///< the format this row is for
    const char* name;    ///< as varno-inspect prints it
    /// Null for DDS (its blocks go to GL compressed, as stored) and SDL_image.
    PixelDecoder decode;
};

/// The table's entry the file name selects.
const ImageDecoder& chooseImageDecoder(const char* fileName);

/// The format the file name selects.
inline ImageFormat chooseImageFormat(const char* fileName) {
    return chooseImageDecoder(fileName).format;
}

/// The table's entry for a format.
const ImageDecoder& imageDecoderFor(ImageFormat format);

/// The format's name as varno-inspect prints it ("bmp", "jpeg", "sdl", ...).
inline const char* imageFormatName(ImageFormat format) {
    return imageDecoderFor(format).name;
}

/// Reads an image file whole. On failure sets `message` to the text the
/// loaders print and returns false.
bool readImageFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& message);
