// Entropy-coded JPEG data: Huffman tables and the bit reader, shared by the
// sequential and the progressive scan decoders.
//
// Bits come MSB first from the bytes after a scan header. 0xFF 0x00 stands
// for a data byte 0xFF (0xFF fill bytes before the 0x00 are swallowed). Any
// other marker stops the data: from there on, and past the end of the file,
// the reader delivers zero bits. At a restart point the rest of the current
// byte is dropped and the reader moves on to the next marker, consuming it
// when it is RSTn.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpeg {

constexpr int kFastBits = 10;
constexpr int kMaxCodeLength = 16;
// The run of an end-of-block entry in HuffmanTable::fastAc: past the last
// coefficient.
constexpr int kEndOfBlockRun = 64;

struct HuffmanTable {
    bool defined = false;
    // length << 8 | symbol for the first code matching the top kFastBits bits;
    // 0 when no code of up to kFastBits bits does.
    uint16_t fast[1 << kFastBits];
    // For the AC tables: a code and its value bits together within kFastBits,
    // value << 16 | run << 8 | total length; 0 when that does not apply. A
    // symbol without value bits has value 0 (a coefficient is never 0):
    // end of block (symbol 0) has run kEndOfBlockRun, the others their run.
    int32_t fastAc[1 << kFastBits];
    // Canonical codes of each length L are minCode[L] .. maxCode[L] (none when
    // maxCode[L] < minCode[L]); their symbols start at firstIndex[L].
    int32_t minCode[kMaxCodeLength + 1];
    int32_t maxCode[kMaxCodeLength + 1];
    int firstIndex[kMaxCodeLength + 1];
    uint8_t symbols[256];
};

// Builds a table from the 16 code-length counts and the symbols they number
// (`total` of them, at most 256).
void buildHuffman(const uint8_t* counts, const uint8_t* symbols, int total, HuffmanTable& t);

// The usual luminance (slot 0) and chrominance (slot 1) tables, which
// motion-JPEG frames rely on without sending them.
void buildStandardDcTable(int slot, HuffmanTable& t);
void buildStandardAcTable(int slot, HuffmanTable& t);

inline int extend(int value, int bits) {
    return bits == 0 ? 0 : (value < (1 << (bits - 1)) ? value - (1 << bits) + 1 : value);
}

// The reader's whole state is a small value: the block decoders work on a
// local copy (kept in registers) and hand it back when the block is done.
struct EntropyReader {
    const uint8_t* data;
    size_t size;
    size_t pos;         // next byte to load
    uint64_t bits = 0;  // MSB first; below `count` only zeros or bits still to come
    int count = 0;      // valid bits in `bits`
    bool atMarker = false;
    // Zero bytes loaded in place of data that is not there (a marker or the
    // end of the file came first).
    uint64_t padBytes = 0;

    // Whether bits were taken beyond the real data: the scan ran out.
    bool exhausted() const { return uint64_t(count) < 8 * padBytes; }
    // Whether fewer than n bits of real data are left.
    bool runsOutWithin(int n) const { return uint64_t(count) < 8 * padBytes + uint64_t(n); }
};

// Loads bytes one at a time until at least 57 bits are there.
EntropyReader refillBytes(EntropyReader r);

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
void restart(EntropyReader& r);

// Where the entropy-coded data that the reader has been reading ends: the
// position of the first marker other than RSTn at or after what it has
// consumed, or the end of the data.
size_t endOfScan(const EntropyReader& r);

inline unsigned peekFast(const EntropyReader& r) {
    return unsigned(r.bits >> (64 - kFastBits));
}

inline void consume(EntropyReader& r, int n) {
    r.bits <<= n;
    r.count -= n;
}

// n bits (0..16) as an unsigned value.
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

}  // namespace jpeg
