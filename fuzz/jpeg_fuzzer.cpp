// Feeds arbitrary bytes to the JPEG decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGBA rows, top row first, or when any alpha is not opaque.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodeJpeg(data, size, image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 4, 4, false));
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        fuzzRequire(image.pixels[i] == 255);
    }
    return 0;
}
