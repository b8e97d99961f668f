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

// Sixteen sample pairs at a time: red and blue from exact 16-bit multiplies,
// green from the tables through gathers.
bool chromaTermsAvx2(const uint8_t* cb, const uint8_t* cr, int n, const ChromaTables& t,
                     int16_t* red, int16_t* green, int16_t* blue) {
    const __m256i bias = _mm256_set1_epi16(128);
    const __m256i redFactor = _mm256_set1_epi16(kRedMultiplier);
    const __m256i blueFactor = _mm256_set1_epi16(kBlueMultiplier);
    const int* greenCb = reinterpret_cast<const int*>(t.greenCb);
    const int* greenCr = reinterpret_cast<const int*>(t.greenCr);
    __m256i special = _mm256_setzero_si256();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i u8 = _mm_loadu_si128((const __m128i*)(cb + i));
        const __m128i v8 = _mm_loadu_si128((const __m128i*)(cr + i));
        const __m256i u = _mm256_cvtepu8_epi16(u8), v = _mm256_cvtepu8_epi16(v8);
        _mm256_storeu_si256(
            (__m256i*)(red + i),
            _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(v, bias), 2), redFactor));
        _mm256_storeu_si256(
            (__m256i*)(blue + i),
            _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(u, bias), 2), blueFactor));
        const __m256i low =
            _mm256_add_epi32(_mm256_i32gather_epi32(greenCb, _mm256_cvtepu8_epi32(u8), 4),
                             _mm256_i32gather_epi32(greenCr, _mm256_cvtepu8_epi32(v8), 4));
        const __m256i high = _mm256_add_epi32(
            _mm256_i32gather_epi32(greenCb, _mm256_cvtepu8_epi32(_mm_unpackhi_epi64(u8, u8)), 4),
            _mm256_i32gather_epi32(greenCr, _mm256_cvtepu8_epi32(_mm_unpackhi_epi64(v8, v8)), 4));
        const __m128i shift = _mm_cvtsi32_si128(t.greenShift);
        // The pack works within 128-bit lanes; the permutation restores the order.
        const __m256i terms =
            _mm256_packs_epi32(_mm256_sra_epi32(low, shift), _mm256_sra_epi32(high, shift));
        _mm256_storeu_si256((__m256i*)(green + i), _mm256_permute4x64_epi64(terms, 0xD8));
        const __m256i key = _mm256_or_si256(_mm256_slli_epi16(u, 8), v);
        for (int e = 0; e < t.exceptionCount; ++e) {
            special = _mm256_or_si256(
                special, _mm256_cmpeq_epi16(key, _mm256_set1_epi16(short(t.exceptionKeys[e]))));
        }
    }
    bool any = !_mm256_testz_si256(special, special);
    for (; i < n; ++i) {
        red[i] = t.red[cr[i]];
        blue[i] = t.blue[cb[i]];
        green[i] = int16_t((t.greenCb[cb[i]] + t.greenCr[cr[i]]) >> t.greenShift);
        const unsigned key = unsigned(cb[i]) << 8 | cr[i];
        for (int e = 0; e < t.exceptionCount; ++e) {
            any |= key == t.exceptionKeys[e];
        }
    }
    return any;
}

const Kernels kAvx2 = {"avx2",        idctAvx2,    idctCoefficientsAvx2,
                       colourRowAvx2, greyRowAvx2, chromaTermsAvx2};

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
