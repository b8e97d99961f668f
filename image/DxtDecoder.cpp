// S3TC decoding. Each 4x4 block holds two RGB 5-6-5 end colours and a 2-bit
// index per pixel into a four-entry table made from them; DXT3 adds 4 bits
// of alpha per pixel, DXT5 two end alphas and a 3-bit index per pixel into an
// eight-entry table. End colours are widened to 8 bits by repeating their top
// bits, and the colours between them are taken in 8 bits, rounded down, as
// GL implementations decode them.

#include "image/DxtDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kFourCCDxt3 = 0x33545844;  // "DXT3"

struct Rgba {
    uint8_t c[4];
};

Rgba widen565(unsigned v) {
    const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return {{uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2), 255}};
}

Rgba mix(const Rgba& a, const Rgba& b, unsigned weightA, unsigned weightB) {
    Rgba out{};
    for (int i = 0; i < 3; ++i) {
        out.c[i] = uint8_t((a.c[i] * weightA + b.c[i] * weightB) / (weightA + weightB));
    }
    out.c[3] = 255;
    return out;
}

// The colour half of a block: the four-entry table and the 32 bits of
// indices. DXT1 blocks whose first colour is not above the second have three
// colours and transparent black; DXT3 and DXT5 blocks always have four.
void colourBlock(const uint8_t* block, bool dxt1, Rgba (&table)[4], uint32_t& indices) {
    const unsigned c0 = unsigned(block[0] | block[1] << 8);
    const unsigned c1 = unsigned(block[2] | block[3] << 8);
    table[0] = widen565(c0);
    table[1] = widen565(c1);
    if (c0 > c1 || !dxt1) {
        table[2] = mix(table[0], table[1], 2, 1);
        table[3] = mix(table[0], table[1], 1, 2);
    } else {
        table[2] = mix(table[0], table[1], 1, 1);
        table[3] = Rgba{{0, 0, 0, 0}};
    }
    indices = uint32_t(block[4]) | uint32_t(block[5]) << 8 | uint32_t(block[6]) << 16 |
              uint32_t(block[7]) << 24;
}

// The 16 alphas of a DXT5 alpha half: two end values and six between them,
// or four between them with 0 and 255, chosen by 3-bit indices.
void interpolatedAlphas(const uint8_t* block, uint8_t (&alphas)[16]) {
    const unsigned a0 = block[0], a1 = block[1];
    unsigned table[8] = {a0, a1};
    if (a0 > a1) {
        for (unsigned i = 2; i < 8; ++i) {
            table[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
        }
    } else {
        for (unsigned i = 2; i < 6; ++i) {
            table[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
        }
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 7; i >= 2; --i) {
        bits = bits << 8 | block[i];
    }
    for (int i = 0; i < 16; ++i, bits >>= 3) {
        alphas[i] = uint8_t(table[bits & 7]);
    }
}

// The 16 alphas of a DXT3 alpha half: 4 bits each, widened to 8.
void explicitAlphas(const uint8_t* block, uint8_t (&alphas)[16]) {
    for (int i = 0; i < 16; ++i) {
        const unsigned nibble = (block[i / 2] >> (4 * (i & 1))) & 15;
        alphas[i] = uint8_t(nibble * 17);
    }
}

}  // namespace

ImageData decodeDxt(const uint8_t* blocks, int width, int height, DxtFormat format) {
    ImageData out;
    out.width = width;
    out.height = height;
    out.channels = 4;
    out.bottomUp = true;
    out.pixels.assign(out.rowBytes() * size_t(height), 0);

    const size_t blockSize = format == DxtFormat::Dxt1 ? 8 : 16;
    const uint8_t* block = blocks;
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4, block += blockSize) {
            uint8_t alphas[16];
            std::fill(alphas, alphas + 16, uint8_t(255));
            if (format == DxtFormat::Dxt3) {
                explicitAlphas(block, alphas);
            } else if (format == DxtFormat::Dxt5) {
                interpolatedAlphas(block, alphas);
            }
            Rgba table[4];
            uint32_t indices = 0;
            colourBlock(block + blockSize - 8, format == DxtFormat::Dxt1, table, indices);
            // Pixels of edge blocks past the image are left out.
            for (int i = 0; i < 16; ++i, indices >>= 2) {
                const int x = bx + (i & 3), y = by + (i >> 2);
                if (x >= width || y >= height) {
                    continue;
                }
                uint8_t* dst = &out.pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
                std::memcpy(dst, table[indices & 3].c, 4);
                if (format != DxtFormat::Dxt1) {
                    dst[3] = alphas[i];
                }
            }
        }
    }
    return out;
}

ImageData decodeDdsLevel0(const DdsImage& dds) {
    if (dds.levels.empty()) {
        return ImageData{};
    }
    const DxtFormat format = dds.blockSize == 8          ? DxtFormat::Dxt1
                             : dds.fourCC == kFourCCDxt3 ? DxtFormat::Dxt3
                                                         : DxtFormat::Dxt5;
    const DdsLevel& level = dds.levels.front();
    return decodeDxt(dds.data.data() + level.offset, level.width, level.height, format);
}
