// The six-oscillator carrier synthesizer: a one-cent pitch table for the
// current rate, 24-bit phase accumulators stepped four times per frame, and
// sawtooth or pulse waves averaged over the four sub-steps.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/convert.h"
#include "vocoder/parameters.h"

// The oscillators' arrays are padded to eight lanes; the padding lanes stay at 0.
inline constexpr int kOscLanes = 8;
inline constexpr int kPitchTableRows = 128;  // semitones
inline constexpr int kPitchTableCols = 100;  // cents
inline constexpr int kPitchTableSize = kPitchTableRows * kPitchTableCols;
inline constexpr int kCentsPerSemitone = kPitchTableCols;
inline constexpr int kCentsPerOctave = 12 * kCentsPerSemitone;
inline constexpr float kPitchBase = 7388111872.0f;
inline constexpr double kSemitoneRatio = 1.0594630943592953;  // 2^(1/12)
inline constexpr double kCentRatio = 1.0005777895065548;      // 2^(1/1200)
inline constexpr double kPitchEntryScale = 256.0;
inline constexpr double kAmpSmoothingRate = 2304000.0;  // ampSmoothing = this / internal rate
// The highest usable rate: toward 4.6 MHz ampSmoothing falls to 0.5, where the
// amplitude glide stops converging.
inline constexpr float kMaxSampleRate = 1000000.0f;
inline constexpr std::uint32_t kPhaseMask = 0xFFFFFF;
inline constexpr int kSubSteps = 4;
inline constexpr float kSawScale = -1.4901161e-08f;  // -2^-26: four summed phases to -1..0
inline constexpr float kWaveOffset = 0.5f;
inline constexpr float kPulseStep = -0.25f;

// Waveform choice trunc(3 v): 0 sawtooth, then three pulse widths.
enum Waveform : int { kSawtooth = 0, kSquare, kPulse25, kPulse10, kNumWaveforms };
inline constexpr int kWaveformSteps = kParameters[kWaveform].steps;  // trunc(3 v)
static_assert(kWaveformSteps == kNumWaveforms - 1 && kWaveformNames.size() == kNumWaveforms);
inline constexpr std::uint32_t kPulseThreshold[kNumWaveforms] = {0, 0x800000, 0x400000, 0x19999A};

// The waveform a "Waveform" value chooses.
constexpr int waveformOf(float v) {
    return truncClamped(static_cast<float>(kWaveformSteps) * v, 0, kWaveformSteps);
}

// Drone mode: pitch index = base + 1200 J + 2 T + 100 o.
inline constexpr int kDroneBase = 2600;
inline constexpr int kTuneSteps = kParameters[kTune].steps;
inline constexpr int kTuneCentsPerStep = 2;
inline constexpr int kOctaveSteps = kParameters[kOctave].steps;
inline constexpr int kOscPitchSteps = kParameters[kO1Freq].steps;

struct Oscillators {
    Oscillators();

    std::int32_t pitchTable[kPitchTableSize];  // read flat: row i / 100, column i mod 100
    std::uint32_t oscPhase[kOscLanes];
    float oscAmp[kOscLanes];
    float ampSmoothing = 1.0f;

    // Working values: this frame's increments and amplitude targets.
    std::int32_t inc[kOscLanes];
    float target[kOscLanes];
    std::uint32_t pulseThreshold = kPulseThreshold[kSquare];

    // Rebuilds the table and ampSmoothing for an internal rate; returns false and
    // keeps both when the rate is not positive, is above kMaxSampleRate (or NaN),
    // or the table's largest entry would not fit its integer.
    bool buildPitchTable(float internalRate);

    // The increment at a pitch index, clamped into the table.
    std::int32_t increment(int pitchIndex) const { return pitchTable[std::clamp(pitchIndex, 0, kPitchTableSize - 1)]; }

    // Drone mode, once per block: pitch steps 0..25 and levels of the six oscillators.
    void setDrone(const int pitchSteps[kNumOscillators], const float levels[kNumOscillators], int octaveStep,
                  int tuneStep);

    // Every processed frame: amplitudes glide toward their targets.
    void smoothAmplitudes();

    // Every frame the synthesizer runs: advances the phases, returns the sample.
    float render(int waveform, float carGain);

    bool finite() const;
};
