// Baseline JPEG decoding for the texture loader: one scan of Huffman-coded
// 8-bit samples, grey or YCbCr, turned into RGBA rows.
//
// The pixels are those of the engine's reference algorithm: a floating-point
// AAN inverse DCT whose results are truncated, chroma replicated over the
// pixels it covers, and a double-precision colour conversion. What is built
// for speed here keeps those pixels bit for bit: Huffman codes come from a
// 10-bit lookup table with a canonical slow path, coefficients are dequantised
// as they are decoded, the IDCT runs four columns (rows) at a time, and the
// colour conversion uses integer tables proven equal to the doubles (see
// image/JpegColour.h). tests/image/JpegDecoderTest.cpp compares the result
// with a plain bit-by-bit implementation on every decodable sample file.
//
// Every header field is checked against the bytes that are there, and the
// output is never larger than the entropy-coded data could describe.

#include "image/JpegDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/ByteReader.h"
#include "image/DecodeSupport.h"
#include "image/JpegColour.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The IDCT has to round exactly as plain float arithmetic does, one operation
// at a time: no fused multiply-adds (gcc leaves them out in ISO C++ mode).
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace {

// Natural position (row * 8 + column) of each coefficient in zig-zag order.
constexpr uint8_t kNaturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Scale factors of the AAN IDCT, one per row and one per column.
constexpr float kAanScale[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                                1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

constexpr int kMaxComponents = 3;
constexpr int kTableSlots = 4;
// 1 GiB of RGBA at the most.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
// Every block takes at least two bits (a DC code and an end-of-block code).
constexpr uint64_t kMinBlocksPerByte = 4;

constexpr int kFastBits = 10;
constexpr int kMaxCodeLength = 16;

uint16_t u16be(ByteReader& in) {
    const uint8_t hi = in.u8();
    const uint8_t lo = in.u8();
    return uint16_t(hi << 8 | lo);
}

// ---------------------------------------------------------------------------
// Huffman tables

struct HuffmanTable {
    bool defined = false;
    // length << 8 | symbol for the first code matching the top kFastBits bits;
    // 0 when no code of up to kFastBits bits does.
    uint16_t fast[1 << kFastBits];
    // For the AC tables: a code and its value bits together within kFastBits,
    // value << 16 | run << 8 | total length; 0 when that does not apply.
    int32_t fastAc[1 << kFastBits];
    // Canonical codes of each length L are minCode[L] .. maxCode[L] (none when
    // maxCode[L] < minCode[L]); their symbols start at firstIndex[L].
    int32_t minCode[kMaxCodeLength + 1];
    int32_t maxCode[kMaxCodeLength + 1];
    int firstIndex[kMaxCodeLength + 1];
    uint8_t symbols[256];
};

int extend(int value, int bits) {
    return bits == 0 ? 0 : (value < (1 << (bits - 1)) ? value - (1 << bits) + 1 : value);
}

// Assigns the canonical codes: for each length the next code values in
// order, doubling the code value after each length. A code read bit by bit
// matches at the first length whose codes hold it, so shorter codes claim
// their table entries first.
void buildHuffman(const uint8_t* counts, const uint8_t* symbols, int total, HuffmanTable& t) {
    t.defined = true;
    std::memcpy(t.symbols, symbols, size_t(total));
    std::fill(std::begin(t.fast), std::end(t.fast), uint16_t(0));
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        const int n = counts[length - 1];
        t.minCode[length] = code;
        t.maxCode[length] = code + n - 1;
        t.firstIndex[length] = index;
        if (length <= kFastBits) {
            const int shift = kFastBits - length;
            // Codes past the length's last bit pattern never match.
            for (int32_t c = code; c < code + n && c < (1 << length); ++c) {
                for (int32_t e = c << shift; e < (c + 1) << shift; ++e) {
                    if (t.fast[e] == 0) {
                        t.fast[e] = uint16_t(length << 8 | symbols[index + (c - code)]);
                    }
                }
            }
        }
        code = (code + n) << 1;
        index += n;
    }
    for (int e = 0; e < (1 << kFastBits); ++e) {
        t.fastAc[e] = 0;
        const int length = t.fast[e] >> 8, symbol = t.fast[e] & 0xFF;
        const int run = symbol >> 4, size = symbol & 15;
        if (length == 0 || size == 0 || length + size > kFastBits) {
            continue;
        }
        const int bits = (e >> (kFastBits - length - size)) & ((1 << size) - 1);
        t.fastAc[e] = int32_t(uint32_t(extend(bits, size)) << 16) | run << 8 | (length + size);
    }
}

// The tables a motion-JPEG frame leaves out: the usual luminance (slot 0) and
// chrominance (slot 1) tables.
constexpr uint8_t kDcCounts[2][16] = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                      {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}};
constexpr uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcCounts[2][16] = {{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
                                      {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77}};
constexpr uint8_t kAcSymbols[2][162] = {
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
     0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
     0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
     0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
     0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
     0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
     0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
     0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
     0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
     0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
     0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
     0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
     0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
     0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
     0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
     0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
     0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
     0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
     0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

// ---------------------------------------------------------------------------
// Entropy-coded data
//
// Bits come MSB first from the bytes after the scan header. 0xFF 0x00 stands
// for a data byte 0xFF (0xFF fill bytes before the 0x00 are swallowed). Any
// other marker stops the data: from there on, and past the end of the file,
// the reader delivers zero bits. At a restart point the rest of the current
// byte is dropped and the reader moves on to the next marker, consuming it
// when it is RSTn.

// The reader's whole state is a small value: the block decoder works on a
// local copy (kept in registers) and hands it back when the block is done.
struct EntropyReader {
    const uint8_t* data;
    size_t size;
    size_t pos;         // next byte to load
    uint64_t bits = 0;  // MSB first; below `count` only zeros or bits still to come
    int count = 0;      // valid bits in `bits`
    bool atMarker = false;
};

// Loads bytes one at a time until at least 57 bits are there.
EntropyReader refillBytes(EntropyReader r) {
    while (r.count <= 56) {
        unsigned byte = 0;
        if (!r.atMarker && r.pos < r.size) {
            byte = r.data[r.pos];
            if (byte != 0xFF) {
                ++r.pos;
            } else {
                size_t p = r.pos + 1;
                while (p < r.size && r.data[p] == 0xFF) {
                    ++p;
                }
                if (p < r.size && r.data[p] == 0) {
                    r.pos = p + 1;
                } else {
                    r.atMarker = true;
                    byte = 0;
                }
            }
        }
        r.bits |= uint64_t(byte) << (56 - r.count);
        r.count += 8;
    }
    return r;
}

// Makes at least 32 bits available: enough for a code and its value bits.
inline void refill(EntropyReader& r) {
    if (r.count >= 32) {
        return;
    }
    // Eight bytes without 0xFF among them are plain data: take as many whole
    // bytes as fit. The top bits of the next byte come along; they are the
    // same bits the next load puts there.
    if (!r.atMarker && r.size - r.pos >= 8) {
        const uint8_t* p = r.data + r.pos;
        const uint64_t word = uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 | uint64_t(p[2]) << 40 |
                              uint64_t(p[3]) << 32 | uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 |
                              uint64_t(p[6]) << 8 | uint64_t(p[7]);
        const uint64_t inverted = ~word;
        const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
        if (((inverted - ones) & ~inverted & highs) == 0) {
            const int bytes = (64 - r.count) >> 3;
            r.bits |= word >> r.count;
            r.pos += size_t(bytes);
            r.count += 8 * bytes;
            return;
        }
    }
    r = refillBytes(r);
}

// At a restart point: drops what is left of the current byte and moves on to
// the next marker, past it when it is RSTn.
void restart(EntropyReader& r) {
    r.bits = 0;
    r.count = 0;
    r.atMarker = false;
    while (r.pos < r.size) {
        if (r.data[r.pos] != 0xFF) {
            ++r.pos;
            continue;
        }
        size_t p = r.pos + 1;
        while (p < r.size && r.data[p] == 0xFF) {
            ++p;
        }
        if (p < r.size && r.data[p] == 0) {
            r.pos = p + 1;
            continue;
        }
        if (p < r.size && r.data[p] >= 0xD0 && r.data[p] <= 0xD7) {
            r.pos = p + 1;
        }
        return;
    }
}

inline unsigned peekFast(const EntropyReader& r) {
    return unsigned(r.bits >> (64 - kFastBits));
}

inline void consume(EntropyReader& r, int n) {
    r.bits <<= n;
    r.count -= n;
}

// n bits (0..15) as an unsigned value.
inline int receive(EntropyReader& r, int n) {
    if (n == 0) {
        return 0;
    }
    const int v = int(r.bits >> (64 - n));
    consume(r, n);
    return v;
}

// The next symbol of `t`, or -1 when no code matches within 16 bits.
inline int decodeSymbol(EntropyReader& r, const HuffmanTable& t) {
    const unsigned e = t.fast[peekFast(r)];
    if (e != 0) {
        consume(r, int(e >> 8));
        return int(e & 0xFF);
    }
    for (int length = kFastBits + 1; length <= kMaxCodeLength; ++length) {
        const int32_t code = int32_t(r.bits >> (64 - length));
        if (code >= t.minCode[length] && code <= t.maxCode[length]) {
            consume(r, length);
            return t.symbols[t.firstIndex[length] + (code - t.minCode[length])];
        }
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Inverse DCT

// One 8-point pass of the AAN butterfly on v[0..7], in place. V is float or a
// vector of floats (each lane one column or row); both round identically.
template <typename V>
inline void aanPass(V* v) {
    // Even part
    V tmp10 = v[0] + v[4];
    V tmp11 = v[0] - v[4];
    V tmp13 = v[2] + v[6];
    V tmp12 = (v[2] - v[6]) * 1.414213562f - tmp13;
    const V tmp0 = tmp10 + tmp13;
    const V tmp3 = tmp10 - tmp13;
    const V tmp1 = tmp11 + tmp12;
    const V tmp2 = tmp11 - tmp12;
    // Odd part
    const V z13 = v[5] + v[3];
    const V z10 = v[5] - v[3];
    const V z11 = v[1] + v[7];
    const V z12 = v[1] - v[7];
    const V tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    const V z5 = (z10 + z12) * 1.847759065f;
    tmp10 = z12 * 1.0823922f - z5;
    tmp12 = z10 * -2.61312593f + z5;
    const V tmp6 = tmp12 - tmp7;
    const V tmp5 = tmp11 - tmp6;
    const V tmp4 = tmp10 + tmp5;
    v[0] = tmp0 + tmp7;
    v[7] = tmp0 - tmp7;
    v[1] = tmp1 + tmp6;
    v[6] = tmp1 - tmp6;
    v[2] = tmp2 + tmp5;
    v[5] = tmp2 - tmp5;
    v[4] = tmp3 + tmp4;
    v[3] = tmp3 - tmp4;
}

// Truncates, shifts right by 3 and adds 128, clamped to a byte. The clamp on
// the float first keeps the conversion defined for any coefficients (the
// result is the same: anything beyond +-65536 ends at 0 or 255 either way).
inline uint8_t sampleFromFloat(float x) {
    x = std::min(std::max(x, -65536.0f), 65536.0f);
    return uint8_t(jpegcolour::clampByte((int(x) >> 3) + 128));
}

// Transforms a dequantised block (natural order), columns first, and stores
// the 8x8 samples at `out` with the given row stride.
void inverseDct(const float* in, uint8_t* out, size_t stride) {
#if defined(__SSE2__)
    __m128 left[8], right[8];
    for (int k = 0; k < 8; ++k) {
        left[k] = _mm_load_ps(in + 8 * k);
        right[k] = _mm_load_ps(in + 8 * k + 4);
    }
    aanPass(left);   // columns 0-3
    aanPass(right);  // columns 4-7
    // Transpose so that each vector holds one column of four rows.
    _MM_TRANSPOSE4_PS(left[0], left[1], left[2], left[3]);
    _MM_TRANSPOSE4_PS(right[0], right[1], right[2], right[3]);
    _MM_TRANSPOSE4_PS(left[4], left[5], left[6], left[7]);
    _MM_TRANSPOSE4_PS(right[4], right[5], right[6], right[7]);
    __m128 top[8] = {left[0], left[1], left[2], left[3], right[0], right[1], right[2], right[3]};
    __m128 bottom[8] = {left[4], left[5], left[6], left[7], right[4], right[5], right[6], right[7]};
    aanPass(top);     // rows 0-3
    aanPass(bottom);  // rows 4-7
    _MM_TRANSPOSE4_PS(top[0], top[1], top[2], top[3]);
    _MM_TRANSPOSE4_PS(top[4], top[5], top[6], top[7]);
    _MM_TRANSPOSE4_PS(bottom[0], bottom[1], bottom[2], bottom[3]);
    _MM_TRANSPOSE4_PS(bottom[4], bottom[5], bottom[6], bottom[7]);
    const __m128 lo = _mm_set1_ps(-65536.0f), hi = _mm_set1_ps(65536.0f);
    const __m128i bias = _mm_set1_epi32(128);
    auto toInt = [&](__m128 x) {
        const __m128i i = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(x, lo), hi));
        return _mm_add_epi32(_mm_srai_epi32(i, 3), bias);
    };
    for (int r = 0; r < 8; ++r) {
        const __m128 a = r < 4 ? top[r] : bottom[r - 4];
        const __m128 b = r < 4 ? top[r + 4] : bottom[r];
        const __m128i words = _mm_packs_epi32(toInt(a), toInt(b));
        _mm_storel_epi64((__m128i*)(out + r * stride), _mm_packus_epi16(words, words));
    }
#else
    float work[64];
    for (int col = 0; col < 8; ++col) {
        float v[8];
        for (int k = 0; k < 8; ++k) {
            v[k] = in[8 * k + col];
        }
        aanPass(v);
        for (int k = 0; k < 8; ++k) {
            work[8 * k + col] = v[k];
        }
    }
    for (int row = 0; row < 8; ++row) {
        float* v = work + 8 * row;
        aanPass(v);
        for (int k = 0; k < 8; ++k) {
            out[row * stride + k] = sampleFromFloat(v[k]);
        }
    }
#endif
}

// ---------------------------------------------------------------------------
// Frame and scan

struct QuantTable {
    bool defined = false;
    uint16_t values[64];  // zig-zag order
};

struct Component {
    int id = 0;
    int h = 1, v = 1;
    int quant = 0;
    int dcTable = 0, acTable = 0;
    bool inScan = false;
    // Layout in the MCU: blocks across and down, and how many output pixels
    // each sample covers across and down.
    int blocksX = 1, blocksY = 1;
    int stepX = 1, stepY = 1;
};

// Dequantisation folded with the AAN scale, per zig-zag position. The product
// keeps the reference order, (coefficient x quant) x row scale x column
// scale, because float products do not regroup exactly.
struct Dequant {
    int32_t quant[64];
    float rowScale[64];
    float colScale[64];
};

struct Decoder {
    HuffmanTable dc[kTableSlots];
    HuffmanTable ac[kTableSlots];
    QuantTable quant[kTableSlots];
    Component components[kMaxComponents];
    int count = 0;
    int width = 0, height = 0;
    bool haveFrame = false;
    unsigned restartInterval = 0;
};

bool parseFrame(ByteReader& seg, Decoder& d, std::string& message) {
    const uint8_t precision = seg.u8();
    const uint16_t height = u16be(seg);
    const uint16_t width = u16be(seg);
    const uint8_t count = seg.u8();
    if (!seg.ok() || seg.size() != 6 + 3 * size_t(count)) {
        return decodeFailure(message, "corrupt frame header");
    }
    if (precision != 8) {
        return decodeFailure(message, "only 8-bit JPEG is supported");
    }
    if (count != 1 && count != 3) {
        return decodeFailure(message, "only greyscale and YCbCr JPEG are supported");
    }
    if (width == 0 || height == 0) {
        return decodeFailure(message, "image has no width or height");
    }
    if (uint64_t(width) * height > kMaxPixels) {
        return decodeFailure(message, "image too large");
    }
    for (int i = 0; i < count; ++i) {
        Component& c = d.components[i];
        c = Component{};
        c.id = seg.u8();
        const uint8_t sampling = seg.u8();
        c.h = sampling >> 4;
        c.v = sampling & 15;
        c.quant = seg.u8();
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant >= kTableSlots) {
            return decodeFailure(message, "corrupt frame header");
        }
    }
    d.count = count;
    d.width = width;
    d.height = height;
    d.haveFrame = true;
    return true;
}

bool parseHuffman(ByteReader& seg, Decoder& d, std::string& message) {
    while (!seg.atEnd()) {
        const uint8_t kind = seg.u8();
        const uint8_t* counts = seg.take(16);
        const int number = kind & 15;
        if (counts == nullptr || number >= kTableSlots) {
            return decodeFailure(message, "corrupt Huffman table");
        }
        int total = 0;
        for (int i = 0; i < 16; ++i) {
            total += counts[i];
        }
        const uint8_t* symbols = total <= 256 ? seg.take(size_t(total)) : nullptr;
        if (symbols == nullptr) {
            return decodeFailure(message, "corrupt Huffman table");
        }
        buildHuffman(counts, symbols, total, (kind & 0x10) ? d.ac[number] : d.dc[number]);
    }
    return true;
}

bool parseQuant(ByteReader& seg, Decoder& d, std::string& message) {
    while (!seg.atEnd()) {
        const uint8_t kind = seg.u8();
        const int number = kind & 15;
        if (number >= kTableSlots) {
            return decodeFailure(message, "corrupt quantisation table");
        }
        QuantTable& q = d.quant[number];
        for (int k = 0; k < 64; ++k) {
            q.values[k] = (kind >> 4) == 0 ? seg.u8() : u16be(seg);
        }
        if (!seg.ok()) {
            return decodeFailure(message, "corrupt quantisation table");
        }
        q.defined = true;
    }
    return true;
}

bool parseScan(ByteReader& seg, Decoder& d, std::string& message) {
    if (!d.haveFrame) {
        return decodeFailure(message, "missing frame header");
    }
    const uint8_t count = seg.u8();
    if (!seg.ok() || seg.size() != 4 + 2 * size_t(count)) {
        return decodeFailure(message, "corrupt scan header");
    }
    if (count < d.count) {
        return decodeFailure(message, "multi-scan JPEG is not supported");
    }
    if (count != d.count) {
        return decodeFailure(message, "corrupt scan header");
    }
    for (int i = 0; i < d.count; ++i) {
        d.components[i].inScan = false;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t id = seg.u8();
        const uint8_t tables = seg.u8();
        Component* match = nullptr;
        for (int j = 0; j < d.count && match == nullptr; ++j) {
            if (d.components[j].id == id && !d.components[j].inScan) {
                match = &d.components[j];
            }
        }
        if (match == nullptr || (tables >> 4) >= kTableSlots || (tables & 15) >= kTableSlots) {
            return decodeFailure(message, "corrupt scan header");
        }
        match->inScan = true;
        match->dcTable = tables >> 4;
        match->acTable = tables & 15;
    }
    // Spectral selection and approximation mean nothing to a baseline scan.
    for (int i = 0; i < d.count; ++i) {
        const Component& c = d.components[i];
        if (!d.quant[c.quant].defined) {
            return decodeFailure(message, "missing quantisation table");
        }
        // Motion-JPEG frames rely on the usual tables without sending them.
        if (!d.dc[c.dcTable].defined && c.dcTable < 2) {
            buildHuffman(kDcCounts[c.dcTable], kDcSymbols, 12, d.dc[c.dcTable]);
        }
        if (!d.ac[c.acTable].defined && c.acTable < 2) {
            buildHuffman(kAcCounts[c.acTable], kAcSymbols[c.acTable], 162, d.ac[c.acTable]);
        }
        if (!d.dc[c.dcTable].defined || !d.ac[c.acTable].defined) {
            return decodeFailure(message, "missing Huffman table");
        }
    }
    return true;
}

// Reads the segments up to and including the scan header. On success `in`
// stands at the first byte of entropy-coded data.
bool parseHeaders(ByteReader& in, Decoder& d, std::string& message) {
    if (in.size() == 0 || *in.current() != 0xFF) {
        return decodeFailure(message, "not a JPEG file");
    }
    for (;;) {
        const uint8_t prefix = in.u8();
        const uint8_t marker = in.u8();
        if (!in.ok()) {
            return decodeFailure(message, "truncated JPEG header");
        }
        if (prefix != 0xFF) {
            return decodeFailure(message, "corrupt JPEG marker");
        }
        if (marker == 0xD8) {
            continue;
        }
        if (marker == 0xD9) {
            return decodeFailure(message, "no image data in JPEG file");
        }
        const uint16_t length = u16be(in);
        if (in.ok() && length < 2) {
            return decodeFailure(message, "corrupt JPEG segment length");
        }
        ByteReader seg = in.sub(length - 2u);
        if (!in.ok()) {
            return decodeFailure(message, "truncated JPEG header");
        }
        switch (marker) {
            case 0xC0:
                if (!parseFrame(seg, d, message)) {
                    return false;
                }
                break;
            case 0xC1:
                return decodeFailure(message, "extended sequential JPEG is not supported");
            case 0xC2:
                return decodeFailure(message, "progressive JPEG is not supported");
            case 0xC3:
                return decodeFailure(message, "lossless JPEG is not supported");
            case 0xC5:
            case 0xC6:
            case 0xC7:
                return decodeFailure(message, "hierarchical JPEG is not supported");
            case 0xC9:
            case 0xCA:
            case 0xCB:
            case 0xCD:
            case 0xCE:
            case 0xCF:
                return decodeFailure(message, "arithmetic-coded JPEG is not supported");
            case 0xC4:
                if (!parseHuffman(seg, d, message)) {
                    return false;
                }
                break;
            case 0xDB:
                if (!parseQuant(seg, d, message)) {
                    return false;
                }
                break;
            case 0xDD:
                d.restartInterval = u16be(seg);
                if (seg.size() != 2) {
                    return decodeFailure(message, "corrupt restart interval");
                }
                break;
            case 0xDA:
                return parseScan(seg, d, message);
            default:  // application data, comments and the like
                break;
        }
    }
}

// Decodes one block into `block` (natural order, dequantised and scaled;
// `block` is all zeros on entry). Returns false on a corrupt Huffman code;
// `dcOnly` tells whether any AC coefficient was stored.
bool decodeBlock(EntropyReader& reader, const HuffmanTable& dcTable, const HuffmanTable& acTable,
                 const Dequant& dq, int& predictor, float* block, bool& dcOnly) {
    EntropyReader r = reader;
    refill(r);
    const int dcSymbol = decodeSymbol(r, dcTable);
    if (dcSymbol < 0) {
        return false;
    }
    const int dcSize = dcSymbol & 15;
    // The predictor wraps rather than overflow on hostile data.
    predictor = int(unsigned(predictor) + unsigned(extend(receive(r, dcSize), dcSize)));
    block[0] = float(int64_t(predictor) * dq.quant[0]) * dq.rowScale[0] * dq.colScale[0];
    dcOnly = true;

    for (int k = 1; k < 64;) {
        refill(r);
        int run, value;
        const int32_t fast = acTable.fastAc[peekFast(r)];
        if (fast != 0) {
            consume(r, fast & 0xFF);
            run = (fast >> 8) & 0xFF;
            value = fast >> 16;
        } else {
            const int symbol = decodeSymbol(r, acTable);
            if (symbol <= 0) {
                if (symbol < 0) {
                    return false;
                }
                break;  // end of block
            }
            run = symbol >> 4;
            const int size = symbol & 15;
            value = extend(receive(r, size), size);
        }
        k += run;
        // A run past the last coefficient ends the block.
        if (k < 64) {
            block[kNaturalOrder[k]] = float(value * dq.quant[k]) * dq.rowScale[k] * dq.colScale[k];
            dcOnly = false;
        }
        ++k;
    }
    reader = r;
    return true;
}

void fillBlock(uint8_t value, uint8_t* out, size_t stride) {
    for (int row = 0; row < 8; ++row) {
        std::memset(out + row * stride, value, 8);
    }
}

bool decodeScan(const uint8_t* data, size_t size, size_t scanStart, Decoder& d,
                std::vector<uint8_t>& pixels, std::string& message) {
    const int count = d.count;
    Component* comps = d.components;
    if (count == 1) {
        // A grey scan is non-interleaved: one block per MCU, whatever the
        // sampling factors say.
        comps[0].blocksX = comps[0].blocksY = 1;
        comps[0].stepX = comps[0].stepY = 1;
    } else {
        const int h0 = comps[0].h, v0 = comps[0].v;
        comps[0].blocksX = h0;
        comps[0].blocksY = v0;
        comps[0].stepX = comps[0].stepY = 1;
        for (int c = 1; c < count; ++c) {
            // Chroma must cover the MCU exactly, with whole pixels.
            if (h0 % comps[c].h != 0 || v0 % comps[c].v != 0) {
                return decodeFailure(message, "unsupported sampling factors");
            }
            comps[c].blocksX = comps[c].h;
            comps[c].blocksY = comps[c].v;
            comps[c].stepX = h0 / comps[c].h;
            comps[c].stepY = v0 / comps[c].v;
        }
    }
    const int mcuWidth = 8 * comps[0].blocksX, mcuHeight = 8 * comps[0].blocksY;
    const int mcusX = (d.width + mcuWidth - 1) / mcuWidth;
    const int mcusY = (d.height + mcuHeight - 1) / mcuHeight;
    uint64_t blocksPerMcu = 0;
    for (int c = 0; c < count; ++c) {
        blocksPerMcu += uint64_t(comps[c].blocksX) * comps[c].blocksY;
    }
    if (uint64_t(mcusX) * mcusY * blocksPerMcu > kMinBlocksPerByte * (size - scanStart)) {
        return decodeFailure(message, "truncated JPEG data");
    }

    Dequant dequant[kMaxComponents];
    for (int c = 0; c < count; ++c) {
        for (int k = 0; k < 64; ++k) {
            dequant[c].quant[k] = d.quant[comps[c].quant].values[k];
            dequant[c].rowScale[k] = kAanScale[kNaturalOrder[k] / 8];
            dequant[c].colScale[k] = kAanScale[kNaturalOrder[k] % 8];
        }
    }

    // One MCU row of samples per component, at the component's resolution.
    std::vector<uint8_t> bands[kMaxComponents];
    size_t strides[kMaxComponents];
    std::unique_ptr<jpegcolour::YCbCrRows> colour;
    try {
        pixels.resize(size_t(d.width) * size_t(d.height) * 4);
        if (count == 3) {
            colour.reset(new jpegcolour::YCbCrRows(d.width));
        }
        for (int c = 0; c < count; ++c) {
            strides[c] = size_t(mcusX) * 8 * comps[c].blocksX;
            bands[c].resize(strides[c] * 8 * comps[c].blocksY);
        }
    } catch (const std::bad_alloc&) {
        pixels = std::vector<uint8_t>();
        return decodeFailure(message, "out of memory");
    }

    EntropyReader bits{data, size, scanStart};
    int predictors[kMaxComponents] = {0, 0, 0};
    alignas(16) float block[64];
    std::fill(block, block + 64, 0.0f);
    unsigned long mcu = 0;
    for (int mcuY = 0; mcuY < mcusY; ++mcuY) {
        for (int mcuX = 0; mcuX < mcusX; ++mcuX, ++mcu) {
            if (d.restartInterval != 0 && mcu != 0 && mcu % d.restartInterval == 0) {
                restart(bits);
                std::fill(predictors, predictors + kMaxComponents, 0);
            }
            for (int c = 0; c < count; ++c) {
                const Component& comp = comps[c];
                const HuffmanTable& dc = d.dc[comp.dcTable];
                const HuffmanTable& ac = d.ac[comp.acTable];
                for (int by = 0; by < comp.blocksY; ++by) {
                    for (int bx = 0; bx < comp.blocksX; ++bx) {
                        bool dcOnly = true;
                        if (!decodeBlock(bits, dc, ac, dequant[c], predictors[c], block, dcOnly)) {
                            pixels = std::vector<uint8_t>();
                            return decodeFailure(message, "corrupt Huffman data");
                        }
                        uint8_t* out = bands[c].data() + size_t(8 * by) * strides[c] +
                                       size_t(mcuX) * 8 * comp.blocksX + 8 * bx;
                        if (dcOnly) {
                            // Every output of the transform equals the DC term.
                            fillBlock(sampleFromFloat(block[0]), out, strides[c]);
                            block[0] = 0.0f;
                        } else {
                            inverseDct(block, out, strides[c]);
                            std::memset(block, 0, sizeof block);
                        }
                    }
                }
            }
        }
        // The finished MCU row becomes RGBA; rows past the bottom are dropped.
        const int top = mcuY * mcuHeight;
        const int rows = std::min(mcuHeight, d.height - top);
        int chromaRows[2] = {-1, -1};
        for (int r = 0; r < rows; ++r) {
            uint8_t* dst = pixels.data() + size_t(top + r) * size_t(d.width) * 4;
            const uint8_t* luma = bands[0].data() + size_t(r) * strides[0];
            if (count == 1) {
                jpegcolour::greyRowToRgba(luma, d.width, dst);
                continue;
            }
            const int cbRow = r / comps[1].stepY, crRow = r / comps[2].stepY;
            if (cbRow != chromaRows[0] || crRow != chromaRows[1]) {
                colour->setChroma(bands[1].data() + size_t(cbRow) * strides[1], comps[1].stepX,
                                  bands[2].data() + size_t(crRow) * strides[2], comps[2].stepX);
                chromaRows[0] = cbRow;
                chromaRows[1] = crRow;
            }
            colour->convert(luma, dst);
        }
    }
    return true;
}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& message) {
    out = ImageData{};
    message.clear();
    if (data == nullptr) {
        size = 0;
    }
    // About 12 KiB of tables: on the heap, away from small stacks.
    std::unique_ptr<Decoder> decoder;
    try {
        decoder.reset(new Decoder);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "out of memory");
    }
    ByteReader in(data, size);
    if (!parseHeaders(in, *decoder, message)) {
        return false;
    }
    std::vector<uint8_t> pixels;
    if (!decodeScan(data, size, in.position(), *decoder, pixels, message)) {
        return false;
    }
    out.width = decoder->width;
    out.height = decoder->height;
    out.channels = 4;
    out.bottomUp = false;
    out.pixels = std::move(pixels);
    return true;
}
