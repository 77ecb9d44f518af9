// What every benchmark of the plug-in's processing shares: the signals it
// processes, the host's floating-point mode and the thread's time.
#pragma once

#include <pmmintrin.h>
#include <time.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

// One second of a voice-like modulator (a buzz in syllables) and a sawtooth carrier.
struct Signals {
    std::vector<float> mod, car;
    explicit Signals(float rate) {
        const auto n = static_cast<std::size_t>(rate);
        mod.assign(n, 0.0f);
        car.assign(n, 0.0f);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate;
            for (int h = 1; h <= 20; ++h) {
                mod[i] += static_cast<float>(std::sin(2.0 * std::numbers::pi * 140.0 * h * t) / (1 + std::abs(h - 5)));
                car[i] += static_cast<float>(0.4 * std::sin(2.0 * std::numbers::pi * 110.0 * h * t) / h);
            }
            if ((i * 5 / n) % 2) mod[i] *= 0.1f;
        }
    }
};

// Hosts run their audio threads with denormals flushed to zero, in and out.
class HostFloatMode {
public:
    HostFloatMode() : saved(_mm_getcsr()) { _mm_setcsr(saved | _MM_FLUSH_ZERO_ON | _MM_DENORMALS_ZERO_ON); }
    ~HostFloatMode() { _mm_setcsr(saved); }
    HostFloatMode(const HostFloatMode&) = delete;
    HostFloatMode& operator=(const HostFloatMode&) = delete;

private:
    unsigned saved;
};

inline double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

