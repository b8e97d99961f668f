// PCX decoding for the texture loader: run-length encoded 1-bit, 4-bit (four
// 1-bit planes, or two pixels packed in a byte), 8-bit (256-colour palette at
// the end of the file) and 24-bit (three 8-bit planes) images.
//
// The run-length stream is one sequence for the whole picture: a run may carry
// on from one plane into the next and from one scan line into the next. Reads
// are bounded by the image data, and the output buffer is never larger than
// the file could fill, so a lying header costs at most a failed decode.

#include "image/PcxDecoder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/ByteReader.h"
#include "image/DecodeSupport.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 10;
constexpr size_t kHeaderPaletteOffset = 16;
constexpr uint8_t kPaletteMarker = 0x0C;
constexpr size_t kTrailingPaletteSize = 1 + 256 * 3;

// A byte at or above this starts a run of (byte - kRunFlag) copies of the next
// byte; any smaller byte stands for itself.
constexpr uint8_t kRunFlag = 0xC0;
// The longest run a single byte pair can encode.
constexpr uint64_t kMaxRun = 0xFF - kRunFlag;

// The run-length decoded byte stream. A run byte of 0xC0 (a run of nothing)
// delivers no byte: the byte after its value is read next. Once the data is
// used up, `exhausted` is set and every request delivers 0.
class RunLengthSource {
public:
    explicit RunLengthSource(ByteReader in) : in_(in) {}

    uint8_t next() {
        while (left_ == 0) {
            if (in_.atEnd()) {
                exhausted_ = true;
                return 0;
            }
            const uint8_t b = in_.u8();
            if (b >= kRunFlag) {
                left_ = size_t(b - kRunFlag);
                value_ = in_.u8();  // 0 when the file ends here, which
                if (!in_.ok()) {    // leaves nothing to deliver
                    exhausted_ = true;
                    return 0;
                }
            } else {
                left_ = 1;
                value_ = b;
            }
        }
        --left_;
        return value_;
    }

    // Fills dst with the next n decoded bytes; false when the data ran out
    // before all of them were delivered.
    bool line(uint8_t* dst, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            dst[i] = next();
        }
        return !exhausted_;
    }

private:
    ByteReader in_;
    size_t left_ = 0;
    uint8_t value_ = 0;
    bool exhausted_ = false;
};

constexpr uint8_t kVersionWithoutPalette = 3;

void putColour(uint8_t* dst, const uint8_t* palette, unsigned index) {
    std::memcpy(dst, palette + index * 3, 3);
}

}  // namespace

bool decodePcx(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message) {
    out = ImageData{};
    message.clear();
    (void)name;  // the loader's messages do not name the file
    if (data == nullptr) {
        size = 0;
    }

    if (size >= 1 && data[0] != kManufacturer) {
        return decodeFailure(message, "error: bad version number! (%i)", int(data[0]));
    }
    if (size < kHeaderSize) {
        return decodeFailure(message, "error: pcx file too short for its header!");
    }
    ByteReader header(data, kHeaderSize);
    header.skip(3);
    const unsigned bitsPerPlane = header.u8();
    const int xmin = header.u16le();
    const int ymin = header.u16le();
    const int xmax = header.u16le();
    const int ymax = header.u16le();
    header.seek(65);
    const unsigned planes = header.u8();
    const size_t bytesPerLine = header.u16le();
    const uint8_t* headerPalette = data + kHeaderPaletteOffset;

    const int width = xmax - xmin + 1;
    const int height = ymax - ymin + 1;
    if (width <= 0 || height <= 0) {
        return decodeFailure(message, "error: bad image size in pcx file! (%ix%i)", width, height);
    }

    enum class Layout { Mono, Planar16, Packed16, Palette256, Rgb } layout;
    const unsigned bits = bitsPerPlane * planes;
    if (bitsPerPlane == 1 && planes == 1) {
        layout = Layout::Mono;
    } else if (bitsPerPlane == 1 && planes == 4) {
        layout = Layout::Planar16;
    } else if (bitsPerPlane == 4 && planes == 1) {
        layout = Layout::Packed16;
    } else if (bitsPerPlane == 8 && planes == 1) {
        layout = Layout::Palette256;
    } else if (bitsPerPlane == 8 && planes == 3) {
        layout = Layout::Rgb;
    } else if (bits == 1 || bits == 4 || bits == 8 || bits == 24) {
        // A known bit count in planes laid out some other way.
        return decodeFailure(message, "error: unknown %i bitcount pcx files (%i x %i-bit planes)",
                             int(bits), int(planes), int(bitsPerPlane));
    } else {
        return decodeFailure(message, "error: unknown %i bitcount pcx files", int(bits));
    }

    if (bytesPerLine == 0 || bytesPerLine * 8 / bitsPerPlane < size_t(width)) {
        return decodeFailure(message, "error: bad bytes per line in pcx file! (%i)",
                             int(bytesPerLine));
    }

    // The image data runs from the header to the end of the file, or to the
    // 256-colour palette that closes an 8-bit file.
    size_t dataEnd = size;
    const uint8_t* palette = headerPalette;
    if (layout == Layout::Palette256) {
        if (size - kHeaderSize < kTrailingPaletteSize) {
            return decodeFailure(message, "error: pcx file too short for its 256-colour palette!");
        }
        dataEnd = size - kTrailingPaletteSize;
        if (data[dataEnd] != kPaletteMarker) {
            return decodeFailure(message, "error: colormap's first byte must be 0x0c! (%#x)",
                                 unsigned(data[dataEnd]));
        }
        palette = data + dataEnd + 1;
    }
    // Version 3 files carry no palette information: a monochrome one is black
    // and white whatever the header's palette bytes hold.
    static const uint8_t kBlackAndWhite[6] = {0, 0, 0, 255, 255, 255};
    if (layout == Layout::Mono && data[1] == kVersionWithoutPalette) {
        palette = kBlackAndWhite;
    }

    // Each encoded byte pair yields at most kMaxRun bytes, so a file that
    // cannot hold the scan lines it claims even in the longest runs is lying
    // about its size: refuse it rather than allocate for it.
    const size_t lineBytes = bytesPerLine * planes;
    const uint64_t decodedBytes = uint64_t(lineBytes) * uint64_t(height);
    if (decodedBytes > (dataEnd - kHeaderSize) * kMaxRun) {
        return decodeFailure(message, "error: pcx file too short for a %ix%i image!", width,
                             height);
    }

    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> line;
    try {
        pixels.assign(rowBytes * size_t(height), 0);
        line.resize(lineBytes);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "error: out of memory for a %ix%i pcx image!", width, height);
    }

    // A scan line is stored only when all of its bytes are in the file: the
    // data ending early leaves that line and the ones after it black.
    RunLengthSource source(ByteReader(data + kHeaderSize, dataEnd - kHeaderSize));
    for (int y = 0; y < height; ++y) {
        if (!source.line(line.data(), lineBytes)) {
            break;
        }
        uint8_t* dst = pixels.data() + size_t(height - 1 - y) * rowBytes;
        const uint8_t* src = line.data();
        switch (layout) {
            case Layout::Mono:
                for (int x = 0; x < width; ++x, dst += 3) {
                    putColour(dst, palette, (src[x >> 3] >> (7 - (x & 7))) & 1);
                }
                break;
            case Layout::Planar16:
                for (int x = 0; x < width; ++x, dst += 3) {
                    unsigned index = 0;
                    for (unsigned plane = 0; plane < 4; ++plane) {
                        const uint8_t byte = src[plane * bytesPerLine + (x >> 3)];
                        index |= ((byte >> (7 - (x & 7))) & 1u) << plane;
                    }
                    putColour(dst, palette, index);
                }
                break;
            case Layout::Packed16:
                for (int x = 0; x < width; ++x, dst += 3) {
                    const uint8_t byte = src[x >> 1];
                    putColour(dst, palette, (x & 1) ? byte & 0x0F : byte >> 4);
                }
                break;
            case Layout::Palette256:
                for (int x = 0; x < width; ++x, dst += 3) {
                    putColour(dst, palette, src[x]);
                }
                break;
            case Layout::Rgb:
                for (int x = 0; x < width; ++x, dst += 3) {
                    dst[0] = src[x];
                    dst[1] = src[bytesPerLine + x];
                    dst[2] = src[2 * bytesPerLine + x];
                }
                break;
        }
    }

    out.width = width;
    out.height = height;
    out.channels = 3;
    out.bottomUp = true;
    out.pixels = std::move(pixels);
    return true;
}
