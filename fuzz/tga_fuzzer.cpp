// Feeds arbitrary bytes to the TGA decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB or RGBA rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/TgaDecoder.h"

namespace {

// Inputs past 16 KiB are skipped: the small seeds and their mutations reach
// every path, and large ones would only slow each run down.
constexpr size_t kMaxInput = 16 * 1024;
// So are pictures of more than 2^14 pixels, as the header gives them: their
// rows take the same paths as a small picture's, at a hundred times the cost.
constexpr size_t kMaxPixels = size_t(1) << 14;

size_t claimedPixels(const uint8_t* data, size_t size) {
    if (size < 16) {
        return 0;
    }
    return size_t(data[12] | data[13] << 8) * size_t(data[14] | data[15] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput || claimedPixels(data, size) > kMaxPixels) {
        return 0;
    }
    TgaDecoded decoded;
    std::string message;
    const bool ok = decodeTga(data, size, "fuzz.tga", decoded, message);
    fuzzRequire(keepsImageContract(ok, decoded.image, message, 3, 4, true));
    return 0;
}
