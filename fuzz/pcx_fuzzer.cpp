// Feeds arbitrary bytes to the PCX decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/PcxDecoder.h"

namespace {

// Inputs past 16 KiB are skipped: the small seeds and their mutations reach
// every path, and large ones would only slow each run down.
constexpr size_t kMaxInput = 16 * 1024;
// So are pictures of more than 2^14 pixels, as the header gives them: their
// rows take the same paths as a small picture's, at a hundred times the cost.
constexpr size_t kMaxPixels = size_t(1) << 14;

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
    if (size > kMaxInput || claimedPixels(data, size) > kMaxPixels) {
        return 0;
    }
    ImageData image;
    std::string message;
    const bool ok = decodePcx(data, size, "fuzz.pcx", image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 3, 3, true));
    return 0;
}
