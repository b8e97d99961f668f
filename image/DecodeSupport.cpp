#include "image/DecodeSupport.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

bool decodeFailure(std::string& message, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    message.assign(size_t(std::max(length, 0)) + 1, '\0');
    std::vsnprintf(&message[0], message.size(), format, again);
    va_end(again);
    message.pop_back();
    return false;
}

void flipRows(uint8_t* pixels, size_t rowBytes, size_t height) {
    if (height < 2) {
        return;
    }
    for (size_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(pixels + top * rowBytes, pixels + (top + 1) * rowBytes,
                         pixels + bottom * rowBytes);
    }
}
