// Feeds arbitrary bytes to the JPEG decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGBA rows, top row first, or when any alpha is not opaque.
//
// Inputs whose frame header asks for more than 16384 pixels are left
// out here (the decoder itself takes pictures up to its own limit): the time
// of a decode grows with the picture, and small pictures reach every path.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/JpegDecoder.h"

namespace {

constexpr uint64_t kMaxPixels = 128 * 128;

// Whether any frame header in the bytes (0xFF, SOF0 to SOF2, length,
// precision, height, width) asks for a picture larger than kMaxPixels.
bool asksForLargePicture(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 9 <= size; ++i) {
        if (data[i] == 0xFF && data[i + 1] >= 0xC0 && data[i + 1] <= 0xC2) {
            const uint64_t height = data[i + 5] << 8 | data[i + 6];
            const uint64_t width = data[i + 7] << 8 | data[i + 8];
            if (width * height > kMaxPixels) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (asksForLargePicture(data, size)) {
        return 0;
    }
    ImageData image;
    std::string message;
    const bool ok = decodeJpeg(data, size, image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 4, 4, false));
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        fuzzRequire(image.pixels[i] == 255);
    }
    return 0;
}
