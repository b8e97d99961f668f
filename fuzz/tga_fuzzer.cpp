// Feeds arbitrary bytes to the TGA decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB or RGBA rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/TgaDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TgaDecoded decoded;
    std::string message;
    const bool ok = decodeTga(data, size, "fuzz.tga", decoded, message);
    fuzzRequire(keepsImageContract(ok, decoded.image, message, 3, 4, true));
    return 0;
}
