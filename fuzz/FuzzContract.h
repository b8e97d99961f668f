// The contract every decoder keeps whatever bytes it is given, checked by the
// fuzz targets after each input and by the decoder tests after each call.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DdsDecoder.h"
#include "image/ImageData.h"

// Whether one decode kept the contract: on success a non-empty image with
// `minChannels` to `maxChannels` channels, rows in `bottomUp` order and
// exactly width x height pixels, and no message; on failure a message and no
// pixels.
inline bool keepsImageContract(bool ok, const ImageData& image, const std::string& message,
                               int minChannels, int maxChannels, bool bottomUp) {
    if (!ok) {
        return !message.empty() && image.pixels.empty();
    }
    return message.empty() && image.width > 0 && image.height > 0 &&
           image.channels >= minChannels && image.channels <= maxChannels &&
           image.bottomUp == bottomUp &&
           image.pixels.size() == image.rowBytes() * size_t(image.height);
}

// Whether one DDS parse kept the contract: on success the data is all the file
// after its 128-byte header, and the levels, at least one and at most as many
// as the header counts, lie one after another inside it, each sized by its
// dimensions; on failure a message and no levels or data.
inline bool keepsDdsContract(bool ok, const DdsImage& image, const std::string& message,
                             size_t fileSize) {
    if (!ok) {
        return !message.empty() && image.levels.empty() && image.data.empty();
    }
    if (fileSize < 128 || image.data.size() != fileSize - 128 || image.levels.empty() ||
        image.levels.size() > size_t(std::max(image.mipmapCount, 1)) ||
        (image.blockSize != 8 && image.blockSize != 16)) {
        return false;
    }
    size_t offset = 0;
    int w = image.width, h = image.height;
    for (const DdsLevel& level : image.levels) {
        const size_t size = size_t((w + 3) / 4) * size_t((h + 3) / 4) * size_t(image.blockSize);
        if (level.width != w || level.height != h || level.offset != offset || level.size != size ||
            level.size > image.data.size() - offset) {
            return false;
        }
        offset += level.size;
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }
    return true;
}

// Stops the fuzzer with a crash it records, input and all.
inline void fuzzRequire(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// Inputs past 16 KiB are skipped: the small seeds and their mutations reach
// every path, and large ones would only slow each run down.
constexpr size_t kMaxFuzzInput = 16 * 1024;
// So are pictures of more than 2^14 pixels, as the header gives them: their
// rows take the same paths as a small picture's, at a hundred times the cost.
constexpr uint64_t kMaxFuzzPixels = uint64_t(1) << 14;

// The body of a reader's fuzz target. Unless the input is skipped (past
// kMaxFuzzInput bytes, or a header claiming more than kMaxFuzzPixels), `read`
// (record, message) reads it into a fresh record and message and says whether
// the result kept the reader's contract; a broken contract stops the fuzzer.
template <typename Record, typename Read>
int fuzzReader(size_t size, uint64_t claimedPixels, Read read) {
    if (size <= kMaxFuzzInput && claimedPixels <= kMaxFuzzPixels) {
        Record record;
        std::string message;
        fuzzRequire(read(record, message));
    }
    return 0;
}
