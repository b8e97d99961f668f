// Feeds arbitrary bytes to the BMP decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB or RGBA rows, bottom row first, or when an image is larger than the
// decoder's cap of 2^28 pixels.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/BmpDecoder.h"

namespace {

// Inputs past 16 KiB are skipped: the small seeds and their mutations reach
// every path, and large ones would only slow each run down.
constexpr size_t kMaxInput = 16 * 1024;
// So are pictures of more than 2^14 pixels, as the header gives them: their
// rows take the same paths as a small picture's, at a hundred times the cost.
constexpr uint64_t kMaxPixels = uint64_t(1) << 14;

// Width times height from the OS/2 core header's 16-bit fields or the other
// headers' 32-bit ones (a negative height meaning rows stored top-down).
uint64_t claimedPixels(const uint8_t* data, size_t size) {
    if (size < 26) {
        return 0;
    }
    const auto u16 = [data](size_t at) { return uint32_t(data[at] | data[at + 1] << 8); };
    const auto s32 = [&](size_t at) { return int64_t(int32_t(u16(at) | u16(at + 2) << 16)); };
    if (u16(14) == 12 && u16(16) == 0) {
        return uint64_t(u16(18)) * u16(20);
    }
    const int64_t width = s32(18), height = s32(22);
    return width > 0 ? uint64_t(width) * uint64_t(height < 0 ? -height : height) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput || claimedPixels(data, size) > kMaxPixels) {
        return 0;
    }
    ImageData image;
    std::string message;
    const bool ok = decodeBmp(data, size, "fuzz.bmp", image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 3, 4, true));
    fuzzRequire(uint64_t(image.width) * uint64_t(image.height) <= (uint64_t(1) << 28));
    return 0;
}
