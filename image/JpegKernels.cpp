// The plain and SSE2 kernels, and the choice among all of them.

#include "image/JpegKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace jpeg {

namespace {

// ---------------------------------------------------------------------------
// Plain C++

void idctScalar(const float* in, uint8_t* out, size_t stride) {
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
}

void idctCoefficientsScalar(const int16_t* coefficients, float dc, const NaturalDequant& dq,
                            uint8_t* out, size_t stride) {
    alignas(32) float block[64];
    block[0] = dc;
    for (int i = 1; i < 64; ++i) {
        block[i] = float(coefficients[i]) * dq.quant[i] * dq.rowScale[i] * dq.colScale[i];
    }
    idctScalar(block, out, stride);
}

inline uint8_t clampToByte(int v) {
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void colourRowScalar(const uint8_t* y, const int16_t* red, const int16_t* green,
                     const int16_t* blue, bool halfChroma, int width, uint8_t* out) {
    const int shift = halfChroma ? 1 : 0;
    for (int x = 0; x < width; ++x) {
        const int i = x >> shift;
        out[4 * x + 0] = clampToByte(y[x] + red[i]);
        out[4 * x + 1] = clampToByte(y[x] + green[i]);
        out[4 * x + 2] = clampToByte(y[x] + blue[i]);
        out[4 * x + 3] = 255;
    }
}

void greyRowScalar(const uint8_t* y, int width, uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        out[4 * x + 0] = out[4 * x + 1] = out[4 * x + 2] = y[x];
        out[4 * x + 3] = 255;
    }
}

bool chromaTermsScalar(const uint8_t* cb, const uint8_t* cr, int n, const ChromaTables& t,
                       int16_t* red, int16_t* green, int16_t* blue) {
    bool special = false;
    for (int i = 0; i < n; ++i) {
        red[i] = t.red[cr[i]];
        blue[i] = t.blue[cb[i]];
        green[i] = int16_t((t.greenCb[cb[i]] + t.greenCr[cr[i]]) >> t.greenShift);
        const unsigned key = unsigned(cb[i]) << 8 | cr[i];
        for (int e = 0; e < t.exceptionCount; ++e) {
            special |= key == t.exceptionKeys[e];
        }
    }
    return special;
}

const Kernels kScalar = {"scalar",        idctScalar,    idctCoefficientsScalar,
                         colourRowScalar, greyRowScalar, chromaTermsScalar};

// ---------------------------------------------------------------------------
// SSE2: four columns (then rows) per vector

#if defined(__SSE2__)

// The transform of a block held as its left and right halves (columns 0-3
// and 4-7 of each row), stored as samples.
inline void idctHalves(__m128* left, __m128* right, uint8_t* out, size_t stride) {
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
}

void idctSse2(const float* in, uint8_t* out, size_t stride) {
    __m128 left[8], right[8];
    for (int k = 0; k < 8; ++k) {
        left[k] = _mm_load_ps(in + 8 * k);
        right[k] = _mm_load_ps(in + 8 * k + 4);
    }
    idctHalves(left, right, out, stride);
}

void idctCoefficientsSse2(const int16_t* coefficients, float dc, const NaturalDequant& dq,
                          uint8_t* out, size_t stride) {
    __m128 left[8], right[8];
    for (int k = 0; k < 8; ++k) {
        const __m128i c = _mm_loadu_si128((const __m128i*)(coefficients + 8 * k));
        // Sign-extend the eight 16-bit values to 32 bits.
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(c, c), 16);
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(c, c), 16);
        const float* q = dq.quant + 8 * k;
        const float* rs = dq.rowScale + 8 * k;
        const float* cs = dq.colScale + 8 * k;
        left[k] =
            _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(lo), _mm_load_ps(q)), _mm_load_ps(rs)),
                       _mm_load_ps(cs));
        right[k] = _mm_mul_ps(
            _mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(hi), _mm_load_ps(q + 4)), _mm_load_ps(rs + 4)),
            _mm_load_ps(cs + 4));
    }
    left[0] = _mm_move_ss(left[0], _mm_set_ss(dc));
    idctHalves(left, right, out, stride);
}

void colourRowSse2(const uint8_t* y, const int16_t* red, const int16_t* green, const int16_t* blue,
                   bool halfChroma, int width, uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i r, g, b;
        if (!halfChroma) {
            r = _mm_loadu_si128((const __m128i*)(red + x));
            g = _mm_loadu_si128((const __m128i*)(green + x));
            b = _mm_loadu_si128((const __m128i*)(blue + x));
        } else {
            r = _mm_loadl_epi64((const __m128i*)(red + x / 2));
            g = _mm_loadl_epi64((const __m128i*)(green + x / 2));
            b = _mm_loadl_epi64((const __m128i*)(blue + x / 2));
            r = _mm_unpacklo_epi16(r, r);
            g = _mm_unpacklo_epi16(g, g);
            b = _mm_unpacklo_epi16(b, b);
        }
        const __m128i luma = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)(y + x)), zero);
        r = _mm_add_epi16(luma, r);
        g = _mm_add_epi16(luma, g);
        b = _mm_add_epi16(luma, b);
        // Saturating packs clamp to 0..255.
        const __m128i rg = _mm_unpacklo_epi8(_mm_packus_epi16(r, r), _mm_packus_epi16(g, g));
        const __m128i ba = _mm_unpacklo_epi8(_mm_packus_epi16(b, b), alpha);
        _mm_storeu_si128((__m128i*)(out + 4 * x), _mm_unpacklo_epi16(rg, ba));
        _mm_storeu_si128((__m128i*)(out + 4 * x + 16), _mm_unpackhi_epi16(rg, ba));
    }
    const int done = halfChroma ? x / 2 : x;
    colourRowScalar(y + x, red + done, green + done, blue + done, halfChroma, width - x,
                    out + 4 * x);
}

void greyRowSse2(const uint8_t* y, int width, uint8_t* out) {
    const __m128i alpha = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i luma = _mm_loadu_si128((const __m128i*)(y + x));
        const __m128i yy0 = _mm_unpacklo_epi8(luma, luma), yy1 = _mm_unpackhi_epi8(luma, luma);
        const __m128i ya0 = _mm_unpacklo_epi8(luma, alpha), ya1 = _mm_unpackhi_epi8(luma, alpha);
        uint8_t* dst = out + 4 * x;
        _mm_storeu_si128((__m128i*)(dst + 0), _mm_unpacklo_epi16(yy0, ya0));
        _mm_storeu_si128((__m128i*)(dst + 16), _mm_unpackhi_epi16(yy0, ya0));
        _mm_storeu_si128((__m128i*)(dst + 32), _mm_unpacklo_epi16(yy1, ya1));
        _mm_storeu_si128((__m128i*)(dst + 48), _mm_unpackhi_epi16(yy1, ya1));
    }
    greyRowScalar(y + x, width - x, out + 4 * x);
}

const Kernels kSse2 = {"sse2",        idctSse2,    idctCoefficientsSse2,
                       colourRowSse2, greyRowSse2, chromaTermsScalar};

#endif

bool processorHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

const Kernels* kernelsFor(JpegKernels which) {
    static const Kernels* const avx2 = processorHasAvx2() ? avx2KernelsIfBuilt() : nullptr;
    switch (which) {
        case JpegKernels::Scalar:
            return &kScalar;
        case JpegKernels::Sse2:
#if defined(__SSE2__)
            return &kSse2;
#else
            return nullptr;
#endif
        case JpegKernels::Avx2:
            return avx2;
        case JpegKernels::Best:
            break;
    }
    if (avx2 != nullptr) {
        return avx2;
    }
#if defined(__SSE2__)
    return &kSse2;
#else
    return &kScalar;
#endif
}

}  // namespace jpeg
