// DDS parsing for the texture loader: S3TC-compressed files (DXT1, DXT3,
// DXT5). The blocks are not decoded here; the GL takes them as they are, so
// this only finds where each stored mipmap level lies.
//
// Every size comes from the file, so the level arithmetic is done in 64 bits
// on bounded dimensions, and only levels the data holds in full are listed.

#include "image/DdsDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <utility>

#include "base/ByteReader.h"
#include "image/DecodeSupport.h"

namespace {

constexpr size_t kHeaderSize = 128;  // "DDS " and the 124-byte surface header
constexpr size_t kHeightOffset = 4 + 8;
constexpr size_t kMipmapCountOffset = 4 + 24;
constexpr size_t kFourCCOffset = 4 + 80;

constexpr uint32_t fourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t kMagic = fourCC('D', 'D', 'S', ' ');
constexpr uint32_t kDxt1 = fourCC('D', 'X', 'T', '1');
constexpr uint32_t kDxt3 = fourCC('D', 'X', 'T', '3');
constexpr uint32_t kDxt5 = fourCC('D', 'X', 'T', '5');

// Far beyond what any GL takes, small enough that no level size can overflow.
constexpr uint32_t kMaxSide = 65536;
// A chain from 65536 down to 1 has 17 levels.
constexpr uint32_t kMaxMipmaps = 32;

}  // namespace

std::string fourCCText(uint32_t code) {
    std::string text(4, '?');
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (8 * i)) & 0xFF);
        if (c >= 0x20 && c < 0x7F) {
            text[i] = c;
        }
    }
    return text;
}

bool decodeDds(const uint8_t* data, size_t size, const char* name, DdsImage& out,
               std::string& message) {
    ByteReader in = startDecode(out, message, data, size, name);
    if (in.u32le() != kMagic || size < kHeaderSize) {
        return decodeFailure(message, "the file \"%s\" doesn't appear to bea valid .dds file!",
                             name);
    }
    in.seek(kHeightOffset);
    const uint32_t height = in.u32le();
    const uint32_t width = in.u32le();
    in.seek(kMipmapCountOffset);
    const uint32_t mipmapCount = in.u32le();
    in.seek(kFourCCOffset);
    const uint32_t code = in.u32le();

    int blockSize = 0;
    int components = 0;
    if (code == kDxt1) {
        blockSize = 8;
        components = 3;
    } else if (code == kDxt3 || code == kDxt5) {
        blockSize = 16;
        components = 4;
    } else {
        return decodeFailure(
            message,
            "the file \"%s\" doesn't appear to becompressed using DXT1, DXT3, or DXT5! [%i]", name,
            int(int32_t(code)));
    }
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return decodeFailure(message,
                             "the file \"%s\" doesn't appear to have a valid size! [%ux%u]", name,
                             unsigned(width), unsigned(height));
    }
    if (mipmapCount > kMaxMipmaps) {
        return decodeFailure(message,
                             "the file \"%s\" doesn't appear to have a valid mipmap count! [%u]",
                             name, unsigned(mipmapCount));
    }
    // Without the mipmap flag the count is 0 and the file holds the base level.
    const uint32_t levelCount = std::max<uint32_t>(mipmapCount, 1);

    // Levels follow one another, largest first; a cube map's first face comes
    // first, so its levels are the ones listed.
    const size_t dataSize = size - kHeaderSize;
    std::vector<DdsLevel> levels;
    uint64_t offset = 0;
    uint32_t w = width, h = height;
    for (uint32_t i = 0; i < levelCount; ++i) {
        const uint64_t levelSize = uint64_t((w + 3) / 4) * ((h + 3) / 4) * uint64_t(blockSize);
        if (levelSize > dataSize - offset) {
            break;
        }
        levels.push_back(DdsLevel{int(w), int(h), size_t(offset), size_t(levelSize)});
        offset += levelSize;
        w = std::max<uint32_t>(w / 2, 1);
        h = std::max<uint32_t>(h / 2, 1);
    }
    if (levels.empty()) {
        return decodeFailure(message, "the file \"%s\" holds none of its %i mipmap levels!", name,
                             int(levelCount));
    }

    try {
        out.data.assign(data + kHeaderSize, data + size);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "the file \"%s\" is too large to load!", name);
    }
    if (levels.size() < levelCount) {
        decodeFailure(message, "the file \"%s\" holds only %i of its %i mipmap levels!", name,
                      int(levels.size()), int(levelCount));
    }
    out.width = int(width);
    out.height = int(height);
    out.fourCC = code;
    out.blockSize = blockSize;
    out.components = components;
    out.mipmapCount = int(mipmapCount);
    out.levels = std::move(levels);
    return true;
}
