// Feeds arbitrary bytes to the DDS parser. Besides the sanitizers' checks it
// traps when the result breaks the parser's contract: levels that do not lie
// one after another inside the data, each sized by its dimensions, or a
// failure without a message or with data left behind.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DdsDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DdsImage image;
    std::string message;
    const bool ok = decodeDds(data, size, "fuzz.dds", image, message);
    if (!ok) {
        if (message.empty() || !image.levels.empty() || !image.data.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    if (size < 128 || image.data.size() != size - 128 || image.levels.empty() ||
        image.levels.size() > size_t(std::max(image.mipmapCount, 1)) ||
        (image.blockSize != 8 && image.blockSize != 16)) {
        __builtin_trap();
    }
    size_t offset = 0;
    int w = image.width, h = image.height;
    for (const DdsLevel& level : image.levels) {
        const size_t expected = size_t((w + 3) / 4) * size_t((h + 3) / 4) * size_t(image.blockSize);
        if (level.width != w || level.height != h || level.offset != offset ||
            level.size != expected || level.size > image.data.size() - offset) {
            __builtin_trap();
        }
        offset += level.size;
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }
    return 0;
}
