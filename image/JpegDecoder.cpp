// JPEG decoding for the texture loader: Huffman-coded 8-bit frames, grey or
// YCbCr, sequential (one interleaved scan) or progressive, turned into RGBA
// rows.
//
// The pixels are those of the engine's reference algorithm: a floating-point
// AAN inverse DCT whose results are truncated, chroma replicated over the
// pixels it covers, and a double-precision colour conversion. What is built
// for speed here keeps those pixels bit for bit: Huffman codes come from a
// 10-bit lookup table (code and value bits in one step where they fit) with a
// canonical slow path, the kernels dequantise and transform whole blocks on
// SIMD vectors of columns (rows) in the reference order of operations, and
// the colour conversion uses integer tables proven equal to the doubles (see
// image/JpegColour.h and image/JpegKernels.h). tests/image/JpegDecoderTest.cpp
// compares the result with a plain bit-by-bit implementation on every
// decodable sample file, and each SIMD version with the plain one.
//
// This file reads the headers and decodes sequential scans; progressive
// scans are in image/JpegProgressive.cpp, the bit reader and Huffman tables
// in image/JpegEntropy.*, the MCU rows and their conversion to RGBA in
// image/JpegFrame.*.
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
#include "image/JpegFrame.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The DC term rounds exactly as the plain product does: no fused
// multiply-adds (gcc leaves them out in ISO C++ mode).
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

using namespace jpeg;

namespace {

// 1 GiB of RGBA at the most.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
// Every block takes at least two bits (a DC code and an end-of-block code).
constexpr uint64_t kMinBlocksPerByte = 4;

uint16_t u16be(ByteReader& in) {
    const uint8_t hi = in.u8();
    const uint8_t lo = in.u8();
    return uint16_t(hi << 8 | lo);
}

// ---------------------------------------------------------------------------
// Headers

bool parseFrame(ByteReader& seg, Frame& f, bool progressive, std::string& message) {
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
        Component& c = f.components[i];
        c = Component{};
        c.id = seg.u8();
        const uint8_t sampling = seg.u8();
        c.h = sampling >> 4;
        c.v = sampling & 15;
        c.quant = seg.u8();
        std::fill(std::begin(c.approximation), std::end(c.approximation), int8_t(-1));
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant >= kTableSlots) {
            return decodeFailure(message, "corrupt frame header");
        }
    }
    f.count = count;
    f.width = width;
    f.height = height;
    f.haveFrame = true;
    f.progressive = progressive;
    return true;
}

bool parseHuffman(ByteReader& seg, Frame& f, std::string& message) {
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
        buildHuffman(counts, symbols, total, (kind & 0x10) ? f.ac[number] : f.dc[number]);
    }
    return true;
}

bool parseQuant(ByteReader& seg, Frame& f, std::string& message) {
    while (!seg.atEnd()) {
        const uint8_t kind = seg.u8();
        const int number = kind & 15;
        if (number >= kTableSlots) {
            return decodeFailure(message, "corrupt quantisation table");
        }
        QuantTable& q = f.quant[number];
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

// Motion-JPEG frames rely on the usual tables without sending them.
bool haveDcTable(Frame& f, int slot) {
    if (!f.dc[slot].defined && slot < 2) {
        buildStandardDcTable(slot, f.dc[slot]);
    }
    return f.dc[slot].defined;
}

bool haveAcTable(Frame& f, int slot) {
    if (!f.ac[slot].defined && slot < 2) {
        buildStandardAcTable(slot, f.ac[slot]);
    }
    return f.ac[slot].defined;
}

// A sequential scan codes every component with both of its tables; spectral
// selection and approximation mean nothing to it.
bool checkSequentialTables(Frame& f, std::string& message) {
    for (int i = 0; i < f.count; ++i) {
        const Component& c = f.components[i];
        if (!f.quant[c.quant].defined) {
            return decodeFailure(message, "missing quantisation table");
        }
        if (!haveDcTable(f, c.dcTable) || !haveAcTable(f, c.acTable)) {
            return decodeFailure(message, "missing Huffman table");
        }
    }
    return true;
}

// A progressive scan needs the DC table in a first DC scan and the AC table
// in an AC scan; a component's quantisation table is taken at its first scan.
bool checkProgressiveTables(Frame& f, const ScanHeader& scan, std::string& message) {
    for (int i = 0; i < scan.count; ++i) {
        Component& c = f.components[scan.components[i]];
        if (!c.quantTaken) {
            if (!f.quant[c.quant].defined) {
                return decodeFailure(message, "missing quantisation table");
            }
            std::copy(std::begin(f.quant[c.quant].values), std::end(f.quant[c.quant].values),
                      c.quantValues);
            c.quantTaken = true;
        }
        const bool dcFirst = scan.start == 0 && scan.high == 0;
        if ((dcFirst && !haveDcTable(f, c.dcTable)) ||
            (scan.start > 0 && !haveAcTable(f, c.acTable))) {
            return decodeFailure(message, "missing Huffman table");
        }
    }
    return true;
}

bool parseScan(ByteReader& seg, Frame& f, ScanHeader& scan, std::string& message) {
    if (!f.haveFrame) {
        return decodeFailure(message, "missing frame header");
    }
    const uint8_t count = seg.u8();
    if (!seg.ok() || seg.size() != 4 + 2 * size_t(count)) {
        return decodeFailure(message, "corrupt scan header");
    }
    if (!f.progressive && count < f.count) {
        return decodeFailure(message, "multi-scan JPEG is not supported");
    }
    if (count == 0 || count > f.count || (!f.progressive && count != f.count)) {
        return decodeFailure(message, "corrupt scan header");
    }
    for (int i = 0; i < f.count; ++i) {
        f.components[i].inScan = false;
    }
    scan.count = count;
    for (int i = 0; i < count; ++i) {
        const uint8_t id = seg.u8();
        const uint8_t tables = seg.u8();
        int match = -1;
        for (int j = 0; j < f.count && match < 0; ++j) {
            if (f.components[j].id == id && !f.components[j].inScan) {
                match = j;
            }
        }
        if (match < 0 || (tables >> 4) >= kTableSlots || (tables & 15) >= kTableSlots) {
            return decodeFailure(message, "corrupt scan header");
        }
        Component& c = f.components[match];
        c.inScan = true;
        c.dcTable = tables >> 4;
        c.acTable = tables & 15;
        scan.components[i] = match;
    }
    scan.start = seg.u8();
    scan.end = seg.u8();
    const uint8_t approximation = seg.u8();
    scan.high = approximation >> 4;
    scan.low = approximation & 15;
    return f.progressive ? checkProgressiveTables(f, scan, message)
                         : checkSequentialTables(f, message);
}

// What one segment other than a scan header does: a frame header, tables, a
// restart interval, or nothing (application data, comments and the like).
bool applySegment(uint8_t marker, ByteReader& seg, Frame& f, bool afterScans,
                  std::string& message) {
    switch (marker) {
        case 0xC0:  // baseline
        case 0xC1:  // extended sequential: 16-bit tables and four of each kind
        case 0xC2:  // progressive
            if (afterScans) {
                return decodeFailure(message, "more than one frame in JPEG file");
            }
            return parseFrame(seg, f, marker == 0xC2, message);
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
            return parseHuffman(seg, f, message);
        case 0xDB:
            return parseQuant(seg, f, message);
        case 0xDD:
            f.restartInterval = u16be(seg);
            return seg.size() == 2 || decodeFailure(message, "corrupt restart interval");
        default:
            return true;
    }
}

enum class Segments { Scan, EndOfImage, EndOfData, Failed };

// Reads segments up to the next scan header. On Scan, `in` stands at the
// first byte of the scan's entropy-coded data; on Failed, `message` says why.
// Any number of 0xFF fill bytes may come before a marker.
Segments readSegments(ByteReader& in, Frame& f, ScanHeader& scan, bool afterScans,
                      std::string& message) {
    for (;;) {
        const uint8_t prefix = in.u8();
        uint8_t marker = in.u8();
        while (in.ok() && prefix == 0xFF && marker == 0xFF) {
            marker = in.u8();
        }
        if (!in.ok()) {
            return Segments::EndOfData;
        }
        if (prefix != 0xFF) {
            decodeFailure(message, "corrupt JPEG marker");
            return Segments::Failed;
        }
        if (marker == 0xD8) {
            continue;
        }
        if (marker == 0xD9) {
            return Segments::EndOfImage;
        }
        const uint16_t length = u16be(in);
        if (in.ok() && length < 2) {
            decodeFailure(message, "corrupt JPEG segment length");
            return Segments::Failed;
        }
        ByteReader seg = in.sub(length - 2u);
        if (!in.ok()) {
            return Segments::EndOfData;
        }
        if (marker == 0xDA) {
            return parseScan(seg, f, scan, message) ? Segments::Scan : Segments::Failed;
        }
        if (!applySegment(marker, seg, f, afterScans, message)) {
            return Segments::Failed;
        }
    }
}

// ---------------------------------------------------------------------------
// Sequential scan

// What decodeBlock found.
enum class Block { Corrupt, DcOnly, WithAc };

// The natural position of each zig-zag index, and past the last coefficient
// (where a run or an end of block takes the index) the spare slot 64.
struct PaddedOrder {
    uint8_t natural[128];
    constexpr PaddedOrder() : natural() {
        for (int k = 0; k < 128; ++k) {
            natural[k] = k < 64 ? kNaturalOrder[k] : 64;
        }
    }
};

// Room for a block's coefficients and the spare slot.
constexpr int kBlockSlots = 80;

// Decodes one block: the DC predictor moves on, and the AC coefficients go
// to `coefficients` (natural order, all zeros on entry, kBlockSlots long).
// Kept out of line, so that the Huffman loop has the registers to itself.
__attribute__((noinline)) Block decodeBlock(EntropyReader& reader, const HuffmanTable& dcTable,
                                            const HuffmanTable& acTable, int& predictor,
                                            int16_t* coefficients) {
    static const PaddedOrder order;
    EntropyReader r = reader;
    refill(r);
    const int dcSymbol = decodeSymbol(r, dcTable);
    if (dcSymbol < 0) {
        return Block::Corrupt;
    }
    const int dcSize = dcSymbol & 15;
    // The predictor wraps rather than overflow on hostile data.
    predictor = int(unsigned(predictor) + unsigned(extend(receive(r, dcSize), dcSize)));

    // Most blocks of smooth areas end right after the DC term.
    refill(r);
    const int32_t* fastAc = acTable.fastAc;
    const int32_t first = fastAc[peekFast(r)];
    if ((first >> 8) == kEndOfBlockRun) {
        consume(r, first & 0xFF);
        reader = r;
        return Block::DcOnly;
    }
    for (int k = 1; k < 64;) {
        refill(r);
        int run, value;
        const int32_t fast = fastAc[peekFast(r)];
        if (fast != 0) {
            consume(r, fast & 0xFF);
            run = (fast >> 8) & 0xFF;
            value = fast >> 16;
        } else {
            const int symbol = decodeSymbol(r, acTable);
            if (symbol <= 0) {
                if (symbol < 0) {
                    return Block::Corrupt;
                }
                break;  // end of block
            }
            run = symbol >> 4;
            const int size = symbol & 15;
            value = extend(receive(r, size), size);  // 15 bits at most: fits
        }
        // A run past the last coefficient ends the block, as the end of
        // block does: what it stores goes to the spare slot.
        k += run;
        coefficients[order.natural[k]] = int16_t(value);
        ++k;
    }
    reader = r;
    return Block::WithAc;
}

// Sets the 64 coefficients of a block back to zero.
inline void clearBlock(int16_t* coefficients) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 8) {
        _mm_store_si128(reinterpret_cast<__m128i*>(coefficients + i), zero);
    }
#else
    std::fill(coefficients, coefficients + 64, int16_t(0));
#endif
}

void fillBlock(uint8_t value, uint8_t* out, size_t stride) {
    for (int row = 0; row < 8; ++row) {
        std::memset(out + row * stride, value, 8);
    }
}

// Where a sequential scan is: the bit reader, the DC predictors, the running
// MCU count for restart intervals and the block being decoded.
struct SequentialScan {
    explicit SequentialScan(const EntropyReader& reader) : bits(reader) {}
    EntropyReader bits;
    int predictors[kMaxComponents] = {0, 0, 0};
    unsigned long mcu = 0;
    alignas(32) int16_t coefficients[kBlockSlots] = {};
};

// Decodes and transforms the blocks of one MCU row into `rows`.
bool decodeMcuRow(SequentialScan& s, const Frame& f, const NaturalDequant* dequant,
                  const Kernels& k, McuRows& rows) {
    for (int mcuX = 0; mcuX < f.mcusX; ++mcuX, ++s.mcu) {
        if (f.restartInterval != 0 && s.mcu != 0 && s.mcu % f.restartInterval == 0) {
            restart(s.bits);
            std::fill(s.predictors, s.predictors + kMaxComponents, 0);
        }
        for (int c = 0; c < f.count; ++c) {
            const Component& comp = f.components[c];
            const HuffmanTable& dc = f.dc[comp.dcTable];
            const HuffmanTable& ac = f.ac[comp.acTable];
            const NaturalDequant& dq = dequant[c];
            for (int by = 0; by < comp.blocksY; ++by) {
                for (int bx = 0; bx < comp.blocksX; ++bx) {
                    const Block block =
                        decodeBlock(s.bits, dc, ac, s.predictors[c], s.coefficients);
                    if (block == Block::Corrupt) {
                        return false;
                    }
                    // The DC term in the reference order of the products; the
                    // predictor may exceed 16 bits on hostile data.
                    const float dcTerm = float(int64_t(s.predictors[c]) * int64_t(dq.quant[0])) *
                                         dq.rowScale[0] * dq.colScale[0];
                    uint8_t* out = rows.block(c, mcuX, bx, by);
                    if (block == Block::DcOnly) {
                        // Every output of the transform equals the DC term.
                        fillBlock(sampleFromFloat(dcTerm), out, rows.stride(c));
                    } else {
                        k.idctCoefficients(s.coefficients, dcTerm, dq, out, rows.stride(c));
                        clearBlock(s.coefficients);
                    }
                }
            }
        }
    }
    return true;
}

bool decodeSequential(const uint8_t* data, size_t size, size_t scanStart, Frame& f,
                      const Kernels& kernels, RowOutput& output, std::string& message) {
    uint64_t blocksPerMcu = 0;
    for (int c = 0; c < f.count; ++c) {
        blocksPerMcu += uint64_t(f.components[c].blocksX) * f.components[c].blocksY;
    }
    if (uint64_t(f.mcusX) * f.mcusY * blocksPerMcu > kMinBlocksPerByte * (size - scanStart)) {
        return decodeFailure(message, "truncated JPEG data");
    }
    NaturalDequant dequant[kMaxComponents];
    for (int c = 0; c < f.count; ++c) {
        setDequant(f.quant[f.components[c].quant].values, dequant[c]);
    }
    McuRows rows;
    if (!rows.init(f, kernels, output, message)) {
        return false;
    }
    SequentialScan scan(EntropyReader{data, size, scanStart});
    for (int mcuY = 0; mcuY < f.mcusY; ++mcuY) {
        if (!decodeMcuRow(scan, f, dequant, kernels, rows)) {
            return decodeFailure(message, "corrupt Huffman data");
        }
        // The finished MCU row becomes RGBA; rows past the bottom are dropped.
        if (!rows.emit(mcuY, message)) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Progressive scans, one after another, then the transform of all blocks.

bool decodeProgressive(const uint8_t* data, size_t size, ByteReader& in, Frame& f, ScanHeader& scan,
                       const Kernels& kernels, RowOutput& output, std::string& message) {
    for (;;) {
        if (!checkProgression(f, scan, message)) {
            return false;
        }
        size_t pos = in.position();
        if (!decodeProgressiveScan(data, size, pos, f, scan, message)) {
            return false;
        }
        in.seek(pos);
        // A file that ends early ends the picture with what the scans so far
        // have coded.
        const Segments next = readSegments(in, f, scan, true, message);
        if (next == Segments::Failed) {
            return false;
        }
        if (next != Segments::Scan) {
            break;
        }
    }
    return finishProgressive(f, kernels, output, message);
}

// Reads the headers and decodes the picture into `output`.
bool decode(const uint8_t* data, size_t size, RowOutput& output, std::string& message,
            JpegKernels kernels) {
    message.clear();
    if (data == nullptr) {
        size = 0;
    }
    const Kernels* chosen = kernelsFor(kernels);
    if (chosen == nullptr) {
        chosen = kernelsFor(JpegKernels::Best);
    }
    // About 50 KiB of tables: on the heap, away from small stacks.
    std::unique_ptr<Frame> frame;
    try {
        frame.reset(new Frame);
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "out of memory");
    }
    Frame& f = *frame;
    ByteReader in(data, size);
    if (in.size() == 0 || *in.current() != 0xFF) {
        return decodeFailure(message, "not a JPEG file");
    }
    ScanHeader scan;
    switch (readSegments(in, f, scan, false, message)) {
        case Segments::Scan:
            break;
        case Segments::EndOfImage:
            return decodeFailure(message, "no image data in JPEG file");
        case Segments::EndOfData:
            return decodeFailure(message, "truncated JPEG header");
        case Segments::Failed:
            return false;
    }
    if (!layOutMcus(f, message)) {
        return false;
    }
    return f.progressive ? decodeProgressive(data, size, in, f, scan, *chosen, output, message)
                         : decodeSequential(data, size, in.position(), f, *chosen, output, message);
}

// The rows go straight into the picture's pixels.
class PictureOutput : public RowOutput {
public:
    explicit PictureOutput(std::vector<uint8_t>& pixels) : pixels_(pixels) {}
    bool start(int width, int height, int, std::string& message) override {
        width_ = width;
        height_ = height;
        rowBytes_ = size_t(width) * 4;
        if (!allocatePixels(pixels_, rowBytes_ * size_t(height))) {
            return decodeFailure(message, "out of memory");
        }
        return true;
    }
    uint8_t* band(int firstRow) override { return pixels_.data() + size_t(firstRow) * rowBytes_; }
    bool written(int, int, std::string&) override { return true; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    std::vector<uint8_t>& pixels_;
    int width_ = 0, height_ = 0;
    size_t rowBytes_ = 0;
};

// The rows go to a sink, a band at a time, through one band of memory.
class SinkOutput : public RowOutput {
public:
    explicit SinkOutput(JpegRowSink& sink) : sink_(sink) {}
    bool start(int width, int height, int bandRows, std::string& message) override {
        rowBytes_ = size_t(width) * 4;
        try {
            band_.resize(rowBytes_ * size_t(bandRows));
        } catch (const std::bad_alloc&) {
            return decodeFailure(message, "out of memory");
        }
        return sink_.begin(width, height) || decodeFailure(message, "decoding stopped");
    }
    uint8_t* band(int) override { return band_.data(); }
    bool written(int firstRow, int count, std::string& message) override {
        return sink_.rows(band_.data(), rowBytes_, firstRow, count) ||
               decodeFailure(message, "decoding stopped");
    }

private:
    JpegRowSink& sink_;
    std::vector<uint8_t> band_;
    size_t rowBytes_ = 0;
};

}  // namespace

bool jpegKernelsAvailable(JpegKernels kernels) {
    return kernelsFor(kernels) != nullptr;
}

bool decodeJpeg(const uint8_t* data, size_t size, ImageData& out, std::string& message,
                JpegKernels kernels) {
    // The caller's pixel buffer is reused when it is large enough.
    std::vector<uint8_t> pixels = std::move(out.pixels);
    out = ImageData{};
    PictureOutput output(pixels);
    if (!decode(data, size, output, message, kernels)) {
        return false;
    }
    out.width = output.width();
    out.height = output.height();
    out.channels = 4;
    out.bottomUp = false;
    out.pixels = std::move(pixels);
    return true;
}

bool decodeJpegRows(const uint8_t* data, size_t size, JpegRowSink& sink, std::string& message,
                    JpegKernels kernels) {
    SinkOutput output(sink);
    return decode(data, size, output, message, kernels);
}
