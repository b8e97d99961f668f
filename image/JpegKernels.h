// The inner loops of the JPEG decoder: the inverse DCT and the conversion of
// sample rows to RGBA, in plain C++, SSE2 and AVX2. Every version gives the
// same bytes: the SIMD lanes do the scalar float operations in the same order,
// one rounding each, and the integer steps saturate exactly where the scalar
// code clamps.
//
// Everything defined in this header has internal linkage: the AVX2 versions
// are compiled with AVX2 enabled, and no copy of a shared helper built that
// way may stand in for the plain one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/JpegDecoder.h"

#if defined(__AVX__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

// The IDCT has to round exactly as plain float arithmetic does, one operation
// at a time: no fused multiply-adds (gcc leaves them out in ISO C++ mode).
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace jpeg {

// Scale factors of the AAN IDCT, one per row and one per column.
constexpr float kAanScale[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                                1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

// Dequantisation folded with the AAN scale, by natural position (row * 8 +
// column): sample[i] = coefficient x quant[i] x rowScale[i] x colScale[i],
// multiplied in that order, because float products do not regroup exactly.
// The first product is exact in the integers and rounded once, so it equals
// the integer product converted to float.
struct NaturalDequant {
    alignas(32) float quant[64];
    alignas(32) float rowScale[64];
    alignas(32) float colScale[64];
};

// The colour tables of image/JpegColour.h as the kernels read them.
struct ChromaTables {
    const int16_t* red;      // floor(1.402 (Cr - 128)), by Cr
    const int16_t* blue;     // floor(1.772 (Cb - 128)), by Cb
    const int32_t* greenCb;  // the two fixed-point terms of the green sum, by Cb and by Cr
    const int32_t* greenCr;
    int greenShift;
    const uint16_t* exceptionKeys;  // Cb << 8 | Cr of the pairs whose green needs the doubles
    int exceptionCount;
};

// floor(1.402 c) and floor(1.772 c) for every c in -128..127 are also
// (4c x K) >> 16 with these K, which the AVX2 kernels use instead of the
// tables (the colour test checks every input).
constexpr int16_t kRedMultiplier = 22970;
constexpr int16_t kBlueMultiplier = 29033;

struct Kernels {
    const char* name;
    // Transforms a dequantised block (natural order, 32-byte aligned) and
    // stores the 8x8 samples at `out`, rows `stride` bytes apart.
    void (*idct)(const float* block, uint8_t* out, size_t stride);
    // Dequantises a block of AC coefficients (natural order; the first is
    // not read) and transforms it with `dc`, the dequantised DC term.
    void (*idctCoefficients)(const int16_t* coefficients, float dc, const NaturalDequant& dq,
                             uint8_t* out, size_t stride);
    // One RGBA row: luma plus the per-chroma-sample red, green and blue terms
    // (one per pixel, or with `halfChroma` one per two pixels), clamped to
    // 0..255, alpha 255.
    void (*colourRow)(const uint8_t* y, const int16_t* red, const int16_t* green,
                      const int16_t* blue, bool halfChroma, int width, uint8_t* out);
    // One grey row as (Y, Y, Y, 255).
    void (*greyRow)(const uint8_t* y, int width, uint8_t* out);
    // The red, green and blue terms of `n` chroma sample pairs; true when
    // any pair is one of the exceptions.
    bool (*chromaTerms)(const uint8_t* cb, const uint8_t* cr, int n, const ChromaTables& t,
                        int16_t* red, int16_t* green, int16_t* blue);
};

// The kernels asked for, or null when this processor cannot run them.
const Kernels* kernelsFor(JpegKernels which);

// The AVX2 kernels when they were built (x86-64), else null; whether the
// processor runs them is for kernelsFor to decide.
const Kernels* avx2KernelsIfBuilt();

// x times a constant, one rounding per lane. The vector forms broadcast the
// constant with an instruction of their own (a plain `vector * float` goes
// through memory with some compilers).
static inline float times(float x, float c) {
    return x * c;
}
#if defined(__SSE2__)
static inline __m128 times(__m128 x, float c) {
    return _mm_mul_ps(x, _mm_set1_ps(c));
}
#endif
#if defined(__AVX__)
static inline __m256 times(__m256 x, float c) {
    return _mm256_mul_ps(x, _mm256_set1_ps(c));
}
#endif

// One 8-point pass of the AAN butterfly on v0..v7, in place. V is float or a
// vector of floats (each lane one column or row); both round identically.
template <typename V>
static inline void aanPass(V& v0, V& v1, V& v2, V& v3, V& v4, V& v5, V& v6, V& v7) {
    // Even part
    V tmp10 = v0 + v4;
    V tmp11 = v0 - v4;
    V tmp13 = v2 + v6;
    V tmp12 = times(v2 - v6, 1.414213562f) - tmp13;
    const V tmp0 = tmp10 + tmp13;
    const V tmp3 = tmp10 - tmp13;
    const V tmp1 = tmp11 + tmp12;
    const V tmp2 = tmp11 - tmp12;
    // Odd part
    const V z13 = v5 + v3;
    const V z10 = v5 - v3;
    const V z11 = v1 + v7;
    const V z12 = v1 - v7;
    const V tmp7 = z11 + z13;
    tmp11 = times(z11 - z13, 1.414213562f);
    const V z5 = times(z10 + z12, 1.847759065f);
    tmp10 = times(z12, 1.0823922f) - z5;
    tmp12 = times(z10, -2.61312593f) + z5;
    const V tmp6 = tmp12 - tmp7;
    const V tmp5 = tmp11 - tmp6;
    const V tmp4 = tmp10 + tmp5;
    v0 = tmp0 + tmp7;
    v7 = tmp0 - tmp7;
    v1 = tmp1 + tmp6;
    v6 = tmp1 - tmp6;
    v2 = tmp2 + tmp5;
    v5 = tmp2 - tmp5;
    v4 = tmp3 + tmp4;
    v3 = tmp3 - tmp4;
}

template <typename V>
static inline void aanPass(V* v) {
    aanPass(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
}

// Truncates, shifts right by 3 and adds 128, clamped to a byte. The clamp on
// the float first keeps the conversion defined for any coefficients (the
// result is the same: anything beyond +-65536 ends at 0 or 255 either way).
static inline uint8_t sampleFromFloat(float x) {
    x = x < -65536.0f ? -65536.0f : (x > 65536.0f ? 65536.0f : x);
    const int v = (int(x) >> 3) + 128;
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace jpeg
