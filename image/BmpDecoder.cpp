// BMP decoding for the texture loader: Windows (40 to 124-byte) and OS/2 (12
// and 16 to 64-byte) info headers; 1, 4, 8, 24 and 32 bits per pixel
// uncompressed, 8 bits RLE8 and 4 bits RLE4. Everything decodes to RGB rows,
// bottom row first.
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

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;

// 2^28 pixels, 16384 x 16384 (the largest texture common GL implementations
// take), is 768 MiB of RGB. A run-length stream of a few bytes may claim that
// much, so no image beyond it is allocated.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

struct Header {
    int64_t width = 0;
    int64_t height = 0;  // negative: rows stored top row first
    unsigned bitCount = 0;
    uint32_t compression = kCompressionNone;
    uint64_t tableStart = 0;  // the colour table follows the info header
    size_t entryBytes = 4;    // colour table entry: B,G,R(,reserved)
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
        nominalSize = core ? 12 : 40;
    }
    in.seek(info + 4);
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
    h.tableStart = info + std::max<uint64_t>(headerSize, nominalSize);
    return in.ok();
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

// One row of uncompressed pixels, `src` holding at least the row's bytes.
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
        case 32: {
            const size_t step = bitCount / 8;
            for (size_t x = 0; x < width; ++x, src += step, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
            break;
        }
        default:
            break;
    }
}

// Stores run-length decoded pixels row by row in file order. A run that
// crosses the end of a row is clipped there. A write that starts at or past
// the end of a row first moves to the start of the next row, so a stream that
// fills its rows exactly without end-of-line escapes keeps its rows. Nothing
// is ever written outside the width x height buffer.
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
        x_ += dx;
        y_ += dy;
    }

    // `count` pixels alternating between two entries (RLE8 passes the same
    // one twice).
    void run(size_t count, uint8_t first, uint8_t second) {
        const size_t n = begin(count);
        if (n == 0) {
            return;
        }
        uint8_t* dst = pixels_ + (y_ * width_ + x_) * 3;
        for (size_t i = 0; i < n; ++i, dst += 3) {
            std::memcpy(dst, palette_[i & 1 ? second : first], 3);
        }
        x_ += n;
    }

    // One pixel per byte (RLE8) or per nibble, high nibble first (RLE4).
    void absolute(const uint8_t* src, size_t count, bool nibbles) {
        const size_t n = begin(count);
        if (n == 0) {
            return;
        }
        uint8_t* dst = pixels_ + (y_ * width_ + x_) * 3;
        for (size_t i = 0; i < n; ++i, dst += 3) {
            const uint8_t index = nibbles ? (i & 1 ? src[i / 2] & 15 : src[i / 2] >> 4) : src[i];
            std::memcpy(dst, palette_[index], 3);
        }
        x_ += n;
    }

private:
    // Moves to the next row when the position is past this one, and returns
    // how many of `count` pixels fit in the row from there. When that is not
    // zero the position is inside the image.
    size_t begin(size_t count) {
        if (count == 0) {
            return 0;
        }
        if (x_ >= width_) {
            endOfLine();
        }
        return done() ? 0 : std::min(count, width_ - x_);
    }

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
            return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ||
                   bitCount == 32;
        case kCompressionRle8:
            return bitCount == 8;
        case kCompressionRle4:
            return bitCount == 4;
        default:
            return false;
    }
}

}  // namespace

bool decodeBmp(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message) {
    out = ImageData{};
    message.clear();
    normaliseInput(data, size, name);

    ByteReader in(data, size);
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

    if (h.compression != kCompressionNone && h.compression != kCompressionRle8 &&
        h.compression != kCompressionRle4) {
        return decodeFailure(message, "unsupported bitmap type or bad filecompression type (%u)",
                             h.compression);
    }
    if (!supportedBitCount(h.compression, h.bitCount)) {
        return decodeFailure(message, "unsupported bitmap type or bad bit count (%u)", h.bitCount);
    }
    const uint64_t rows = uint64_t(h.height < 0 ? -h.height : h.height);
    if (h.width <= 0 || rows == 0 || uint64_t(h.width) * rows > kMaxPixels) {
        return decodeFailure(message, "%s has a bad size (%lldx%lld)", name, (long long)h.width,
                             (long long)h.height);
    }
    const size_t width = size_t(h.width);
    const size_t height = size_t(rows);
    const size_t rowBytes = width * 3;

    // Uncompressed rows are padded to 4 bytes; the last one may lack its
    // padding. A run-length stream may end anywhere, but there must be one.
    const uint64_t stride = (uint64_t(width) * h.bitCount + 31) / 32 * 4;
    const uint64_t packedRow = (uint64_t(width) * h.bitCount + 7) / 8;
    const uint64_t needed = h.compression == kCompressionNone
                                ? uint64_t(dataOffset) + (height - 1) * stride + packedRow
                                : uint64_t(dataOffset) + 1;
    if (needed > size) {
        return decodeFailure(message, "%s is truncated!", name);
    }

    Palette palette;
    readPalette(data, size, h, dataOffset, palette);

    std::vector<uint8_t> pixels;
    try {
        pixels.resize(rowBytes * height);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "out of memory loading %s", name);
    }

    if (h.compression == kCompressionNone) {
        for (size_t y = 0; y < height; ++y) {
            decodeRow(data + dataOffset + y * stride, pixels.data() + y * rowBytes, width,
                      h.bitCount, palette);
        }
    } else {
        in.seek(dataOffset);
        RleWriter writer(pixels.data(), width, height, palette);
        decodeRle(in, writer, h.compression == kCompressionRle4);
    }

    if (h.height < 0) {
        flipRows(pixels.data(), rowBytes, height);
    }
    out.width = int(width);
    out.height = int(height);
    out.channels = 3;
    out.bottomUp = true;
    out.pixels = std::move(pixels);
    return true;
}
