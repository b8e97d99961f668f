// Feeds arbitrary bytes to the TGA decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB or RGBA rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/TgaDecoder.h"

namespace {

size_t claimedPixels(const uint8_t* data, size_t size) {
    if (size < 16) {
        return 0;
    }
    return size_t(data[12] | data[13] << 8) * size_t(data[14] | data[15] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzReader<TgaDecoded>(
        size, claimedPixels(data, size), [&](TgaDecoded& decoded, std::string& message) {
            const bool ok = decodeTga(data, size, "fuzz.tga", decoded, message);
            return keepsImageContract(ok, decoded.image, message, 3, 4, true);
        });
}
