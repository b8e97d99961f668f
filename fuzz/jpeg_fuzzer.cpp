// Feeds arbitrary bytes to the JPEG decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract: a decoded image that is
// not top-down RGBA of the size it claims, with opaque alpha, or a failure
// without a message or with pixels left behind.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodeJpeg(data, size, image, message);
    if (ok) {
        const bool shapeOk = image.width > 0 && image.height > 0 && image.channels == 4 &&
                             !image.bottomUp &&
                             image.pixels.size() == image.rowBytes() * size_t(image.height);
        if (!shapeOk || !message.empty()) {
            __builtin_trap();
        }
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            if (image.pixels[i] != 255) {
                __builtin_trap();
            }
        }
    } else if (message.empty() || !image.pixels.empty()) {
        __builtin_trap();
    }
    return 0;
}
