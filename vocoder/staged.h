// The staged code path: a block in chunks of frames, each chunk one stage after
// the other (inputs and synthesizer, analysis steps, output values, output
// writes), with the bands' arithmetic in vector lanes. Its output is the
// frame-by-frame path's, bit for bit.
#pragma once

#include <cstdint>

#include "base/relaxed.h"
#include "vocoder/eventqueue.h"
#include "vocoder/filterbank.h"
#include "vocoder/frame.h"
#include "vocoder/leveling.h"
#include "vocoder/meters.h"
#include "vocoder/oscillators.h"
#include "vocoder/voices.h"

inline constexpr int kChunkFrames = 256;  // host frames per chunk
inline constexpr int kMaxLanes = 8;       // the widest vectors the staged path uses
inline constexpr int kMaxChunkSteps = kChunkFrames / kDecimation + 1;
// The decimator's input of a chunk, its history first, split by position
// modulo 3 so that the windows of consecutive analysis steps lie side by side.
inline constexpr int kPhaseLength = (kRingSize + kChunkFrames + kDecimation * (kMaxLanes - 1)) / kDecimation + 1;
inline constexpr int kStepHistory = 2;  // decimated samples before a chunk's steps that its bands read
inline constexpr int kLevelMargin = 16;  // room on both sides of the band levels for the formant shift
static_assert(kLevelMargin >= kMaxFormantShift && kBandLanes % kMaxLanes == 0 && kOscLanes % kMaxLanes == 0);
// Every entry of vocRing that a chunk interpolates was written before the chunk
// and is not overwritten during it.
static_assert(kMaxChunkSteps < kVocDelay && kVocDelay + kInterpTaps + kMaxChunkSteps <= kVocRingSize);

// Working buffers of one chunk; nothing here outlives a block. Per processed
// frame, values sit at position kRingSize + frame of a sequence split by
// position modulo 3 (the decimator's input has the ring's 32 samples before
// them), so that the frames of one decimation phase lie side by side.
struct StagedScratch {
    float modIn[kChunkFrames] = {};  // conditioned inputs, per host frame
    float carIn[kChunkFrames] = {};
    std::uint8_t processed[kChunkFrames] = {};  // per host frame: 0 where half rate skips it
    float mod[kChunkFrames] = {};  // per processed frame: modulator, second input, synthesizer
    float ext[kChunkFrames] = {};
    float synth[kChunkFrames + kMaxLanes] = {};
    float modPhases[kDecimation][kPhaseLength] = {};  // the decimator's input
    float carPhases[kDecimation][kPhaseLength] = {};
    float dry[kDecimation][kPhaseLength] = {};  // the synthesizer's sample
    float output[kDecimation][kPhaseLength] = {};  // the output value
    // Per analysis step, padded to whole vectors.
    float stepMod[kStepHistory + kMaxChunkSteps + 2 * kMaxLanes] = {};  // decimated samples, two earlier ones first
    float stepCar[kStepHistory + kMaxChunkSteps + 2 * kMaxLanes] = {};
    float stepSum[kMaxChunkSteps + kMaxLanes] = {};  // band sums
    float stepGain[kMaxChunkSteps + 1 + kMaxLanes] = {};  // [g]: outputGain once g steps have run
    float terms[2][kMaxLanes][kBandLanes] = {};  // signed band-sum terms of two batches of steps
    // Under a formant shift: the band levels before a batch's steps and after
    // each, and the carrier bands of each step.
    float levelRows[kMaxLanes + 1][kLevelMargin + kBandLanes + kLevelMargin] = {};
    float carBands[kMaxLanes][kBandLanes] = {};
    float window[kMaxChunkSteps + kInterpTaps + kMaxLanes] = {};  // the part of vocRing the chunk interpolates
};

// Everything the signal path reads and writes, apart from the parameters.
struct SignalState {
    FrameState frameState;
    FilterBank filterBank;
    Leveling leveling;
    Oscillators oscillators;
    Voices voices;
    EventQueue eventQueue;
    StagedScratch staged;
};

// One block for the staged path, after the block's snapshot of the parameters.
struct BlockJob {
    const BlockValues& values;
    // In storage-slot order; "Waveform", "Synth vol" and "Freeze" are read as they go.
    const Relaxed<float>* paramValues;
    const float* const* inputs;
    float* const* outputs;
    int frames;
    BlockPeaks& peaks;
};

void runStagedSse2(SignalState& state, const BlockJob& job);
void runStagedAvx2(SignalState& state, const BlockJob& job);  // only where the processor has AVX2
// FilterBank::bandStatesFinite in SSE2 or AVX2 lanes.
bool bandStatesFiniteSse2(const FilterBank& filterBank);
bool bandStatesFiniteAvx2(const FilterBank& filterBank);  // only where the processor has AVX2
