// Output leveling: matches the band sum's level to the carrier's with a
// smoothed gain, delays it by a fixed lookahead and interpolates it 3:1 back
// to the processing rate.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "vocoder/filterbank.h"
#include "vocoder/talkforge.h"

inline constexpr int kVocRingSize = 512;
inline constexpr int kVocRingMask = kVocRingSize - 1;
inline constexpr int kVocDelay = 160;  // analysis steps between writing and the first read
inline constexpr int kInterpTaps = 11;  // taps per interpolation phase
// The latency: the decimation kernel's centre (31 / 2 frames), the lookahead
// ring read 159 analysis steps behind the newest band sum (3 frames each), and
// the interpolation kernel's centre (31 / 2 frames).
static_assert(kLatencyProcessedFrames == (kVocDelay - 1) * kDecimation + (kDecimationTaps - 1));
inline constexpr float kPeakDecay = -0.0021f;
inline constexpr float kMaxLevelRatio = 64.0f;
inline constexpr float kSmootherStep = 0.0234f;
inline constexpr float kSmootherDamping = 1.5f;
inline constexpr float kInterpGain = 3.0f;

// Position and velocity of a second-order gain smoother.
struct GainSmoother {
    float pos = 0.0f;
    float vel = 0.0f;

    // One step toward `drive`; the damping term is (1.5 A) vel.
    void step(float drive) {
        const float a = kSmootherStep;
        const float p = pos;
        const float v = vel;
        pos = p + a * v;
        vel = v + a * drive - a * p - kSmootherDamping * a * v;
    }
};

// The delayed band sum interpolated at phase 0..2, times 3 and `gain`. The
// band sum m analysis steps before the delayed one is sums[(delayed - m) & mask].
inline float interpolateBandSum(int phase, float gain, const float* sums, int delayed, int mask) {
    float u = 0.0f;
    for (int m = 0; m < kInterpTaps; ++m) {
        u = u + sums[(delayed - m) & mask] * kDecimationKernel[static_cast<std::size_t>(phase + kDecimation * m)];
    }
    return u * kInterpGain * gain;
}

struct Leveling {
    Leveling();

    float carPeak = 0.0f;
    float vocPeak = 0.0f;
    GainSmoother gainSmooth1;
    GainSmoother gainSmooth2;
    float outputGain = 0.0f;
    float vocRing[kVocRingSize];
    int vocRingPos = 0;
    bool ringFinite = true;  // no write since the last clear put a non-finite value into vocRing

    void clearRing();
    void clearLevels();  // peaks, smoothers and gain back to rest

    // Once per analysis step, with the band sum and the new decimated carrier sample.
    void level(float bandSum, float decimatedCarrier) {
        carPeak = std::max(carPeak, std::fabs(decimatedCarrier));
        carPeak = carPeak + carPeak * kPeakDecay;
        vocPeak = std::max(vocPeak, std::fabs(bandSum));
        vocPeak = vocPeak + vocPeak * kPeakDecay;
        // A silent band sum asks for the largest gain.
        float ratio = vocPeak > 0.0f ? carPeak / vocPeak : kMaxLevelRatio;
        if (ratio > kMaxLevelRatio) ratio = kMaxLevelRatio;
        smoothGain(ratio);
        vocRing[vocRingPos] = bandSum;
        vocRingPos = (vocRingPos + 1) & kVocRingMask;
        ringFinite &= std::fabs(bandSum) <= std::numeric_limits<float>::max();
    }

    // The ratio-to-gain path alone: the two smoothers in cascade.
    void smoothGain(float ratio) {
        gainSmooth1.step(ratio);
        gainSmooth2.step(gainSmooth1.pos);
        outputGain = gainSmooth2.pos;
    }

    // The delayed band sum interpolated at phase 0..2, times 3 and outputGain.
    float vocoded(int phase) const {
        return interpolateBandSum(phase, outputGain, vocRing, vocRingPos - kVocDelay, kVocRingMask);
    }

    bool finite() const;
};
