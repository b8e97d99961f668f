// The AVX2 kernels: eight columns (then rows) of a block per vector, sixteen
// pixels of a row per step. This file is compiled with AVX2 enabled and runs
// only where the processor has it, so it calls nothing that another file
// might also instantiate (no standard library templates).

#include "image/JpegKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace jpeg {

#if defined(__AVX2__)

namespace {

// Rows become columns: vector k lane j takes vector j lane k. The eight
// vectors are separate variables, which compilers keep in registers.
inline void transpose8(__m256& v0, __m256& v1, __m256& v2, __m256& v3, __m256& v4, __m256& v5,
                       __m256& v6, __m256& v7) {
    const __m256 t0 = _mm256_unpacklo_ps(v0, v1);
    const __m256 t1 = _mm256_unpackhi_ps(v0, v1);
    const __m256 t2 = _mm256_unpacklo_ps(v2, v3);
    const __m256 t3 = _mm256_unpackhi_ps(v2, v3);
    const __m256 t4 = _mm256_unpacklo_ps(v4, v5);
    const __m256 t5 = _mm256_unpackhi_ps(v4, v5);
    const __m256 t6 = _mm256_unpacklo_ps(v6, v7);
    const __m256 t7 = _mm256_unpackhi_ps(v6, v7);
    const __m256 s0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 s1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 s2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 s3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 s4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 s5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 s6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 s7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    v0 = _mm256_permute2f128_ps(s0, s4, 0x20);
    v1 = _mm256_permute2f128_ps(s1, s5, 0x20);
    v2 = _mm256_permute2f128_ps(s2, s6, 0x20);
    v3 = _mm256_permute2f128_ps(s3, s7, 0x20);
    v4 = _mm256_permute2f128_ps(s0, s4, 0x31);
    v5 = _mm256_permute2f128_ps(s1, s5, 0x31);
    v6 = _mm256_permute2f128_ps(s2, s6, 0x31);
    v7 = _mm256_permute2f128_ps(s3, s7, 0x31);
}

// Four rows of samples, packed from their 32-bit values and stored. The packs
// work within 128-bit lanes: the rows come out as their left halves in the
// low lane and right halves in the high lane, which the permutation puts back
// together.
inline void storeRows(__m256i a, __m256i b, __m256i c, __m256i d, uint8_t* out, size_t stride) {
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i bytes = _mm256_permutevar8x32_epi32(
        _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d)), order);
    const __m128i rows01 = _mm256_castsi256_si128(bytes);
    const __m128i rows23 = _mm256_extracti128_si256(bytes, 1);
    _mm_storel_epi64((__m128i*)out, rows01);
    _mm_storel_epi64((__m128i*)(out + stride), _mm_unpackhi_epi64(rows01, rows01));
    _mm_storel_epi64((__m128i*)(out + 2 * stride), rows23);
    _mm_storel_epi64((__m128i*)(out + 3 * stride), _mm_unpackhi_epi64(rows23, rows23));
}

// Truncated, shifted right by 3, plus 128; the packs then clamp to a byte.
inline __m256i toSample(__m256 x) {
    const __m256 lo = _mm256_set1_ps(-65536.0f), hi = _mm256_set1_ps(65536.0f);
    const __m256i i = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(x, lo), hi));
    return _mm256_add_epi32(_mm256_srai_epi32(i, 3), _mm256_set1_epi32(128));
}

// The transform of a block held as its eight rows, stored as samples.
__attribute__((always_inline)) inline void idctRows(__m256 r0, __m256 r1, __m256 r2, __m256 r3,
                                                    __m256 r4, __m256 r5, __m256 r6, __m256 r7,
                                                    uint8_t* out, size_t stride) {
    aanPass(r0, r1, r2, r3, r4, r5, r6, r7);  // down the columns
    transpose8(r0, r1, r2, r3, r4, r5, r6, r7);
    aanPass(r0, r1, r2, r3, r4, r5, r6, r7);  // along the rows
    transpose8(r0, r1, r2, r3, r4, r5, r6, r7);
    storeRows(toSample(r0), toSample(r1), toSample(r2), toSample(r3), out, stride);
    storeRows(toSample(r4), toSample(r5), toSample(r6), toSample(r7), out + 4 * stride, stride);
}

void idctAvx2(const float* in, uint8_t* out, size_t stride) {
    idctRows(_mm256_load_ps(in), _mm256_load_ps(in + 8), _mm256_load_ps(in + 16),
             _mm256_load_ps(in + 24), _mm256_load_ps(in + 32), _mm256_load_ps(in + 40),
             _mm256_load_ps(in + 48), _mm256_load_ps(in + 56), out, stride);
}

// Row k of a block of coefficients, dequantised.
inline __m256 dequantRow(const int16_t* coefficients, const NaturalDequant& dq, int k) {
    const __m256i c =
        _mm256_cvtepi16_epi32(_mm_loadu_si128((const __m128i*)(coefficients + 8 * k)));
    const __m256 q = _mm256_mul_ps(_mm256_cvtepi32_ps(c), _mm256_load_ps(dq.quant + 8 * k));
    return _mm256_mul_ps(_mm256_mul_ps(q, _mm256_load_ps(dq.rowScale + 8 * k)),
                         _mm256_load_ps(dq.colScale + 8 * k));
}

void idctCoefficientsAvx2(const int16_t* coefficients, float dc, const NaturalDequant& dq,
                          uint8_t* out, size_t stride) {
    const __m256 first = _mm256_blend_ps(dequantRow(coefficients, dq, 0), _mm256_set1_ps(dc), 1);
    idctRows(first, dequantRow(coefficients, dq, 1), dequantRow(coefficients, dq, 2),
             dequantRow(coefficients, dq, 3), dequantRow(coefficients, dq, 4),
             dequantRow(coefficients, dq, 5), dequantRow(coefficients, dq, 6),
             dequantRow(coefficients, dq, 7), out, stride);
}

inline uint8_t clampToByte(int v) {
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Eight 16-bit terms, each twice: the terms of sixteen pixels that share
// chroma samples in pairs.
inline __m256i doubled(const int16_t* terms) {
    const __m128i t = _mm_loadu_si128((const __m128i*)terms);
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(t, t)),
                                   _mm_unpackhi_epi16(t, t), 1);
}

void colourRowAvx2(const uint8_t* y, const int16_t* red, const int16_t* green, const int16_t* blue,
                   bool halfChroma, int width, uint8_t* out) {
    const __m256i alpha = _mm256_set1_epi16(255);
    // Within each lane, the eight bytes of one channel alternate with the
    // eight of the other.
    const __m256i interleave =
        _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 0, 8, 1, 9, 2, 10, 3,
                         11, 4, 12, 5, 13, 6, 14, 7, 15);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m256i r, g, b;
        if (!halfChroma) {
            r = _mm256_loadu_si256((const __m256i*)(red + x));
            g = _mm256_loadu_si256((const __m256i*)(green + x));
            b = _mm256_loadu_si256((const __m256i*)(blue + x));
        } else {
            r = doubled(red + x / 2);
            g = doubled(green + x / 2);
            b = doubled(blue + x / 2);
        }
        const __m256i luma = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)(y + x)));
        // Saturating packs clamp to 0..255: lane 0 holds pixels 0-7, lane 1
        // pixels 8-15.
        const __m256i rg = _mm256_shuffle_epi8(
            _mm256_packus_epi16(_mm256_add_epi16(luma, r), _mm256_add_epi16(luma, g)), interleave);
        const __m256i ba =
            _mm256_shuffle_epi8(_mm256_packus_epi16(_mm256_add_epi16(luma, b), alpha), interleave);
        const __m256i first = _mm256_unpacklo_epi16(rg, ba);   // pixels 0-3, 8-11
        const __m256i second = _mm256_unpackhi_epi16(rg, ba);  // pixels 4-7, 12-15
        _mm256_storeu_si256((__m256i*)(out + 4 * x),
                            _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256((__m256i*)(out + 4 * x + 32),
                            _mm256_permute2x128_si256(first, second, 0x31));
    }
    const int shift = halfChroma ? 1 : 0;
    for (; x < width; ++x) {
        const int i = x >> shift;
        out[4 * x + 0] = clampToByte(y[x] + red[i]);
        out[4 * x + 1] = clampToByte(y[x] + green[i]);
        out[4 * x + 2] = clampToByte(y[x] + blue[i]);
        out[4 * x + 3] = 255;
    }
}

void greyRowAvx2(const uint8_t* y, int width, uint8_t* out) {
    // Byte 0 of each 32-bit lane to bytes 0-2, byte 3 from the alpha.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
                                            0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i luma = _mm_loadu_si128((const __m128i*)(y + x));
        const __m256i lo = _mm256_cvtepu8_epi32(luma);
        const __m256i hi = _mm256_cvtepu8_epi32(_mm_unpackhi_epi64(luma, luma));
        _mm256_storeu_si256((__m256i*)(out + 4 * x),
                            _mm256_or_si256(_mm256_shuffle_epi8(lo, spread), alpha));
        _mm256_storeu_si256((__m256i*)(out + 4 * x + 32),
                            _mm256_or_si256(_mm256_shuffle_epi8(hi, spread), alpha));
    }
    for (; x < width; ++x) {
        out[4 * x + 0] = out[4 * x + 1] = out[4 * x + 2] = y[x];
        out[4 * x + 3] = 255;
    }
}

// Eight pixels of one channel: luma plus the chroma terms, each product and
// sum in double precision in the formula's order, truncated toward zero, then
// packed to bytes with saturation (the clamp to 0..255).
struct Channels {
    __m128i red, green, blue;  // eight 16-bit values each
};

inline __m128i truncated(__m256d lo, __m256d hi) {
    return _mm_packs_epi32(_mm256_cvttpd_epi32(lo), _mm256_cvttpd_epi32(hi));
}

inline Channels convert8(__m256i y, __m256i cb, __m256i cr) {
    const __m256d kRed = _mm256_set1_pd(1.402), kGreenCb = _mm256_set1_pd(0.34414),
                  kGreenCr = _mm256_set1_pd(0.71414), kBlue = _mm256_set1_pd(1.772);
    __m256d red[2], green[2], blue[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i y4 = half == 0 ? _mm256_castsi256_si128(y) : _mm256_extracti128_si256(y, 1);
        const __m128i cb4 =
            half == 0 ? _mm256_castsi256_si128(cb) : _mm256_extracti128_si256(cb, 1);
        const __m128i cr4 =
            half == 0 ? _mm256_castsi256_si128(cr) : _mm256_extracti128_si256(cr, 1);
        const __m256d luma = _mm256_cvtepi32_pd(y4);
        const __m256d u = _mm256_cvtepi32_pd(cb4), v = _mm256_cvtepi32_pd(cr4);
        red[half] = _mm256_add_pd(luma, _mm256_mul_pd(kRed, v));
        green[half] = _mm256_sub_pd(_mm256_sub_pd(luma, _mm256_mul_pd(kGreenCb, u)),
                                    _mm256_mul_pd(kGreenCr, v));
        blue[half] = _mm256_add_pd(luma, _mm256_mul_pd(kBlue, u));
    }
    return {truncated(red[0], red[1]), truncated(green[0], green[1]), truncated(blue[0], blue[1])};
}

void ycbcrRowAvx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, bool halfChroma,
                  int width, uint8_t* out) {
    const __m256i bias = _mm256_set1_epi32(128);
    const __m128i alpha = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i u, v;
        if (!halfChroma) {
            u = _mm_loadl_epi64((const __m128i*)(cb + x));
            v = _mm_loadl_epi64((const __m128i*)(cr + x));
        } else {
            int32_t u4, v4;
            __builtin_memcpy(&u4, cb + x / 2, 4);
            __builtin_memcpy(&v4, cr + x / 2, 4);
            u = _mm_cvtsi32_si128(u4);
            v = _mm_cvtsi32_si128(v4);
            u = _mm_unpacklo_epi8(u, u);
            v = _mm_unpacklo_epi8(v, v);
        }
        const Channels c = convert8(_mm256_cvtepu8_epi32(_mm_loadl_epi64((const __m128i*)(y + x))),
                                    _mm256_sub_epi32(_mm256_cvtepu8_epi32(u), bias),
                                    _mm256_sub_epi32(_mm256_cvtepu8_epi32(v), bias));
        const __m128i rg =
            _mm_unpacklo_epi8(_mm_packus_epi16(c.red, c.red), _mm_packus_epi16(c.green, c.green));
        const __m128i ba = _mm_unpacklo_epi8(_mm_packus_epi16(c.blue, c.blue), alpha);
        _mm_storeu_si128((__m128i*)(out + 4 * x), _mm_unpacklo_epi16(rg, ba));
        _mm_storeu_si128((__m128i*)(out + 4 * x + 16), _mm_unpackhi_epi16(rg, ba));
    }
    const int shift = halfChroma ? 1 : 0;
    for (; x < width; ++x) {
        const double luma = y[x], u = cb[x >> shift] - 128, v = cr[x >> shift] - 128;
        out[4 * x + 0] = clampToByte(int(luma + 1.402 * v));
        out[4 * x + 1] = clampToByte(int(luma - 0.34414 * u - 0.71414 * v));
        out[4 * x + 2] = clampToByte(int(luma + 1.772 * u));
        out[4 * x + 3] = 255;
    }
}

const Kernels kAvx2 = {"avx2",        idctAvx2,    idctCoefficientsAvx2,
                       colourRowAvx2, greyRowAvx2, ycbcrRowAvx2};

}  // namespace

const Kernels* avx2KernelsIfBuilt() {
    return &kAvx2;
}

#else

const Kernels* avx2KernelsIfBuilt() {
    return nullptr;
}

#endif

}  // namespace jpeg
