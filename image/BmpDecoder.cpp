// BMP decoding for the texture loader: Windows (40 to 124-byte) and OS/2 (12
// and 16 to 64-byte) info headers; 1, 4, 8, 24 and 32 bits per pixel
// uncompressed, 16 bits as 5-5-5, 16 and 32 bits with bit-field masks, 8 bits
// RLE8 and 4 bits RLE4. Everything decodes to RGB rows, bottom row first, or
// RGBA rows where bit-field masks carry alpha.
//
// No size in the file is trusted: the header is read through ByteReader, the
// pixel count is capped before anything is allocated, uncompressed rows are
// checked against the file once before the row loops, and the run-length
// writer clips every write to the image.

#include "image/BmpDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/ByteReader.h"
#include "image/DecodeSupport.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kWindowsHeaderBytes = 40;

// The compression methods an info header may name.
enum Compression : uint32_t {
    kCompressionNone = 0,
    kCompressionRle8 = 1,
    kCompressionRle4 = 2,
    kCompressionBitfields = 3,
};

// 2^28 pixels, 16384 x 16384 (the largest texture common GL implementations
// take), is 1 GiB of RGBA. A run-length stream of a few bytes may claim that
// much, so no image beyond it is allocated.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

enum Channel { kRed, kGreen, kBlue, kAlpha };

struct Header {
    uint32_t size = 0;  // of the info header, as the file says
    int64_t width = 0;
    int64_t height = 0;  // negative: rows stored top row first
    unsigned bitCount = 0;
    uint32_t compression = kCompressionNone;
    uint64_t tableStart = 0;  // the colour table follows the info header
    size_t entryBytes = 4;    // colour table entry: B,G,R(,reserved)
    bool os2 = false;         // OS/2 1.x or 2.x layout
};

// The info header's layout comes from its size field: 12 bytes is the OS/2 1.x
// core header (16-bit sizes, 3-byte colour entries); 16 to 64 bytes is the
// Windows header or the OS/2 2.x one, whose first fields match it and which
// may stop before the compression field; 108 and 124 are the Windows V4 and V5
// headers. Any other size is a damaged field: a compression value of 0 to 3
// then means the Windows layout, anything else the OS/2 core one.
bool readHeader(ByteReader& in, uint32_t headerSize, Header& h) {
    const size_t info = kFileHeaderBytes;
    bool core = headerSize == 12;
    bool hasCompression = headerSize >= 20;
    uint64_t nominalSize = headerSize;
    if (headerSize != 12 && !(headerSize >= 16 && headerSize <= 64) && headerSize != 108 &&
        headerSize != 124) {
        in.seek(info + 16);
        core = in.u32le() > kCompressionBitfields;
        hasCompression = !core;
        nominalSize = core ? 12 : kWindowsHeaderBytes;
    }
    in.seek(info + 4);
    h.size = headerSize;
    if (core) {
        h.width = in.u16le();
        h.height = in.u16le();
        in.skip(2);  // planes
        h.bitCount = in.u16le();
        h.entryBytes = 3;
    } else {
        h.width = in.s32le();
        h.height = in.s32le();
        in.skip(2);  // planes
        h.bitCount = in.u16le();
        h.compression = hasCompression ? in.u32le() : kCompressionNone;
        h.entryBytes = 4;
    }
    // Windows writes 40 bytes, or 52 and 56 (with the masks) and more; any
    // other size up to 64 is the OS/2 2.x header.
    h.os2 = core || (headerSize <= 64 && headerSize != kWindowsHeaderBytes && headerSize != 52 &&
                     headerSize != 56);
    h.tableStart = info + std::max<uint64_t>(headerSize, nominalSize);
    return in.ok();
}

// One channel of a bit-field pixel: where its bits are and what each value
// of them is on the 0 to 255 scale. Narrow channels repeat their bits to
// fill eight (5 bits: abcde -> abcdeabc), so the largest value is 255; wide
// ones keep their top eight bits.
struct BitChannel {
    uint32_t mask = 0;
    unsigned shift = 0;  // of the lowest bit kept
    uint8_t scaled[256] = {};

    void setMask(uint32_t m) {
        mask = m;
        shift = 0;
        if (m == 0) {
            return;
        }
        while (((m >> shift) & 1) == 0) {
            ++shift;
        }
        int bits = 0;
        while (shift + unsigned(bits) < 32 && ((m >> (shift + unsigned(bits))) & 1) != 0) {
            ++bits;
        }
        if (bits > 8) {
            shift += unsigned(bits) - 8;
            bits = 8;
        }
        for (uint32_t v = 0; v < (1u << bits); ++v) {
            unsigned out = 0;
            for (int at = 8 - bits; at > -bits; at -= bits) {
                out |= at >= 0 ? v << at : v >> -at;
            }
            scaled[v] = uint8_t(out);
        }
    }

    uint8_t operator()(uint32_t pixel) const { return scaled[(pixel & mask) >> shift]; }
};

// Contiguous (one run of set bits) and inside the pixel; zero is a missing
// channel.
bool usableMask(uint32_t mask, unsigned bitCount) {
    if (bitCount < 32 && (mask >> bitCount) != 0) {
        return false;
    }
    const uint32_t low = mask & (~mask + 1);  // lowest set bit
    return ((mask + low) & mask) == 0;
}

enum class MaskResult { Ok, Truncated, NoColour, Bad };

// The masks of a 16 or 32-bit file. Uncompressed 16 bits are 5-5-5 and 32
// bits 8-8-8 with the fourth byte unused. Bit-field files give red, green and
// blue in the 12 bytes after a 40-byte header or inside a longer one, whose
// fourth mask (from 56 bytes on) is alpha.
MaskResult readMasks(const uint8_t* data, size_t size, const Header& h, uint32_t (&masks)[4]) {
    if (h.compression != kCompressionBitfields) {
        const bool five = h.bitCount == 16;
        masks[kRed] = five ? 0x7C00 : 0xFF0000;
        masks[kGreen] = five ? 0x03E0 : 0x00FF00;
        masks[kBlue] = five ? 0x001F : 0x0000FF;
        masks[kAlpha] = 0;
        return MaskResult::Ok;
    }
    ByteReader in(data, size);
    in.seek(kFileHeaderBytes + kWindowsHeaderBytes);
    masks[kRed] = in.u32le();
    masks[kGreen] = in.u32le();
    masks[kBlue] = in.u32le();
    masks[kAlpha] = h.size >= 56 ? in.u32le() : 0;
    if (!in.ok()) {
        return MaskResult::Truncated;
    }
    if ((masks[kRed] | masks[kGreen] | masks[kBlue]) == 0) {
        return MaskResult::NoColour;
    }
    for (int c = 0; c < 4; ++c) {
        if (!usableMask(masks[c], h.bitCount)) {
            return MaskResult::Bad;
        }
        for (int other = c + 1; other < 4; ++other) {
            if ((masks[c] & masks[other]) != 0) {
                return MaskResult::Bad;
            }
        }
    }
    return MaskResult::Ok;
}

using Palette = uint8_t[256][3];

// Reads the 2^bits entries the bit count allows, whatever the "colours used"
// field says, but none that runs past the file or into the pixel data: those
// stay black, as does every index past the table.
void readPalette(const uint8_t* data, size_t size, const Header& h, uint64_t dataOffset,
                 Palette& palette) {
    std::memset(palette, 0, sizeof palette);
    if (h.bitCount > 8) {
        return;
    }
    const uint64_t end = std::min<uint64_t>(size, dataOffset);
    const uint64_t room = end > h.tableStart ? (end - h.tableStart) / h.entryBytes : 0;
    const size_t count = size_t(std::min<uint64_t>(uint64_t(1) << h.bitCount, room));
    if (count == 0) {
        return;
    }
    const uint8_t* entry = data + h.tableStart;
    for (size_t i = 0; i < count; ++i, entry += h.entryBytes) {
        palette[i][0] = entry[2];
        palette[i][1] = entry[1];
        palette[i][2] = entry[0];
    }
}

// One row of palette or 24-bit pixels, `src` holding at least the row's bytes.
void decodeRow(const uint8_t* src, uint8_t* dst, size_t width, unsigned bitCount,
               const Palette& palette) {
    switch (bitCount) {
        case 1:
            for (size_t x = 0; x < width; ++src) {
                const unsigned byte = *src;
                for (int bit = 7; bit >= 0 && x < width; --bit, ++x, dst += 3) {
                    std::memcpy(dst, palette[(byte >> bit) & 1], 3);
                }
            }
            break;
        case 4:
            for (size_t x = 0; x < width; ++src) {
                std::memcpy(dst, palette[*src >> 4], 3);
                dst += 3;
                if (++x < width) {
                    std::memcpy(dst, palette[*src & 15], 3);
                    dst += 3;
                    ++x;
                }
            }
            break;
        case 8:
            for (size_t x = 0; x < width; ++x, dst += 3) {
                std::memcpy(dst, palette[src[x]], 3);
            }
            break;
        case 24:
            for (size_t x = 0; x < width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
            break;
        default:
            break;
    }
}

// One row of 16 or 32-bit pixels through their masks, as RGB or RGBA.
void decodeMaskedRow(const uint8_t* src, uint8_t* dst, size_t width, unsigned bitCount,
                     const BitChannel (&channels)[4], int outChannels) {
    for (size_t x = 0; x < width; ++x, dst += outChannels) {
        uint32_t pixel = uint32_t(src[0]) | uint32_t(src[1]) << 8;
        if (bitCount == 32) {
            pixel |= uint32_t(src[2]) << 16 | uint32_t(src[3]) << 24;
            src += 4;
        } else {
            src += 2;
        }
        for (int c = 0; c < outChannels; ++c) {
            dst[c] = channels[c](pixel);
        }
    }
}

// Stores run-length decoded pixels row by row in file order. A run that
// crosses the end of a row is cut there, and whatever follows on that row is
// dropped until the end-of-line escape moves to the start of the next row.
// Nothing is ever written outside the width x height buffer.
class RleWriter {
public:
    RleWriter(uint8_t* pixels, size_t width, size_t height, const Palette& palette)
        : pixels_(pixels), width_(width), height_(height), palette_(palette) {}

    bool done() const { return y_ >= height_; }

    void endOfLine() {
        x_ = 0;
        ++y_;
    }

    void delta(size_t dx, size_t dy) {
        x_ = std::min(width_, x_ + dx);
        y_ += dy;
    }

    // `count` pixels alternating between two entries (RLE8 passes the same
    // one twice).
    void run(size_t count, uint8_t first, uint8_t second) {
        const size_t n = room(count);
        uint8_t* dst = n > 0 ? here() : nullptr;
        for (size_t i = 0; i < n; ++i, dst += 3) {
            std::memcpy(dst, palette_[i & 1 ? second : first], 3);
        }
        x_ += n;
    }

    // One pixel per byte (RLE8) or per nibble, high nibble first (RLE4).
    void absolute(const uint8_t* src, size_t count, bool nibbles) {
        const size_t n = room(count);
        uint8_t* dst = n > 0 ? here() : nullptr;
        for (size_t i = 0; i < n; ++i, dst += 3) {
            const uint8_t index = nibbles ? (i & 1 ? src[i / 2] & 15 : src[i / 2] >> 4) : src[i];
            std::memcpy(dst, palette_[index], 3);
        }
        x_ += n;
    }

private:
    // How many of `count` pixels from the position lie inside the image.
    size_t room(size_t count) const { return done() ? 0 : std::min(count, width_ - x_); }

    uint8_t* here() const { return pixels_ + (y_ * width_ + x_) * 3; }

    uint8_t* pixels_;
    size_t width_, height_;
    const Palette& palette_;
    size_t x_ = 0, y_ = 0;
};

// Runs the RLE8 or RLE4 stream until end-of-bitmap, the end of the data or
// the end of the image; pixels it never reaches stay black.
void decodeRle(ByteReader& in, RleWriter& out, bool rle4) {
    while (!out.done()) {
        const uint8_t count = in.u8();
        const uint8_t value = in.u8();
        if (!in.ok()) {
            return;
        }
        if (count != 0) {
            if (rle4) {
                out.run(count, value >> 4, value & 15);
            } else {
                out.run(count, value, value);
            }
            continue;
        }
        switch (value) {
            case 0:
                out.endOfLine();
                break;
            case 1:
                return;
            case 2: {
                const uint8_t dx = in.u8();
                const uint8_t dy = in.u8();
                if (!in.ok()) {
                    return;
                }
                out.delta(dx, dy);
                break;
            }
            default: {
                // An absolute run is padded to an even number of bytes.
                const size_t bytes = rle4 ? (size_t(value) + 1) / 2 : value;
                const size_t have = std::min(bytes, in.remaining());
                const uint8_t* src = in.take(have);
                out.absolute(src, rle4 ? std::min<size_t>(value, have * 2) : have, rle4);
                if (have < bytes) {
                    return;
                }
                in.skip(std::min<size_t>(bytes & 1, in.remaining()));
                break;
            }
        }
    }
}

bool supportedBitCount(uint32_t compression, unsigned bitCount) {
    switch (compression) {
        case kCompressionNone:
            return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                   bitCount == 24 || bitCount == 32;
        case kCompressionRle8:
            return bitCount == 8;
        case kCompressionRle4:
            return bitCount == 4;
        default:
            return false;
    }
}

// Whether every alpha byte of RGBA rows is zero: such files mean opaque.
bool alphaAllZero(const std::vector<uint8_t>& rgba) {
    for (size_t i = 3; i < rgba.size(); i += 4) {
        if (rgba[i] != 0) {
            return false;
        }
    }
    return true;
}

// RGBA rows to RGB rows in place.
void dropAlpha(std::vector<uint8_t>& pixels) {
    size_t out = 0;
    for (size_t in = 0; in < pixels.size(); in += 4, out += 3) {
        pixels[out] = pixels[in];
        pixels[out + 1] = pixels[in + 1];
        pixels[out + 2] = pixels[in + 2];
    }
    pixels.resize(out);
}

// Refuses what this decoder does not read: compressions other than none,
// RLE8, RLE4 and bit fields (16 and 32 bits in a Windows header; in an OS/2
// header the same value means Huffman coding), other bit counts, empty or
// oversized pictures.
bool checkSupported(const Header& h, const char* name, std::string& message) {
    const bool bitfields =
        h.compression == kCompressionBitfields && !h.os2 && (h.bitCount == 16 || h.bitCount == 32);
    if (h.compression != kCompressionNone && h.compression != kCompressionRle8 &&
        h.compression != kCompressionRle4 && !bitfields) {
        return decodeFailure(message, "unsupported bitmap type or bad filecompression type (%u)",
                             h.compression);
    }
    if (!bitfields && !supportedBitCount(h.compression, h.bitCount)) {
        return decodeFailure(message, "unsupported bitmap type or bad bit count (%u)", h.bitCount);
    }
    const uint64_t rows = uint64_t(h.height < 0 ? -h.height : h.height);
    if (h.width <= 0 || rows == 0 || uint64_t(h.width) * rows > kMaxPixels) {
        return decodeFailure(message, "%s has a bad size (%lldx%lld)", name, (long long)h.width,
                             (long long)h.height);
    }
    return true;
}

// The masks of a 16 or 32-bit file, or the message that refuses them.
bool findMasks(const uint8_t* data, size_t size, const Header& h, const char* name,
               uint32_t (&masks)[4], std::string& message) {
    switch (readMasks(data, size, h, masks)) {
        case MaskResult::Ok:
            return true;
        case MaskResult::Truncated:
            return decodeFailure(message, "%s is truncated!", name);
        case MaskResult::NoColour:
            return decodeFailure(
                message, "unsupported bitmap type or bad filecompression type (%u)", h.compression);
        case MaskResult::Bad:
            break;
    }
    return decodeFailure(message, "unsupported bitmap type or bad bit masks (0x%x 0x%x 0x%x 0x%x)",
                         masks[kRed], masks[kGreen], masks[kBlue], masks[kAlpha]);
}

// Where the pixels are and how they come out.
struct PixelLayout {
    size_t width = 0, height = 0;
    int channels = 3;     // 4 when the masks carry alpha
    uint64_t stride = 0;  // bytes per uncompressed row, padded to 4
    bool rle = false;
};

// Fills `pixels` (width x height x channels, zeroed) from the pixel data.
void decodePixels(const uint8_t* data, size_t size, uint32_t dataOffset, const Header& h,
                  const PixelLayout& l, const uint32_t (&masks)[4], uint8_t* pixels) {
    const size_t rowBytes = l.width * size_t(l.channels);
    if (l.rle) {
        Palette palette;
        readPalette(data, size, h, dataOffset, palette);
        ByteReader in(data, size);
        in.seek(dataOffset);
        RleWriter writer(pixels, l.width, l.height, palette);
        decodeRle(in, writer, h.compression == kCompressionRle4);
    } else if (h.bitCount == 16 || h.bitCount == 32) {
        BitChannel channels[4];
        for (int c = 0; c < 4; ++c) {
            channels[c].setMask(masks[c]);
        }
        for (size_t y = 0; y < l.height; ++y) {
            decodeMaskedRow(data + dataOffset + y * l.stride, pixels + y * rowBytes, l.width,
                            h.bitCount, channels, l.channels);
        }
    } else {
        Palette palette;
        readPalette(data, size, h, dataOffset, palette);
        for (size_t y = 0; y < l.height; ++y) {
            decodeRow(data + dataOffset + y * l.stride, pixels + y * rowBytes, l.width, h.bitCount,
                      palette);
        }
    }
}

}  // namespace

bool decodeBmp(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message) {
    ByteReader in = startDecode(out, message, data, size, name);
    const uint8_t b = in.u8();
    const uint8_t m = in.u8();
    if (b != 'B' || m != 'M') {
        return decodeFailure(message, "%s is not a valid BMP file!", name);
    }
    in.seek(10);
    const uint32_t dataOffset = in.u32le();
    const uint32_t headerSize = in.u32le();
    Header h;
    if (!in.ok() || !readHeader(in, headerSize, h)) {
        return decodeFailure(message, "%s is truncated!", name);
    }
    uint32_t masks[4] = {};
    if (!checkSupported(h, name, message) || ((h.bitCount == 16 || h.bitCount == 32) &&
                                              !findMasks(data, size, h, name, masks, message))) {
        return false;
    }

    PixelLayout l;
    l.width = size_t(h.width);
    l.height = size_t(h.height < 0 ? -h.height : h.height);
    l.channels = masks[kAlpha] != 0 ? 4 : 3;
    l.stride = (uint64_t(l.width) * h.bitCount + 31) / 32 * 4;
    l.rle = h.compression == kCompressionRle8 || h.compression == kCompressionRle4;

    // Uncompressed rows are padded to 4 bytes; the last one may lack its
    // padding. A run-length stream may end anywhere, but there must be one.
    const uint64_t packedRow = (uint64_t(l.width) * h.bitCount + 7) / 8;
    const uint64_t needed = l.rle ? uint64_t(dataOffset) + 1
                                  : uint64_t(dataOffset) + (l.height - 1) * l.stride + packedRow;
    if (needed > size) {
        return decodeFailure(message, "%s is truncated!", name);
    }

    std::vector<uint8_t> pixels;
    try {
        pixels.resize(l.width * size_t(l.channels) * l.height);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "out of memory loading %s", name);
    }
    decodePixels(data, size, dataOffset, h, l, masks, pixels.data());

    out.channels = l.channels;
    if (l.channels == 4 && alphaAllZero(pixels)) {
        dropAlpha(pixels);
        out.channels = 3;
    }
    out.width = int(l.width);
    out.height = int(l.height);
    out.bottomUp = true;
    if (h.height < 0) {
        flipRows(pixels.data(), out.rowBytes(), l.height);
    }
    out.pixels = std::move(pixels);
    return true;
}
