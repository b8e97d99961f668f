// Feeds arbitrary bytes to the DDS parser. Besides the sanitizers' checks it
// traps when the result breaks the parser's contract (fuzz/FuzzContract.h):
// levels that do not lie one after another inside the data, each sized by its
// dimensions, or a failure without a message or with data left behind.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/DdsDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DdsImage image;
    std::string message;
    const bool ok = decodeDds(data, size, "fuzz.dds", image, message);
    fuzzRequire(keepsDdsContract(ok, image, message, size));
    return 0;
}
