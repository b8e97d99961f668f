#include "image/JpegFrame.h"

#include <algorithm>
#include <new>

#include "base/FileBytes.h"
#include "image/DecodeSupport.h"

namespace jpeg {

bool layOutMcus(Frame& f, std::string& message) {
    Component* comps = f.components;
    if (f.count == 1) {
        // A grey scan is non-interleaved: one block per MCU, whatever the
        // sampling factors say.
        comps[0].blocksX = comps[0].blocksY = 1;
        comps[0].stepX = comps[0].stepY = 1;
    } else {
        const int h0 = comps[0].h, v0 = comps[0].v;
        comps[0].blocksX = h0;
        comps[0].blocksY = v0;
        comps[0].stepX = comps[0].stepY = 1;
        for (int c = 1; c < f.count; ++c) {
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
    f.mcuWidth = 8 * comps[0].blocksX;
    f.mcuHeight = 8 * comps[0].blocksY;
    f.mcusX = (f.width + f.mcuWidth - 1) / f.mcuWidth;
    f.mcusY = (f.height + f.mcuHeight - 1) / f.mcuHeight;
    for (int c = 0; c < f.count; ++c) {
        Component& comp = comps[c];
        comp.blocksWide = f.mcusX * comp.blocksX;
        comp.blocksHigh = f.mcusY * comp.blocksY;
        // The component's own size is the picture's divided by the pixels
        // each sample covers, rounded up.
        const int width = (f.width + comp.stepX - 1) / comp.stepX;
        const int height = (f.height + comp.stepY - 1) / comp.stepY;
        comp.codedWide = (width + 7) / 8;
        comp.codedHigh = (height + 7) / 8;
    }
    return true;
}

void setDequant(const uint16_t* quant, NaturalDequant& dq) {
    for (int k = 0; k < 64; ++k) {
        const int n = kNaturalOrder[k];
        dq.quant[n] = float(quant[k]);
        dq.rowScale[n] = kAanScale[n / 8];
        dq.colScale[n] = kAanScale[n % 8];
    }
}

namespace {

// Each 4 KiB page costs a fault when it is first written, and on a large
// picture those faults take longer than the decode: a new buffer asks for
// 2 MiB pages before anything touches it.
template <typename T>
void reserveLarge(std::vector<T>& values, size_t count) {
    std::vector<T>().swap(values);
    values.reserve(count);
    adviseHugePages(values.data(), count * sizeof(T));
}

// Sizes `values` to `count`; a fresh buffer unless `reuse` and the old one is
// large enough (a fresh buffer reads as zeros). False, with the buffer freed,
// when memory runs out.
template <typename T>
bool tryAllocate(std::vector<T>& values, size_t count, bool reuse) {
    try {
        if (!reuse || values.capacity() < count) {
            reserveLarge(values, count);
        }
        values.resize(count);
    } catch (const std::bad_alloc&) {
        values = std::vector<T>();
        return false;
    }
    return true;
}

}  // namespace

bool allocatePixels(std::vector<uint8_t>& pixels, size_t size) {
    return tryAllocate(pixels, size, true);
}

bool allocateZeros(std::vector<int16_t>& values, size_t count) {
    return tryAllocate(values, count, false);
}

bool McuRows::init(const Frame& f, const Kernels& kernels, RowOutput& output,
                   std::string& message) {
    frame_ = &f;
    kernels_ = &kernels;
    output_ = &output;
    try {
        if (f.count == 3) {
            colour_.reset(new jpegcolour::YCbCrRows(f.width, &kernels));
        }
        for (int c = 0; c < f.count; ++c) {
            strides_[c] = size_t(f.mcusX) * 8 * f.components[c].blocksX;
            bands_[c].resize(strides_[c] * 8 * f.components[c].blocksY);
        }
    } catch (const std::bad_alloc&) {
        return decodeFailure(message, "out of memory");
    }
    return output.start(f.width, f.height, f.mcuHeight, message);
}

bool McuRows::emit(int mcuY, std::string& message) {
    const Frame& f = *frame_;
    const Component* comps = f.components;
    const int top = mcuY * f.mcuHeight;
    const int rows = std::min(f.mcuHeight, f.height - top);
    uint8_t* out = output_->band(top);
    const size_t rowBytes = size_t(f.width) * 4;
    int chromaRows[2] = {-1, -1};
    for (int r = 0; r < rows; ++r) {
        uint8_t* dst = out + size_t(r) * rowBytes;
        const uint8_t* luma = bands_[0].data() + size_t(r) * strides_[0];
        if (f.count == 1) {
            kernels_->greyRow(luma, f.width, dst);
            continue;
        }
        const int cbRow = r / comps[1].stepY, crRow = r / comps[2].stepY;
        if (cbRow != chromaRows[0] || crRow != chromaRows[1]) {
            colour_->setChroma(bands_[1].data() + size_t(cbRow) * strides_[1], comps[1].stepX,
                               bands_[2].data() + size_t(crRow) * strides_[2], comps[2].stepX);
            chromaRows[0] = cbRow;
            chromaRows[1] = crRow;
        }
        colour_->convert(luma, dst);
    }
    return output_->written(top, rows, message);
}

}  // namespace jpeg
