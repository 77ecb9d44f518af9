// The 54-band filter bank: 3:1 decimation, two second-order sections per band
// for modulator and carrier, envelope followers, band gains, freeze and the
// formant-shifted resynthesis into one band sum.
#pragma once

#include <array>
#include <cstddef>

#include "vocoder/talkforge.h"

inline constexpr int kNumFilterBands = 54;
// Per-band arrays are padded to whole vectors of eight lanes; the padding
// lanes have zero coefficients and stay at 0.
inline constexpr int kBandLanes = 56;
inline constexpr int kRingSize = 32;  // processed-frame samples feeding the decimator
inline constexpr int kRingMask = kRingSize - 1;
inline constexpr int kDecimation = 3;
inline constexpr int kMaxFormantShift = 10;
inline constexpr int kFirstSliderBand = 2;  // filter band k follows slider k - 2
inline constexpr int kBandGainSteps = 66;  // bandGainCurve has kBandGainSteps + 1 entries
inline constexpr float kEnvelopeStep = 0.0117f;

// Symmetric 32-tap low-pass, plus a zero 33rd tap for the interpolator's third phase.
inline constexpr int kDecimationTaps = 32;
extern const std::array<float, kDecimationTaps + 1> kDecimationKernel;

// Band filter coefficients by column (c0..c7), band k in lane k.
struct BandCoeffColumns {
    float c[8][kBandLanes];
};
extern const BandCoeffColumns kBandFilterColumns;
// Frequency (Hz) at which band k's cascade peaks with unity gain at an analysis rate of 16 kHz.
extern const std::array<float, kNumFilterBands> kBandPeakHz;

// y1, y2 (or z1, z2) of one section for all bands.
struct SectionState {
    float s1[kBandLanes];
    float s2[kBandLanes];
};

struct FilterBank {
    FilterBank();

    float modRing[kRingSize];
    float carRing[kRingSize];
    int ringPos = 0;
    float modHist[3];  // x[n], x[n-1], x[n-2]
    float carHist[3];
    SectionState modStage1, modStage2, carStage1, carStage2;
    float envLevel[kBandLanes];
    float envVelocity[kBandLanes];
    float bandLevel[kBandLanes];
    int formantShift = 0;
    float bandGainCurve[kBandGainSteps + 1];

    // Per-block working values.
    float gain[kBandLanes];
    // The slider values and Flat the gains were last computed from.
    float gainSliders[kNumBands];
    bool gainFlat = false;
    bool gainsKnown = false;
    float bandPeak[kBandLanes];
    // Levels of the previous step, read by carrier bands below their modulator band.
    float prevBandLevel[kBandLanes];

    void reset();  // every filter state, ring and history to 0

    // Once per block: gains from the 50 slider values, or all 1.0 when flat.
    void setBandGains(const float* sliders, bool flat);

    // Writes one processed frame into the rings.
    void push(float mod, float car) {
        modRing[ringPos] = mod;
        carRing[ringPos] = car;
        ringPos = (ringPos + 1) & kRingMask;
    }

    // One analysis step: decimates the rings and runs the bands. Returns the
    // band sum; the new decimated carrier sample is carHist[0].
    float analyse(bool frozen);

    // The bands alone, given the new decimated samples (already in the histories).
    float runBands(bool frozen);

    // Every float of state is finite (the padding lanes aside).
    bool finite() const { return bandStatesFinite() && historyFinite(); }
    bool bandStatesFinite() const;  // the sections', envelopes' and levels' states
    bool historyFinite() const;     // the rings and the decimated samples
};

// Whether a "Freeze" value holds the envelopes: any value but 0 (NaN counts as 0).
constexpr bool frozenBy(float freeze) { return freeze != 0.0f && freeze == freeze; }

// One envelope-follower update from rest-state e, v and the rectified band signal.
inline void followEnvelope(float& e, float& v, float rectified) {
    const float a = kEnvelopeStep;
    const float e0 = e;
    const float v0 = v;
    e = e0 + a * v0;
    v = v0 + a * (rectified - e0) - a * v0;
}
