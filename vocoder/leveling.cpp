// Output leveling and interpolation.
#include "vocoder/leveling.h"

#include <algorithm>
#include <cmath>

#include "vocoder/steps.h"

Leveling::Leveling() { clearRing(); }

void Leveling::clearRing() { std::fill(std::begin(vocRing), std::end(vocRing), 0.0f); }

void Leveling::clearLevels() {
    carPeak = 0.0f;
    vocPeak = 0.0f;
    gainSmooth1 = {};
    gainSmooth2 = {};
    outputGain = 0.0f;
}

void Leveling::level(float bandSum, float decimatedCarrier) {
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
}

bool Leveling::finite() const {
    const float levels[] = {carPeak, vocPeak, gainSmooth1.pos, gainSmooth1.vel,
                            gainSmooth2.pos, gainSmooth2.vel, outputGain};
    return allFinite(levels) & allFinite(vocRing);
}
