// Feeds arbitrary bytes to the BMP decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract: a decoded image that is
// not RGB rows bottom row first filling exactly its buffer, one larger than
// the pixel cap, or a failure without a message or with pixels left behind.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodeBmp(data, size, "fuzz.bmp", image, message);
    if (ok) {
        const bool shapeOk =
            image.width > 0 && image.height > 0 && image.channels == 3 && image.bottomUp &&
            uint64_t(image.width) * uint64_t(image.height) <= (uint64_t(1) << 28) &&
            image.pixels.size() == image.rowBytes() * size_t(image.height);
        if (!shapeOk || !message.empty()) {
            __builtin_trap();
        }
    } else if (message.empty() || !image.pixels.empty()) {
        __builtin_trap();
    }
    return 0;
}
