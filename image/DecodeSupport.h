/// \file
/// Small pieces the image decoders share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Formats a decoder's failure message into `message` (a file name in it may
/// be any length) and returns false, so a decoder can `return decodeFailure(...)`.
bool decodeFailure(std::string& message, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

/// Turns `height` rows of `rowBytes` bytes upside down in place.
void flipRows(uint8_t* pixels, size_t rowBytes, size_t height);
