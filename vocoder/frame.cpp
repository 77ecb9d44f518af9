// The audio entry: per-block snapshot of the parameters, then per frame the
// conditioning, the MIDI queue, the carrier, the analysis and the output value.
#include <algorithm>
#include <cmath>

#include "vocoder/engine.h"

void VocoderEngine::resetFilterState() {
    filterBank.reset();
    leveling.clearRing();
}

void VocoderEngine::updatePitchTable(float hostRate) {
    const bool half = hostRate == kHalfRateHostRate;
    // A rate the table cannot be built for keeps the last good one.
    if (!oscillators.buildPitchTable(half ? kHalfRateInternalRate : hostRate)) return;
    frameState.halfRate = half;
    if (!half) frameState.halfRatePhase = 0;
}

void VocoderEngine::recoverNonFiniteState() {
    // The staged paths check the bands' states in their own lanes, padding lanes included.
    const bool bands = path == CodePath::kAvx2   ? bandStatesFiniteAvx2(filterBank)
                       : path == CodePath::kSse2 ? bandStatesFiniteSse2(filterBank)
                                                 : filterBank.bandStatesFinite();
    if (bands && filterBank.historyFinite() && leveling.finite() && oscillators.finite() && frameState.finite()) return;
    resetFilterState();
    leveling.clearLevels();
    frameState.clearSignals();
    std::fill(std::begin(oscillators.oscAmp), std::end(oscillators.oscAmp), 0.0f);
}

int VocoderEngine::waveformChoice() const { return waveformOf(paramValue(kWaveform)); }

BlockValues VocoderEngine::beginBlock(float rate) {
    BlockValues b;
    // Carrier choice and the synthesizer's per-block values. In drone mode the
    // increments come from the table as it stands before a rate change below.
    b.external = switchOn(paramValue(kSource));
    b.playback = switchOn(paramValue(kPlayback));
    b.octaveStep = truncClamped(static_cast<float>(kOctaveSteps) * paramValue(kOctave), 0, kOctaveSteps);
    b.tuneStep = truncClamped(static_cast<float>(kTuneSteps) * paramValue(kTune), 0, kTuneSteps);
    if (!b.playback) {
        int pitchSteps[kNumOscillators];
        float levels[kNumOscillators];
        for (int k = 0; k < kNumOscillators; ++k) {
            pitchSteps[k] = truncClamped(static_cast<float>(kOscPitchSteps) * paramValue(kOscPitchParams[k]) + 0.5f, 0,
                                      kOscPitchSteps);
            levels[k] = factorOf(paramValue(kOscLevelParams[k]));
        }
        oscillators.setDrone(pitchSteps, levels, b.octaveStep, b.tuneStep);
    }

    if (rate != frameState.cachedSampleRate) {
        frameState.cachedSampleRate = rate;
        updatePitchTable(rate);
    }

    filterBank.formantShift =
        truncClamped(static_cast<float>(kFormantSteps) * paramValue(kFormant), 0, kFormantSteps) - kMaxFormantShift;
    const int waveform = waveformChoice();
    if (waveform != kSawtooth) oscillators.pulseThreshold = kPulseThreshold[waveform];
    b.modGain = frameState.levelGain(paramValue(kModLevel));
    b.carGain = frameState.levelGain(paramValue(kCarLevel));
    b.outGain = frameState.levelGain(paramValue(kOutLevel));

    std::fill(std::begin(filterBank.bandPeak), std::end(filterBank.bandPeak), 0.0f);
    // One read of each band level, while another thread may set them; a
    // loop of loads and stores only, unrolled, as cheap as the comparison.
    const Relaxed<float>* bandLevels = &paramValues[paramSlot(kBand1)];
    float bandValues[kNumBands];
#pragma GCC unroll 50
    for (int i = 0; i < kNumBands; ++i) bandValues[i] = bandLevels[i];
    filterBank.setBandGains(bandValues, switchOn(paramValue(kFlat)));

    // processEvents fills the other bank meanwhile.
    b.readBank = eventQueue.eventBank;
    eventQueue.eventBank = (eventQueue.eventBank + 1) % kEventBanks;
    return b;
}

void VocoderEngine::runFrame(const BlockValues& b, int readIndex, BlockPeaks& peaks) {
    FrameState& f = frameState;
    voices.handleSlot(eventQueue, b.readBank, readIndex, b.playback);
    if (b.playback) voices.control(oscillators, b.octaveStep, b.tuneStep);
    oscillators.smoothAmplitudes();
    if (b.external) {
        f.carSample = f.extCarSample;
    } else {
        f.synthSample = oscillators.render(waveformChoice(), b.carGain);  // re-read every frame
        f.carSample = f.synthSample;
    }

    filterBank.push(f.modSample, f.carSample);
    f.decimPhase = (f.decimPhase + 1) % kDecimation;
    if (f.decimPhase == 0) {
        const float bandSum = filterBank.analyse(frozenBy(paramValue(kFreeze)));
        leveling.level(bandSum, filterBank.carHist[0]);
    }

    f.lastOutput = frameOutput(b, f.synthSample, paramValue(kSynthVol), leveling.vocoded(f.decimPhase));
    peaks.mod = std::max(peaks.mod, std::fabs(f.modSample));
    peaks.car = std::max(peaks.car, std::fabs(f.carSample));
    peaks.out = std::max(peaks.out, std::fabs(f.lastOutput));
}

void VocoderEngine::runFrames(const BlockValues& b, const float* const* inputs, float* const* outputs, int sampleFrames,
                              BlockPeaks& peaks) {
    int readIndex = 0;  // advances once per processed frame
    FrameState& f = frameState;
    for (int n = 0; n < sampleFrames; ++n) {
        // Inputs are read before this frame's outputs are written: the buffers may be shared.
        if (f.takeInputs(conditioned(inputs[0][n], b.modGain), conditioned(inputs[1][n], b.carGain))) {
            runFrame(b, readIndex++, peaks);
        }
        const float o = f.hostOutput();
        outputs[0][n] = o;
        outputs[1][n] = o;
    }
}

bool VocoderEngine::useCodePath(CodePath wanted) {
    if (!codePathSupported(wanted)) return false;
    path = wanted;
    return true;
}

void VocoderEngine::process(const float* const* inputs, float* const* outputs, int sampleFrames, float hostRate) {
    if (sampleFrames > 0 && (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])) return;
    if (sampleFrames > kMaxBlockFrames) {
        // Too long for the event queue: nothing is processed, the outputs are silent.
        std::fill(outputs[0], outputs[0] + sampleFrames, 0.0f);
        std::fill(outputs[1], outputs[1] + sampleFrames, 0.0f);
        return;
    }
    recoverNonFiniteState();
    const BlockValues b = beginBlock(hostRate);
    BlockPeaks peaks;
    const BlockJob job{b, paramValues, inputs, outputs, sampleFrames, peaks};
    switch (path) {
    case CodePath::kAvx2:
        runStagedAvx2(*this, job);
        break;
    case CodePath::kSse2:
        runStagedSse2(*this, job);
        break;
    case CodePath::kFrameByFrame:
        runFrames(b, inputs, outputs, sampleFrames, peaks);
        break;
    }

    // Acquire: the reader cleared the meters before it attached them.
    if (LevelMeterRecord* meters = levelMeters.load(std::memory_order_acquire))
        publishMeters(*meters, bandMeterRecord, peaks, filterBank.bandPeak);
}
