// The per-block and per-frame frame of the signal path: rates, input
// conditioning, the 96 kHz half-rate mode and the output value.
#pragma once

#include "vocoder/steps.h"

inline constexpr float kHalfRateInternalRate = 48000.0f;
inline constexpr int kHalfRateSpan = 2;  // host frames per processed frame at half rate
inline constexpr int kLevelSteps = 99;  // levelCurve has kLevelSteps + 1 entries
inline constexpr float kLevelCurveStep = 0.0004f;  // entry 50 is 1.0
inline constexpr int kFormantSteps = kParameters[kFormant].steps;

// State of one biquad.
struct BiquadState {
    float x1 = 0.0f;
    float x2 = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
};

// Smooths the inputs and the output at half rate: unity at DC, a double zero at Nyquist.
inline constexpr float kHalfRateB0 = 0.7696482f;
inline constexpr float kHalfRateB1 = 1.5392964f;
inline constexpr float kHalfRateB2 = 0.7696482f;
inline constexpr float kHalfRateA1 = 1.4664061f;
inline constexpr float kHalfRateA2 = 0.6121868f;
inline float halfRateFilter(BiquadState& st, float x) {
    const float y = kHalfRateB0 * x + kHalfRateB1 * st.x1 + kHalfRateB2 * st.x2 - kHalfRateA1 * st.y1 -
                    kHalfRateA2 * st.y2;
    st.x2 = st.x1;
    st.x1 = x;
    st.y2 = st.y1;
    st.y1 = y;
    return y;
}

// One host frame's conditioned inputs through the input filters of half rate,
// in place. Returns whether the frame is processed: every other one is skipped.
inline bool filterHalfRate(BiquadState& modIn, BiquadState& carIn, int& phase, float& mod, float& car) {
    mod = halfRateFilter(modIn, mod);
    car = halfRateFilter(carIn, car);
    phase = (phase + 1) % kHalfRateSpan;
    return phase != 1;
}

// What a block reads from the parameters once, at its start.
struct BlockValues {
    bool external = false;  // the second input carries
    bool playback = false;  // MIDI voices rather than the drone
    int octaveStep = 0;
    int tuneStep = 0;
    float modGain = 0.0f;
    float carGain = 0.0f;
    float outGain = 0.0f;
    int readBank = 0;  // the event-queue bank this block reads
};

struct FrameState {
    FrameState();

    float cachedSampleRate = 0.0f;  // host rate the tables were last built for
    bool halfRate = false;
    int halfRatePhase = 0;
    BiquadState modInFilter, carInFilter, outFilter;
    float modSample = 0.0f;
    float extCarSample = 0.0f;
    float carSample = 0.0f;
    float synthSample = 0.0f;
    float lastOutput = 0.0f;
    int decimPhase = 0;
    float levelCurve[kLevelSteps + 1];

    // Gain of a "Mod.level", "Car.level" or "Out.level" value.
    float levelGain(float v) const {
        return levelCurve[truncClamped(static_cast<float>(kLevelSteps) * v + 0.5f, 0, kLevelSteps)];
    }

    // Takes one host frame's conditioned inputs, through the input filters at
    // half rate. Returns whether the frame is processed; at half rate every
    // other one is skipped and holds the last output.
    bool takeInputs(float mod, float car) {
        const bool processed = !halfRate || filterHalfRate(modInFilter, carInFilter, halfRatePhase, mod, car);
        if (!halfRate) halfRatePhase = 0;
        modSample = mod;
        extCarSample = car;
        return processed;
    }

    // The value a host frame writes to both outputs: the last output value,
    // through the output filter at half rate.
    float hostOutput() { return halfRate ? finiteOr0(halfRateFilter(outFilter, lastOutput)) : lastOutput; }

    void clearSignals();  // filters and held samples to 0
    bool finite() const;
};

// An input sample scaled by its level gain, plus the denormal offset; NaN and infinities count as 0.
inline float conditioned(float sample, float gain) { return finiteOr0(sample) * gain + kDenormalOffset; }

// A processed frame's output value: the dry synthesizer (only while it is the
// carrier) and the vocoded signal, times the output gain.
inline float frameOutput(const BlockValues& b, float synthSample, float synthVol, float vocoded) {
    const float dry = b.external ? 0.0f : synthSample * factorOf(synthVol);
    return finiteOr0((dry + vocoded) * b.outGain);
}

inline FrameState::FrameState() {
    for (int i = 0; i <= kLevelSteps; ++i) levelCurve[i] = static_cast<float>(i * i) * kLevelCurveStep;
}

inline void FrameState::clearSignals() {
    modInFilter = carInFilter = outFilter = {};
    modSample = extCarSample = carSample = synthSample = lastOutput = 0.0f;
}

inline bool FrameState::finite() const {
    const float values[] = {modInFilter.x1, modInFilter.x2, modInFilter.y1, modInFilter.y2,
                            carInFilter.x1, carInFilter.x2, carInFilter.y1, carInFilter.y2,
                            outFilter.x1,   outFilter.x2,   outFilter.y1,   outFilter.y2,
                            modSample,      extCarSample,   carSample,      synthSample,
                            lastOutput};
    return allFinite(values);
}

