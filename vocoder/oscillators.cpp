// The carrier oscillators.
#include "vocoder/oscillators.h"

#include <algorithm>
#include <limits>

#include "vocoder/steps.h"

Oscillators::Oscillators() {
    std::fill(std::begin(pitchTable), std::end(pitchTable), 0);
    std::fill(std::begin(oscPhase), std::end(oscPhase), 0u);
    std::fill(std::begin(oscAmp), std::end(oscAmp), 0.0f);
    std::fill(std::begin(inc), std::end(inc), 0);
    std::fill(std::begin(target), std::end(target), 0.0f);
}

bool Oscillators::buildPitchTable(float internalRate) {
    if (!(internalRate > 0.0f && internalRate <= kMaxSampleRate)) return false;
    const double q = 1.0 / static_cast<double>(internalRate);
    const double g0 = static_cast<double>(kPitchBase) * q;

    // The entries grow along rows and columns: the last one is the largest.
    double largest = g0;
    for (int row = 1; row < kPitchTableRows; ++row) largest *= kSemitoneRatio;
    for (int col = 1; col < kPitchTableCols; ++col) largest *= kCentRatio;
    if (!(largest / kPitchEntryScale < static_cast<double>(std::numeric_limits<std::int32_t>::max()))) return false;

    // Each row starts exactly on its semitone; the cents are a running product within the row.
    double rowBase = g0;
    for (int row = 0; row < kPitchTableRows; ++row) {
        double g = rowBase;
        for (int col = 0; col < kPitchTableCols; ++col) {
            pitchTable[row * kPitchTableCols + col] = static_cast<std::int32_t>(g / kPitchEntryScale);
            g *= kCentRatio;
        }
        rowBase *= kSemitoneRatio;
    }
    ampSmoothing = static_cast<float>(kAmpSmoothingRate * q);
    return true;
}

void Oscillators::setDrone(const int pitchSteps[kNumOscillators], const float levels[kNumOscillators],
                           int octaveStep, int tuneStep) {
    const int base = kDroneBase + kCentsPerOctave * octaveStep + kTuneCentsPerStep * tuneStep;
    for (int k = 0; k < kNumOscillators; ++k) {
        inc[k] = increment(base + kCentsPerSemitone * pitchSteps[k]);
        target[k] = levels[k] + kDenormalOffset;
    }
}

void Oscillators::smoothAmplitudes() {
    for (int k = 0; k < kNumOscillators; ++k) {
        if (oscAmp[k] != target[k]) oscAmp[k] = oscAmp[k] + (target[k] - oscAmp[k]) / ampSmoothing;
    }
}

float Oscillators::render(int waveform, float carGain) {
    const std::uint32_t threshold = pulseThreshold;
    float sum = 0.0f;
    for (int k = 0; k < kNumOscillators; ++k) {
        const auto step = static_cast<std::uint32_t>(inc[k]);
        std::uint32_t phase = oscPhase[k];
        std::uint32_t phaseSum = 0;
        int above = 0;
        for (int s = 0; s < kSubSteps; ++s) {
            phase = (phase + step) & kPhaseMask;
            phaseSum += phase;
            above += phase > threshold ? 1 : 0;
        }
        oscPhase[k] = phase;
        // Four sub-step phases averaged: a falling sawtooth or a pulse with soft edges.
        const float value = waveform == kSawtooth ? static_cast<float>(phaseSum) * kSawScale + kWaveOffset
                                                  : static_cast<float>(above) * kPulseStep + kWaveOffset;
        sum = sum + value * oscAmp[k];
    }
    return sum * carGain + kDenormalOffset;
}

bool Oscillators::finite() const { return allFinite(oscAmp); }
