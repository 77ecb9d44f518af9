// Eight lanes of AVX2. Included only in the file compiled for AVX2, and used
// only after the processor has been found to support it. Each operation is the
// lane-wise form of the scalar one it replaces, rounding for rounding.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <limits>

namespace {

struct Avx2Lanes {
    using F = __m256;
    using I = __m256i;
    static constexpr int kWidth = 8;

    static F load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F splat(float v) { return _mm256_set1_ps(v); }
    static F zero() { return _mm256_setzero_ps(); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F div(F a, F b) { return _mm256_div_ps(a, b); }
    static F bitXor(F a, F b) { return _mm256_xor_ps(a, b); }
    static F abs(F a) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), a); }
    // std::max(a, b): b where a < b, else a (so a NaN in b keeps a).
    static F max(F a, F b) { return _mm256_max_ps(b, a); }
    // `then` where a != b (NaN counts as different), else `otherwise`.
    static F ifDifferent(F a, F b, F then, F otherwise) {
        return _mm256_blendv_ps(otherwise, then, _mm256_cmp_ps(a, b, _CMP_NEQ_UQ));
    }
    // Whether every lane of a has the bits of the same lane of b.
    static bool sameBits(F a, F b) {
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_castps_si256(a), _mm256_castps_si256(b))) == -1;
    }
    // a, or 0 where a is infinite or NaN.
    static F finiteOr0(F a) {
        return _mm256_and_ps(_mm256_cmp_ps(abs(a), splat(std::numeric_limits<float>::max()), _CMP_LE_OQ), a);
    }
    static void transpose(F (&r)[kWidth]) {
        const F t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
        const F t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
        const F t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
        const F t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
        const F u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        const F u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        const F u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const F u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
        const F u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
        const F u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
        const F u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
        const F u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
        constexpr int kLow = 0x20, kHigh = 0x31;  // the two 128-bit halves
        r[0] = _mm256_permute2f128_ps(u0, u4, kLow);
        r[1] = _mm256_permute2f128_ps(u1, u5, kLow);
        r[2] = _mm256_permute2f128_ps(u2, u6, kLow);
        r[3] = _mm256_permute2f128_ps(u3, u7, kLow);
        r[4] = _mm256_permute2f128_ps(u0, u4, kHigh);
        r[5] = _mm256_permute2f128_ps(u1, u5, kHigh);
        r[6] = _mm256_permute2f128_ps(u2, u6, kHigh);
        r[7] = _mm256_permute2f128_ps(u3, u7, kHigh);
    }

    static I loadInt(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void storeInt(void* p, I v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
    static I splatInt(std::int32_t v) { return _mm256_set1_epi32(v); }
    static bool allZeroInt(I a) { return _mm256_testz_si256(a, a) != 0; }
    static I addInt(I a, I b) { return _mm256_add_epi32(a, b); }
    static I subInt(I a, I b) { return _mm256_sub_epi32(a, b); }
    static I andInt(I a, I b) { return _mm256_and_si256(a, b); }
    // All ones where a > b (signed), else 0.
    static I greater(I a, I b) { return _mm256_cmpgt_epi32(a, b); }
    static F toFloat(I a) { return _mm256_cvtepi32_ps(a); }
    // Lane j holds j * step, wrapping.
    static I ramp(std::int32_t step) {
        return _mm256_mullo_epi32(_mm256_set1_epi32(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
};

}  // namespace
