// What the JPEG scan decoders share: the frame with its components and
// tables, the layout of its MCUs, and the MCU rows of samples that become
// RGBA rows of the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/JpegColour.h"
#include "image/JpegEntropy.h"
#include "image/JpegKernels.h"

namespace jpeg {

constexpr int kMaxComponents = 3;
constexpr int kTableSlots = 4;

// Natural position (row * 8 + column) of each coefficient in zig-zag order.
inline constexpr uint8_t kNaturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

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

    // Progressive frames keep every block's coefficients (zig-zag order, 64
    // per block) on the grid of whole MCUs, blocksWide x blocksHigh, until
    // the last scan. A scan of this component alone covers the blocks that
    // hold image samples, codedWide x codedHigh of them.
    std::vector<int16_t> coefficients;
    int blocksWide = 0, blocksHigh = 0;
    int codedWide = 0, codedHigh = 0;
    // The quantisation table as it was at the component's first scan.
    bool quantTaken = false;
    uint16_t quantValues[64];
    // Per coefficient (zig-zag), the point transform of the last scan that
    // coded it, or -1 before its first scan.
    int8_t approximation[64];
};

struct Frame {
    HuffmanTable dc[kTableSlots];
    HuffmanTable ac[kTableSlots];
    QuantTable quant[kTableSlots];
    Component components[kMaxComponents];
    int count = 0;
    int width = 0, height = 0;
    bool haveFrame = false;
    bool progressive = false;
    unsigned restartInterval = 0;
    // The MCU grid, set by layOutMcus.
    int mcuWidth = 0, mcuHeight = 0;
    int mcusX = 0, mcusY = 0;
};

// The components of one scan header, in scan order, and its spectral
// selection and successive approximation.
struct ScanHeader {
    int count = 0;
    int components[kMaxComponents];  // indexes into Frame::components
    int start = 0, end = 63;
    int high = 0, low = 0;
};

// Works out the MCU layout from the sampling factors: the first component
// sets the MCU; the others must divide it, each sample covering whole pixels.
// A grey frame has one block per MCU whatever its sampling factors say.
bool layOutMcus(Frame& f, std::string& message);

// The dequantisation of a quantisation table (zig-zag order).
void setDequant(const uint16_t* quant, NaturalDequant& dq);

// Makes `pixels` hold `size` bytes that the decode then writes in full. A
// buffer already that large is reused as it is, without clearing it.
bool allocatePixels(std::vector<uint8_t>& pixels, size_t size);

// Makes `values` hold `count` zeros in a buffer of its own.
bool allocateZeros(std::vector<int16_t>& values, size_t count);

// Where the RGBA rows of a decode go: into one picture in memory, or a band
// at a time to a JpegRowSink.
class RowOutput {
public:
    virtual ~RowOutput() = default;
    // Makes ready for a picture of this size, written `bandRows` rows at a
    // time; fails with a message.
    virtual bool start(int width, int height, int bandRows, std::string& message) = 0;
    // Where the band of rows from `firstRow` on goes; its rows are
    // width x 4 bytes apart.
    virtual uint8_t* band(int firstRow) = 0;
    // The `count` rows from `firstRow` on are written; fails with a message.
    virtual bool written(int firstRow, int count, std::string& message) = 0;
};

// One MCU row of samples per component, at the component's resolution, and
// their conversion to RGBA rows of the picture.
class McuRows {
public:
    // Starts `output` and allocates the rows; fails with a message.
    bool init(const Frame& f, const Kernels& kernels, RowOutput& output, std::string& message);

    // Where block (bx, by) of MCU column `mcuX` goes for component c.
    uint8_t* block(int c, int mcuX, int bx, int by) {
        const Component& comp = frame_->components[c];
        return bands_[c].data() + size_t(8 * by) * strides_[c] + size_t(mcuX) * 8 * comp.blocksX +
               size_t(8 * bx);
    }
    size_t stride(int c) const { return strides_[c]; }

    // Converts the rows of MCU row `mcuY` that lie inside the picture into
    // RGBA rows of the output; fails with a message when the output does.
    bool emit(int mcuY, std::string& message);

private:
    const Frame* frame_ = nullptr;
    const Kernels* kernels_ = nullptr;
    RowOutput* output_ = nullptr;
    std::vector<uint8_t> bands_[kMaxComponents];
    size_t strides_[kMaxComponents] = {};
    std::unique_ptr<jpegcolour::YCbCrRows> colour_;
};

// Progressive decoding (image/JpegProgressive.cpp).

// Checks a progressive scan against the scans before it and notes what it
// codes; fails with a message for parameters out of range or out of order.
bool checkProgression(Frame& f, const ScanHeader& scan, std::string& message);

// Decodes one progressive scan whose data starts at `pos` into the
// components' coefficients; on return `pos` is the end of the scan's data.
// Data that ends early leaves the rest of the scan as it was.
bool decodeProgressiveScan(const uint8_t* data, size_t size, size_t& pos, Frame& f,
                           const ScanHeader& scan, std::string& message);

// Transforms the coefficients of a progressive frame into RGBA rows.
bool finishProgressive(Frame& f, const Kernels& kernels, RowOutput& output, std::string& message);

}  // namespace jpeg
