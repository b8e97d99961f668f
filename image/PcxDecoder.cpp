// PCX decoding for the texture loader: 1-bit, 4-bit (four 1-bit planes, or
// two pixels packed in a byte), 8-bit (256-colour palette at the end of the
// file) and 24-bit (three 8-bit planes) images, run-length encoded or stored.
//
// The run-length stream is one sequence for the whole picture: a run may carry
// on from one plane into the next and from one scan line into the next. Reads
// are bounded by the image data, and the output buffer is never larger than
// the file could fill, so a lying header costs at most a failed decode.

#include "image/PcxDecoder.h"

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

void putColour(uint8_t* dst, const uint8_t* palette, unsigned index) {
    const uint8_t* entry = palette + index * 3;
    dst[0] = entry[0];
    dst[1] = entry[1];
    dst[2] = entry[2];
}

// The decoded bytes of the image data, one scan line at a time: run-length
// encoded (a run may carry on from one plane or scan line into the next), or
// stored as they are when the header's encoding byte is 0. A run byte of 0xC0
// (a run of nothing) delivers no byte: the byte after its value is read next.
class ScanLineSource {
public:
    ScanLineSource(ByteReader in, bool runLength) : in_(in), runLength_(runLength) {}

    // Fills dst with the next n decoded bytes, a run at a time; false when
    // the data ran out before all of them were delivered.
    bool line(uint8_t* dst, size_t n) {
        if (!runLength_) {
            return in_.bytes(dst, n);
        }
        for (size_t i = 0; i < n;) {
            if (left_ == 0 && !nextRun()) {
                return false;
            }
            const size_t take = std::min(left_, n - i);
            std::memset(dst + i, value_, take);
            left_ -= take;
            i += take;
        }
        return true;
    }

private:
    // Reads the next run: a byte below 0xC0 is a run of one; a run of 0
    // (byte 0xC0) is skipped. False once the data is used up.
    bool nextRun() {
        while (left_ == 0) {
            const uint8_t b = in_.u8();
            if (!in_.ok()) {
                return false;
            }
            if (b >= kRunFlag) {
                left_ = size_t(b - kRunFlag);
                value_ = in_.u8();
                if (!in_.ok()) {
                    return false;  // the file ends between a run byte and its value
                }
            } else {
                left_ = 1;
                value_ = b;
            }
        }
        return true;
    }

    ByteReader in_;
    bool runLength_;
    size_t left_ = 0;
    uint8_t value_ = 0;
};

constexpr uint8_t kVersionWithoutPalette = 3;
constexpr uint8_t kEncodingStored = 0;

enum class Layout { Mono, Planar16, Packed16, Palette256, Rgb };

struct Header {
    int width = 0;
    int height = 0;
    unsigned bitsPerPlane = 0;
    unsigned planes = 0;
    size_t bytesPerLine = 0;
    bool runLength = true;
    Layout layout = Layout::Mono;
};

// Reads and checks the 128-byte header: a size, a layout this decoder knows
// and scan lines long enough for the width.
bool readHeader(const uint8_t* data, size_t size, Header& h, std::string& message) {
    if (size >= 1 && data[0] != kManufacturer) {
        return decodeFailure(message, "error: bad version number! (%i)", int(data[0]));
    }
    if (size < kHeaderSize) {
        return decodeFailure(message, "error: pcx file too short for its header!");
    }
    ByteReader header(data, kHeaderSize);
    header.skip(2);
    h.runLength = header.u8() != kEncodingStored;
    h.bitsPerPlane = header.u8();
    const int xmin = header.u16le();
    const int ymin = header.u16le();
    const int xmax = header.u16le();
    const int ymax = header.u16le();
    header.seek(65);
    h.planes = header.u8();
    h.bytesPerLine = header.u16le();

    h.width = xmax - xmin + 1;
    h.height = ymax - ymin + 1;
    if (h.width <= 0 || h.height <= 0) {
        return decodeFailure(message, "error: bad image size in pcx file! (%ix%i)", h.width,
                             h.height);
    }

    const unsigned bits = h.bitsPerPlane * h.planes;
    if (h.bitsPerPlane == 1 && h.planes == 1) {
        h.layout = Layout::Mono;
    } else if (h.bitsPerPlane == 1 && h.planes == 4) {
        h.layout = Layout::Planar16;
    } else if (h.bitsPerPlane == 4 && h.planes == 1) {
        h.layout = Layout::Packed16;
    } else if (h.bitsPerPlane == 8 && h.planes == 1) {
        h.layout = Layout::Palette256;
    } else if (h.bitsPerPlane == 8 && h.planes == 3) {
        h.layout = Layout::Rgb;
    } else if (bits == 1 || bits == 4 || bits == 8 || bits == 24) {
        // A known bit count in planes laid out some other way.
        return decodeFailure(message, "error: unknown %i bitcount pcx files (%i x %i-bit planes)",
                             int(bits), int(h.planes), int(h.bitsPerPlane));
    } else {
        return decodeFailure(message, "error: unknown %i bitcount pcx files", int(bits));
    }

    if (h.bytesPerLine == 0 || h.bytesPerLine * 8 / h.bitsPerPlane < size_t(h.width)) {
        return decodeFailure(message, "error: bad bytes per line in pcx file! (%i)",
                             int(h.bytesPerLine));
    }
    return true;
}

// Finds the palette and where the image data ends: at the 256-colour palette
// that closes an 8-bit file, or at the end of the file, with the header's
// 16-colour palette.
bool findPalette(const uint8_t* data, size_t size, const Header& h, const uint8_t*& palette,
                 size_t& dataEnd, std::string& message) {
    dataEnd = size;
    palette = data + kHeaderPaletteOffset;
    if (h.layout == Layout::Palette256) {
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
    if (h.layout == Layout::Mono && data[1] == kVersionWithoutPalette) {
        palette = kBlackAndWhite;
    }
    return true;
}

// Turns one decoded scan line (all its planes) into a row of RGB pixels.
void decodeScanLine(const Header& h, const uint8_t* src, const uint8_t* palette, uint8_t* dst) {
    const int width = h.width;
    switch (h.layout) {
        case Layout::Mono:
            for (int x = 0; x < width; ++x, dst += 3) {
                putColour(dst, palette, (src[x >> 3] >> (7 - (x & 7))) & 1);
            }
            break;
        case Layout::Planar16:
            for (int x = 0; x < width; ++x, dst += 3) {
                unsigned index = 0;
                for (unsigned plane = 0; plane < 4; ++plane) {
                    const uint8_t byte = src[plane * h.bytesPerLine + size_t(x >> 3)];
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
                dst[1] = src[h.bytesPerLine + size_t(x)];
                dst[2] = src[2 * h.bytesPerLine + size_t(x)];
            }
            break;
    }
}

}  // namespace

bool decodePcx(const uint8_t* data, size_t size, const char* name, ImageData& out,
               std::string& message) {
    startDecode(out, message, data, size, name);  // the messages do not name the file

    Header h;
    const uint8_t* palette = nullptr;
    size_t dataEnd = 0;
    if (!readHeader(data, size, h, message) ||
        !findPalette(data, size, h, palette, dataEnd, message)) {
        return false;
    }

    // Each encoded byte pair yields at most kMaxRun bytes, so a file that
    // cannot hold the scan lines it claims even in the longest runs is lying
    // about its size: refuse it rather than allocate for it.
    const size_t lineBytes = h.bytesPerLine * h.planes;
    const uint64_t decodedBytes = uint64_t(lineBytes) * uint64_t(h.height);
    if (decodedBytes > (dataEnd - kHeaderSize) * kMaxRun) {
        return decodeFailure(message, "error: pcx file too short for a %ix%i image!", h.width,
                             h.height);
    }

    const size_t rowBytes = size_t(h.width) * 3;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> line;
    try {
        pixels.assign(rowBytes * size_t(h.height), 0);
        line.resize(lineBytes);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "error: out of memory for a %ix%i pcx image!", h.width,
                             h.height);
    }

    // A scan line is stored only when all of its bytes are in the file: the
    // data ending early leaves that line and the ones after it black.
    ScanLineSource source(ByteReader(data + kHeaderSize, dataEnd - kHeaderSize), h.runLength);
    for (int y = 0; y < h.height && source.line(line.data(), lineBytes); ++y) {
        decodeScanLine(h, line.data(), palette,
                       pixels.data() + size_t(h.height - 1 - y) * rowBytes);
    }

    out.width = h.width;
    out.height = h.height;
    out.channels = 3;
    out.bottomUp = true;
    out.pixels = std::move(pixels);
    return true;
}
