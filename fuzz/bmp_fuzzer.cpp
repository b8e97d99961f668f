// Feeds arbitrary bytes to the BMP decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB or RGBA rows, bottom row first, or when an image is larger than the
// decoder's cap of 2^28 pixels.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodeBmp(data, size, "fuzz.bmp", image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 3, 4, true));
    fuzzRequire(uint64_t(image.width) * uint64_t(image.height) <= (uint64_t(1) << 28));
    return 0;
}
