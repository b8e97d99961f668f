// Colour conversion for the JPEG decoder: YCbCr rows to RGBA rows.
//
// The engine defines the conversion in double precision, each channel
// truncated to an integer and then clamped to 0..255:
//   R = Y + 1.402 Cr,  G = Y - 0.34414 Cb - 0.71414 Cr,  B = Y + 1.772 Cb
// with Cb and Cr less 128. The tables here give exactly those bytes with
// integer additions:
//  - 1.402 Cr and 1.772 Cb are never within rounding distance of an integer
//    (except at 0), so trunc(Y + c) clamped equals Y + floor(c) clamped;
//  - the green sum is kept in 20-bit fixed point, which lies well inside the
//    1e-5 gap between its non-integer values and the next integer. Where the
//    exact sum is an integer the double arithmetic may land just below it for
//    some Y; those few (Cb, Cr) pairs carry their double results for every Y.
// tests/image/JpegDecoderTest.cpp checks every (Y, Cb, Cr) against the doubles.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/JpegKernels.h"

namespace jpegcolour {

constexpr int kGreenShift = 20;
constexpr int32_t kGreenFraction = (1 << kGreenShift) - 1;
// Added to the rounded fixed-point green terms so that an exact integer sum
// never falls below its integer; far smaller than the 1e-5 gap.
constexpr int32_t kGreenBias = 4;
// A fixed-point green sum whose fraction is below this came from an exact
// integer: a candidate for the double arithmetic's own result.
constexpr int32_t kGreenNearInteger = 16;
constexpr int kMaxExceptions = 8;

inline int clampByte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The conversion as the engine defines it, one pixel at a time.
inline int greenReference(int y, int cb, int cr) {
    return clampByte(int(y - 0.34414 * (cb - 128) - 0.71414 * (cr - 128)));
}

struct Tables {
    int16_t red[256];   // floor(1.402 (Cr - 128))
    int16_t blue[256];  // floor(1.772 (Cb - 128))
    int32_t greenCb[256];
    int32_t greenCr[256];
    int exceptionCount = 0;
    uint16_t exceptionKey[kMaxExceptions];  // Cb << 8 | Cr
    uint8_t exceptionGreen[kMaxExceptions][256];

    Tables() {
        for (int i = 0; i < 256; ++i) {
            const int c = i - 128;
            red[i] = int16_t(std::floor(1.402 * c));
            blue[i] = int16_t(std::floor(1.772 * c));
            greenCb[i] = int32_t(std::lround(-0.34414 * c * (1 << kGreenShift)));
            greenCr[i] = int32_t(std::lround(-0.71414 * c * (1 << kGreenShift))) + kGreenBias;
        }
        for (int cb = 0; cb < 256; ++cb) {
            for (int cr = 0; cr < 256; ++cr) {
                const int32_t sum = greenCb[cb] + greenCr[cr];
                if ((sum & kGreenFraction) >= kGreenNearInteger) {
                    continue;
                }
                uint8_t green[256];
                bool differs = false;
                for (int y = 0; y < 256; ++y) {
                    green[y] = uint8_t(greenReference(y, cb, cr));
                    differs |= green[y] != clampByte(y + (sum >> kGreenShift));
                }
                if (differs && exceptionCount < kMaxExceptions) {
                    exceptionKey[exceptionCount] = uint16_t(cb << 8 | cr);
                    std::copy(green, green + 256, exceptionGreen[exceptionCount]);
                    ++exceptionCount;
                }
            }
        }
    }

    // The double result table for a pair, or null where the fixed-point sum
    // already gives it.
    const uint8_t* exception(int cb, int cr) const {
        const uint16_t key = uint16_t(cb << 8 | cr);
        for (int i = 0; i < exceptionCount; ++i) {
            if (exceptionKey[i] == key) {
                return exceptionGreen[i];
            }
        }
        return nullptr;
    }
};

inline const Tables& tables() {
    static const Tables t;
    return t;
}

// Converts the rows of an image, each against a row of Cb and a row of Cr
// samples that each cover one or more pixels across. The per-sample terms
// are worked out once per chroma row and shared by the luma rows on it.
class YCbCrRows {
public:
    // Throws std::bad_alloc when the scratch rows cannot be had.
    explicit YCbCrRows(int width, const jpeg::Kernels* kernels = nullptr)
        : kernels_(kernels != nullptr ? kernels : jpeg::kernelsFor(JpegKernels::Best)),
          width_(width),
          red_(size_t(width) + 8),
          green_(size_t(width) + 8),
          blue_(size_t(width) + 8) {}

    void setChroma(const uint8_t* cb, int cbStep, const uint8_t* cr, int crStep) {
        cb_ = cb;
        cr_ = cr;
        cbStep_ = cbStep;
        crStep_ = crStep;
        step_ = cbStep == crStep && (cbStep == 1 || cbStep == 2) ? cbStep : 0;
        special_ = false;
        if (step_ == 0) {
            return;
        }
        const Tables& t = tables();
        const jpeg::ChromaTables view = {t.red,       t.blue,         t.greenCb,       t.greenCr,
                                         kGreenShift, t.exceptionKey, t.exceptionCount};
        special_ = kernels_->chromaTerms(cb, cr, (width_ + step_ - 1) / step_, view, red_.data(),
                                         green_.data(), blue_.data());
    }

    void convert(const uint8_t* y, uint8_t* out) const {
        if (step_ == 0) {
            convertAnyLayout(y, out);
            return;
        }
        kernels_->colourRow(y, red_.data(), green_.data(), blue_.data(), step_ == 2, width_, out);
        const int shift = step_ == 2 ? 1 : 0;
        if (special_) {
            const Tables& t = tables();
            for (int x = 0; x < width_; ++x) {
                const uint8_t* green = t.exception(cb_[x >> shift], cr_[x >> shift]);
                if (green != nullptr) {
                    out[4 * x + 1] = green[y[x]];
                }
            }
        }
    }

private:
    // Any other pair of steps, a pixel at a time.
    void convertAnyLayout(const uint8_t* y, uint8_t* out) const {
        const Tables& t = tables();
        for (int x = 0; x < width_; ++x) {
            const int u = cb_[x / cbStep_], v = cr_[x / crStep_];
            const uint8_t* green = t.exception(u, v);
            const int32_t sum = t.greenCb[u] + t.greenCr[v];
            out[4 * x + 0] = uint8_t(clampByte(y[x] + t.red[v]));
            out[4 * x + 1] = green ? green[y[x]] : uint8_t(clampByte(y[x] + (sum >> kGreenShift)));
            out[4 * x + 2] = uint8_t(clampByte(y[x] + t.blue[u]));
            out[4 * x + 3] = 255;
        }
    }

    const jpeg::Kernels* kernels_;
    int width_;
    std::vector<int16_t> red_, green_, blue_;
    const uint8_t* cb_ = nullptr;
    const uint8_t* cr_ = nullptr;
    int cbStep_ = 1, crStep_ = 1;
    int step_ = 0;  // the steps when both are 1 or both 2, else 0
    bool special_ = false;
};

}  // namespace jpegcolour
