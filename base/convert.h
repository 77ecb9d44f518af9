// Small helpers for the host boundary: text copies that always terminate and
// float-to-integer conversions that stay defined for any host value.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>

// Copies at most size - 1 characters of src into dst and terminates it; a
// null src copies as the empty text.
inline void copyText(char* dst, const char* src, std::size_t size) {
    if (!dst || size == 0) return;
    std::size_t n = src ? std::strlen(src) : 0;
    if (n > size - 1) n = size - 1;
    if (n > 0) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// Truncation toward zero into [lo, hi]; NaN counts as 0 before clamping. Host
// values reach table indices through this: converting a NaN or out-of-range
// float to int is undefined. Floats convert to double exactly, so in range this
// is the plain truncation of the float.
constexpr int truncClamped(double x, int lo, int hi) {
    if (!(x == x)) x = 0.0;
    if (!(x >= static_cast<double>(lo))) return lo;
    if (!(x <= static_cast<double>(hi))) return hi;
    return static_cast<int>(x);
}
