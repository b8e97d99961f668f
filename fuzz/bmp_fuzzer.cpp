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
    return fuzzReader<ImageData>(
        size, claimedPixels(data, size), [&](ImageData& image, std::string& message) {
            const bool ok = decodeBmp(data, size, "fuzz.bmp", image, message);
            return keepsImageContract(ok, image, message, 3, 4, true) &&
                   uint64_t(image.width) * uint64_t(image.height) <= (uint64_t(1) << 28);
        });
}
