// Feeds arbitrary bytes to the DDS parser. Besides the sanitizers' checks it
// traps when the result breaks the parser's contract (fuzz/FuzzContract.h):
// levels that do not lie one after another inside the data, each sized by its
// dimensions, or a failure without a message or with data left behind. The
// first level of a parsed file is also decoded in software.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzContract.h"
#include "image/DdsDecoder.h"
#include "image/DxtDecoder.h"

namespace {

// The first level decodes in software to RGBA rows of the image's size.
bool firstLevelDecodes(const DdsImage& image) {
    const ImageData pixels = decodeDdsLevel0(image);
    return pixels.width == image.width && pixels.height == image.height && pixels.channels == 4 &&
           pixels.pixels.size() == pixels.rowBytes() * size_t(pixels.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzReader<DdsImage>(size, 0, [&](DdsImage& image, std::string& message) {
        const bool ok = decodeDds(data, size, "fuzz.dds", image, message);
        return keepsDdsContract(ok, image, message, size) && (!ok || firstLevelDecodes(image));
    });
}
