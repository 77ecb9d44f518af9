// Four lanes of SSE2, which every x86-64 processor has. Each operation is the
// lane-wise form of the scalar one it replaces, rounding for rounding.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <limits>

namespace {

struct Sse2Lanes {
    using F = __m128;
    using I = __m128i;
    static constexpr int kWidth = 4;

    static F load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, F v) { _mm_storeu_ps(p, v); }
    static F splat(float v) { return _mm_set1_ps(v); }
    static F zero() { return _mm_setzero_ps(); }
    static F add(F a, F b) { return _mm_add_ps(a, b); }
    static F sub(F a, F b) { return _mm_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F div(F a, F b) { return _mm_div_ps(a, b); }
    static F bitXor(F a, F b) { return _mm_xor_ps(a, b); }
    static F abs(F a) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), a); }
    // std::max(a, b): b where a < b, else a (so a NaN in b keeps a).
    static F max(F a, F b) { return _mm_max_ps(b, a); }
    // `then` where a != b (NaN counts as different), else `otherwise`.
    static F ifDifferent(F a, F b, F then, F otherwise) {
        const F m = _mm_cmpneq_ps(a, b);
        return _mm_or_ps(_mm_and_ps(m, then), _mm_andnot_ps(m, otherwise));
    }
    // Whether every lane of a has the bits of the same lane of b.
    static bool sameBits(F a, F b) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_castps_si128(a), _mm_castps_si128(b))) == 0xFFFF;
    }
    // a, or 0 where a is infinite or NaN.
    static F finiteOr0(F a) { return _mm_and_ps(_mm_cmple_ps(abs(a), splat(std::numeric_limits<float>::max())), a); }
    static void transpose(F (&rows)[kWidth]) { _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]); }

    static I loadInt(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void storeInt(void* p, I v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    static I splatInt(std::int32_t v) { return _mm_set1_epi32(v); }
    static bool allZeroInt(I a) { return _mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF; }
    static I addInt(I a, I b) { return _mm_add_epi32(a, b); }
    static I subInt(I a, I b) { return _mm_sub_epi32(a, b); }
    static I andInt(I a, I b) { return _mm_and_si128(a, b); }
    // All ones where a > b (signed), else 0.
    static I greater(I a, I b) { return _mm_cmpgt_epi32(a, b); }
    static F toFloat(I a) { return _mm_cvtepi32_ps(a); }
    // Lane j holds j * step, wrapping.
    static I ramp(std::int32_t step) {
        const auto s = static_cast<std::uint32_t>(step);
        return _mm_set_epi32(static_cast<std::int32_t>(3 * s), static_cast<std::int32_t>(2 * s), step, 0);
    }
};

}  // namespace
