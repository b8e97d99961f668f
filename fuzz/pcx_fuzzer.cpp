// Feeds arbitrary bytes to the PCX decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract: a decoded image whose
// buffer does not match its size, or a failure without a message or with
// pixels left behind.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/PcxDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodePcx(data, size, "fuzz.pcx", image, message);
    if (ok) {
        const bool shapeOk = image.width > 0 && image.height > 0 && image.channels == 3 &&
                             image.bottomUp &&
                             image.pixels.size() == image.rowBytes() * size_t(image.height);
        if (!shapeOk || !message.empty()) {
            __builtin_trap();
        }
    } else if (message.empty() || !image.pixels.empty()) {
        __builtin_trap();
    }
    return 0;
}
