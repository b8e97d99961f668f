// Progressive JPEG: each scan codes one band of coefficients (spectral
// selection) or one more bit of them (successive approximation), for one
// component or, for DC coefficients, several interleaved. Every block's
// coefficients are kept until the last scan, in zig-zag order so that a band
// is a run of them; then they are dequantised and transformed as a
// sequential frame's are, so a progressive copy of a file with the same
// coefficients gives the same pixels.

#include <algorithm>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/DecodeSupport.h"
#include "image/JpegFrame.h"

namespace jpeg {

namespace {

// A first DC scan spends at least one bit on every block of its components,
// and every component has one.
constexpr uint64_t kMaxBlocksPerByte = 8;
// The largest point transform that leaves an 8-bit sample's coefficients
// a bit to code.
constexpr int kMaxPointTransform = 13;

enum class ScanKind { DcFirst, DcRefine, AcFirst, AcRefine };

ScanKind kindOf(const ScanHeader& s) {
    if (s.start == 0) {
        return s.high == 0 ? ScanKind::DcFirst : ScanKind::DcRefine;
    }
    return s.high == 0 ? ScanKind::AcFirst : ScanKind::AcRefine;
}

// Where a scan is: the bit reader, the DC predictors and the number of
// blocks still inside an end-of-band run.
struct ScanState {
    explicit ScanState(const EntropyReader& reader) : bits(reader) {}
    EntropyReader bits;
    int predictors[kMaxComponents] = {0, 0, 0};
    unsigned endOfBandRun = 0;
};

bool decodeDcFirst(EntropyReader& reader, const HuffmanTable& t, int& predictor, int low,
                   int16_t* coefficients) {
    EntropyReader r = reader;
    refill(r);
    const int symbol = decodeSymbol(r, t);
    if (symbol < 0) {
        reader = r;
        return false;
    }
    const int size = symbol & 15;
    // The predictor and the scaled value wrap rather than overflow on hostile data.
    predictor = int(unsigned(predictor) + unsigned(extend(receive(r, size), size)));
    coefficients[0] = int16_t(unsigned(predictor) << low);
    reader = r;
    return true;
}

void decodeDcRefine(EntropyReader& r, int low, int16_t* coefficients) {
    refill(r);
    if (receive(r, 1) != 0) {
        coefficients[0] = int16_t(uint16_t(coefficients[0]) | (1u << low));
    }
}

bool decodeAcFirst(EntropyReader& reader, const HuffmanTable& t, const ScanHeader& s,
                   unsigned& endOfBandRun, int16_t* coefficients) {
    if (endOfBandRun > 0) {
        --endOfBandRun;
        return true;
    }
    EntropyReader r = reader;
    for (int k = s.start; k <= s.end;) {
        refill(r);
        int run, value;
        // Symbols without value bits (end-of-band runs, sixteen zeros) take
        // the slow path.
        const int32_t fast = t.fastAc[peekFast(r)];
        if ((fast >> 16) != 0) {
            consume(r, fast & 0xFF);
            run = (fast >> 8) & 0xFF;
            value = fast >> 16;
        } else {
            const int symbol = decodeSymbol(r, t);
            if (symbol < 0) {
                reader = r;
                return false;
            }
            run = symbol >> 4;
            const int size = symbol & 15;
            if (size == 0) {
                if (run < 15) {
                    // The band ends here in this block and the next
                    // 2^run - 1 + (run more bits) blocks.
                    endOfBandRun = (1u << run) - 1 + unsigned(receive(r, run));
                    break;
                }
                k += 16;  // sixteen zeros
                continue;
            }
            value = extend(receive(r, size), size);
        }
        k += run;
        // A run past the band ends the block.
        if (k > s.end) {
            break;
        }
        coefficients[k] = int16_t(unsigned(value) << s.low);
        ++k;
    }
    reader = r;
    return true;
}

// One correction bit for a coefficient that is already nonzero: adds one at
// the bit being refined, away from zero, unless that bit is already set.
// The bits are as good as random, so this does without branches.
inline void refine(EntropyReader& r, int16_t& coefficient, int bit) {
    refill(r);
    const int set = receive(r, 1);
    const int value = coefficient;
    const int away = ((value >> 15) | 1) * bit;  // +bit, or -bit below zero
    coefficient = int16_t(value + (set & int((value & bit) == 0)) * away);
}

// Bit k set for each nonzero coefficient k of a block (zig-zag order).
inline uint64_t nonzeroMask(const int16_t* coefficients) {
    uint64_t mask = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + i + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        mask |= uint64_t(~unsigned(_mm_movemask_epi8(zeros)) & 0xFFFF) << i;
    }
#else
    for (int k = 0; k < 64; ++k) {
        mask |= uint64_t(coefficients[k] != 0) << k;
    }
#endif
    return mask;
}

// Bits from `first` on (0 to 63).
inline uint64_t bitsFrom(int first) {
    return ~uint64_t(0) << first;
}

// Refines, in order, the coefficients that `nonzero` names.
inline void refineAll(EntropyReader& r, int16_t* coefficients, uint64_t nonzero, int bit) {
    for (; nonzero != 0; nonzero &= nonzero - 1) {
        refine(r, coefficients[__builtin_ctzll(nonzero)], bit);
    }
}

// A refinement scan: each symbol places a new coefficient of +-1 at this bit
// after `run` coefficients that were zero, and the coefficients that were
// already nonzero on the way take a correction bit each. Masks of the band's
// zero and nonzero coefficients find those positions without visiting the
// others.
bool decodeAcRefine(EntropyReader& reader, const HuffmanTable& t, const ScanHeader& s,
                    unsigned& endOfBandRun, int16_t* coefficients) {
    const int bit = 1 << s.low;
    const uint64_t band = bitsFrom(s.start) & (~uint64_t(0) >> (63 - s.end));
    const uint64_t nonzero = nonzeroMask(coefficients) & band;
    EntropyReader r = reader;
    int k = s.start;
    if (endOfBandRun == 0) {
        while (k <= s.end) {
            refill(r);
            const int symbol = decodeSymbol(r, t);
            if (symbol < 0) {
                reader = r;
                return false;
            }
            const int run = symbol >> 4;
            int value = 0;
            if ((symbol & 15) != 0) {
                // A coefficient that becomes nonzero in this bit: +1 or -1 at it.
                value = (2 * receive(r, 1) - 1) * bit;
            } else if (run != 15) {
                endOfBandRun = (1u << run) + unsigned(receive(r, run));
                break;
            }
            // The new coefficient (or, for sixteen zeros, the last of them)
            // goes to the zero coefficient after `run` others from k on.
            uint64_t zeros = ~nonzero & band & bitsFrom(k);
            for (int i = 0; i < run && zeros != 0; ++i) {
                zeros &= zeros - 1;
            }
            const int at = zeros != 0 ? __builtin_ctzll(zeros) : s.end + 1;
            const uint64_t passed = at <= 63 ? bitsFrom(k) & ~bitsFrom(at) : bitsFrom(k);
            refineAll(r, coefficients, nonzero & passed, bit);
            if (value != 0 && at <= s.end) {
                coefficients[at] = int16_t(value);
            }
            k = at + 1;
        }
    }
    if (endOfBandRun > 0) {
        // Nothing new in the rest of the band: only correction bits.
        if (k <= s.end) {
            refineAll(r, coefficients, nonzero & bitsFrom(k), bit);
        }
        --endOfBandRun;
    }
    reader = r;
    return true;
}

bool decodeBlock(ScanState& st, const Frame& f, ScanKind kind, const ScanHeader& s, int c,
                 int16_t* coefficients) {
    const Component& comp = f.components[c];
    switch (kind) {
        case ScanKind::DcFirst:
            return decodeDcFirst(st.bits, f.dc[comp.dcTable], st.predictors[c], s.low,
                                 coefficients);
        case ScanKind::DcRefine:
            decodeDcRefine(st.bits, s.low, coefficients);
            return true;
        case ScanKind::AcFirst:
            return decodeAcFirst(st.bits, f.ac[comp.acTable], s, st.endOfBandRun, coefficients);
        case ScanKind::AcRefine:
            return decodeAcRefine(st.bits, f.ac[comp.acTable], s, st.endOfBandRun, coefficients);
    }
    return false;
}

// Every component's coefficients, zero, on the grid of whole MCUs.
bool allocateCoefficients(Frame& f, size_t dataBytes, std::string& message) {
    uint64_t coded = 0;
    for (int c = 0; c < f.count; ++c) {
        coded += uint64_t(f.components[c].codedWide) * f.components[c].codedHigh;
    }
    if (coded > kMaxBlocksPerByte * dataBytes) {
        return decodeFailure(message, "truncated JPEG data");
    }
    for (int c = 0; c < f.count; ++c) {
        Component& comp = f.components[c];
        if (!allocateZeros(comp.coefficients, size_t(comp.blocksWide) * comp.blocksHigh * 64)) {
            return decodeFailure(message, "out of memory");
        }
    }
    return true;
}

// A block's coefficients from zig-zag into natural order, with every index
// known when this compiles.
template <int K = 0>
inline void toNaturalOrder(const int16_t* zigzag, int16_t* natural) {
    natural[kNaturalOrder[K]] = zigzag[K];
    if constexpr (K < 63) {
        toNaturalOrder<K + 1>(zigzag, natural);
    }
}

}  // namespace

bool checkProgression(Frame& f, const ScanHeader& s, std::string& message) {
    if (s.end > 63 || s.start > s.end || (s.start == 0 && s.end != 0) ||
        (s.start > 0 && s.count != 1) || s.low > kMaxPointTransform ||
        (s.high != 0 && s.low != s.high - 1)) {
        return decodeFailure(message, "bad progressive scan parameters");
    }
    for (int i = 0; i < s.count; ++i) {
        Component& comp = f.components[s.components[i]];
        // AC coefficients come after the DC ones; a refinement comes after
        // the scan it refines, one bit lower; a first scan comes once.
        bool inOrder = s.start == 0 || comp.approximation[0] >= 0;
        for (int k = s.start; k <= s.end && inOrder; ++k) {
            inOrder = s.high == 0 ? comp.approximation[k] < 0 : comp.approximation[k] == s.high;
        }
        if (!inOrder) {
            return decodeFailure(message, "progressive scans out of order");
        }
        std::fill(comp.approximation + s.start, comp.approximation + s.end + 1, int8_t(s.low));
    }
    return true;
}

bool decodeProgressiveScan(const uint8_t* data, size_t size, size_t& pos, Frame& f,
                           const ScanHeader& s, std::string& message) {
    if (f.components[0].coefficients.empty() && !allocateCoefficients(f, size - pos, message)) {
        return false;
    }
    const ScanKind kind = kindOf(s);
    ScanState st(EntropyReader{data, size, pos});
    unsigned long mcu = 0;
    // At each MCU: a restart point, or the end of the data, which leaves the
    // rest of the scan as it was.
    auto next = [&]() {
        if (f.restartInterval != 0 && mcu != 0 && mcu % f.restartInterval == 0) {
            restart(st.bits);
            std::fill(st.predictors, st.predictors + kMaxComponents, 0);
            st.endOfBandRun = 0;
        }
        ++mcu;
        return !st.bits.exhausted();
    };
    bool ok = true;
    if (s.count == 1) {
        // One component: its blocks in rows, each block an MCU of its own.
        const int c = s.components[0];
        Component& comp = f.components[c];
        for (int by = 0; by < comp.codedHigh && ok; ++by) {
            for (int bx = 0; bx < comp.codedWide && ok; ++bx) {
                int16_t* coefficients =
                    comp.coefficients.data() + (size_t(by) * comp.blocksWide + bx) * 64;
                ok = next() && decodeBlock(st, f, kind, s, c, coefficients);
            }
        }
    } else {
        for (int mcuY = 0; mcuY < f.mcusY && ok; ++mcuY) {
            for (int mcuX = 0; mcuX < f.mcusX && ok; ++mcuX) {
                ok = next();
                for (int i = 0; i < s.count && ok; ++i) {
                    const int c = s.components[i];
                    Component& comp = f.components[c];
                    for (int by = 0; by < comp.blocksY && ok; ++by) {
                        for (int bx = 0; bx < comp.blocksX && ok; ++bx) {
                            const size_t row = size_t(mcuY) * comp.blocksY + by;
                            const size_t column = size_t(mcuX) * comp.blocksX + bx;
                            ok = decodeBlock(
                                st, f, kind, s, c,
                                comp.coefficients.data() + (row * comp.blocksWide + column) * 64);
                        }
                    }
                }
            }
        }
    }
    // A code that matches nothing is corrupt data, unless the data had
    // already run out.
    if (!ok && !st.bits.runsOutWithin(kMaxCodeLength)) {
        return decodeFailure(message, "corrupt Huffman data");
    }
    pos = endOfScan(st.bits);
    return true;
}

bool finishProgressive(Frame& f, const Kernels& kernels, RowOutput& output, std::string& message) {
    NaturalDequant dequant[kMaxComponents];
    for (int c = 0; c < f.count; ++c) {
        setDequant(f.components[c].quantValues, dequant[c]);
    }
    McuRows rows;
    if (!rows.init(f, kernels, output, message)) {
        return false;
    }
    for (int mcuY = 0; mcuY < f.mcusY; ++mcuY) {
        for (int c = 0; c < f.count; ++c) {
            const Component& comp = f.components[c];
            for (int by = 0; by < comp.blocksY; ++by) {
                const int16_t* coefficients =
                    comp.coefficients.data() +
                    (size_t(mcuY) * comp.blocksY + by) * comp.blocksWide * 64;
                for (int bx = 0; bx < comp.blocksWide; ++bx, coefficients += 64) {
                    alignas(32) int16_t natural[64];
                    toNaturalOrder(coefficients, natural);
                    const float dc = float(natural[0]) * dequant[c].quant[0] *
                                     dequant[c].rowScale[0] * dequant[c].colScale[0];
                    kernels.idctCoefficients(natural, dc, dequant[c], rows.block(c, 0, bx, by),
                                             rows.stride(c));
                }
            }
        }
        if (!rows.emit(mcuY, message)) {
            return false;
        }
    }
    return true;
}

}  // namespace jpeg
