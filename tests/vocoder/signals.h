// Test signals.
#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

inline std::vector<float> sine(std::size_t n, double freq, double rate, float amp = 1.0f) {
    std::vector<float> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = amp * static_cast<float>(std::sin(2.0 * std::numbers::pi * freq * static_cast<double>(i) / rate));
    }
    return v;
}

// A band-limited sawtooth: the first twenty harmonics.
inline std::vector<float> saw(std::size_t n, double freq, double rate) {
    std::vector<float> v(n, 0.0f);
    for (int h = 1; h <= 20; ++h) {
        const auto partial = sine(n, freq * h, rate, 0.5f / static_cast<float>(h));
        for (std::size_t i = 0; i < n; ++i) v[i] += partial[i];
    }
    return v;
}

// A vowel-like modulator: a 140 Hz buzz with two formant-ish partial groups, gated in syllables.
inline std::vector<float> voiceLike(std::size_t n, double rate) {
    std::vector<float> v(n, 0.0f);
    for (int h = 1; h <= 30; ++h) {
        const double f = 140.0 * h;
        const float amp = 0.3f / static_cast<float>(1 + std::abs(h - 5)) + 0.2f / static_cast<float>(1 + std::abs(h - 16));
        const auto partial = sine(n, f, rate, amp);
        for (std::size_t i = 0; i < n; ++i) v[i] += partial[i];
    }
    const auto syllable = static_cast<std::size_t>(rate / 5.0);
    for (std::size_t i = 0; i < n; ++i) {
        if ((i / syllable) % 3 == 2) v[i] *= 0.05f;
    }
    return v;
}
