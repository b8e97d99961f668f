// Feeds arbitrary bytes to the PCX decoder. Besides the sanitizers' checks it
// traps when the result breaks the decoder's contract (fuzz/FuzzContract.h)
// for RGB rows, bottom row first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/PcxDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageData image;
    std::string message;
    const bool ok = decodePcx(data, size, "fuzz.pcx", image, message);
    fuzzRequire(keepsImageContract(ok, image, message, 3, 3, true));
    return 0;
}
