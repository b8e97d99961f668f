// Feeds arbitrary bytes to the PCX decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/PcxDecoder.h"

namespace {

size_t claimedPixels(const uint8_t* data, size_t size) {
    if (size < 12) {
        return 0;
    }
    const int width = (data[8] | data[9] << 8) - (data[4] | data[5] << 8) + 1;
    const int height = (data[10] | data[11] << 8) - (data[6] | data[7] << 8) + 1;
    return width > 0 && height > 0 ? size_t(width) * size_t(height) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzReader<ImageData>(
        size, claimedPixels(data, size), [&](ImageData& image, std::string& message) {
            const bool ok = decodePcx(data, size, "fuzz.pcx", image, message);
            return keepsImageContract(ok, image, message, 3, 3, true);
        });
}
