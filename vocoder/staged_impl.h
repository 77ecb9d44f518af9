// The staged code path, written once for any lane type L (see lanes_sse2.h).
//
// A block runs in chunks of up to kChunkFrames host frames, each chunk in four
// stages: the inputs, MIDI events and synthesizer frame by frame; the analysis
// steps; the output value of every processed frame; the writes to the host's
// buffers. No stage feeds an earlier one within a chunk, so this order gives
// the frame-by-frame results. Each lane does the scalar operations in the
// scalar order, and every sum whose order fixes its rounding (the decimator's
// taps, the oscillators, the band sum, the interpolator's taps) is still taken
// in that order; independent sums (of several steps, or both signals) run side
// by side in lanes instead.
//
// Included by one source file per instruction set, after that set's target is
// enabled; everything here has internal linkage, so the compilations never mix.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "vocoder/staged.h"
#include "vocoder/steps.h"

namespace {

// The oscillators in lanes, kept in registers over a chunk.
template <class L>
class OscillatorLanes {
public:
    using F = typename L::F;
    using I = typename L::I;
    static constexpr int kWidth = L::kWidth;
    static constexpr int kVectors = kOscLanes / kWidth;

    explicit OscillatorLanes(Oscillators& o) : osc(o) {
        for (int g = 0; g < kVectors; ++g) {
            amp[g] = L::load(osc.oscAmp + g * kWidth);
            phase[g] = L::loadInt(osc.oscPhase + g * kWidth);
            target[g] = L::load(osc.target + g * kWidth);
            setIncrement(g);
        }
        // Amplitudes that a glide would leave as they are have settled already.
        const F smoothing = L::splat(osc.ampSmoothing);
        isSettled = true;
        for (int g = 0; g < kVectors; ++g) isSettled &= L::sameBits(glided(g, smoothing), amp[g]);
    }

    // The increments and targets as they stand (the voices set them every frame).
    void takeWorkingValues() {
        for (int g = 0; g < kVectors; ++g) {
            setIncrement(g);
            const F t = L::load(osc.target + g * kWidth);
            if (!L::sameBits(t, target[g])) isSettled = false;
            target[g] = t;
        }
    }

    void smoothAmplitudes() {
        // A glide that leaves every amplitude as it was will do so again while
        // the targets stay: the amplitudes have settled for this chunk.
        if (isSettled) return;
        const F smoothing = L::splat(osc.ampSmoothing);
        isSettled = true;
        for (int g = 0; g < kVectors; ++g) {
            const F next = glided(g, smoothing);
            isSettled &= L::sameBits(next, amp[g]);
            amp[g] = next;
        }
    }

    // As Oscillators::render: four sub-steps per oscillator, then the six
    // values summed in oscillator order.
    float render(int waveform, float carGain) {
        const I mask = L::splatInt(static_cast<std::int32_t>(kPhaseMask));
        const I threshold = L::splatInt(static_cast<std::int32_t>(osc.pulseThreshold));
        float weighted[kOscLanes];
        for (int g = 0; g < kVectors; ++g) {
            // Sub-step s is s increments on, wrapped: the same as wrapping after each one.
            I p[kSubSteps];
            for (int step = 0; step < kSubSteps; ++step) p[step] = L::andInt(L::addInt(phase[g], stepInc[step][g]), mask);
            phase[g] = p[kSubSteps - 1];
            const F value = valueOf(waveform, p, threshold);
            L::store(weighted + g * kWidth, L::mul(value, amp[g]));
        }
        float sum = 0.0f;
        for (int k = 0; k < kNumOscillators; ++k) sum = sum + weighted[k];
        return sum * carGain + kDenormalOffset;
    }

    bool settled() const { return isSettled; }

    // As `count` calls of render with settled amplitudes, the samples written
    // to out (which has room for whole vectors). Each lane is one frame, each
    // oscillator's value added in oscillator order.
    void renderRun(int waveform, float carGain, float* out, int count) {
        std::uint32_t phases[kOscLanes];
        std::int32_t incs[kOscLanes];
        float amps[kOscLanes];
        for (int g = 0; g < kVectors; ++g) {
            L::storeInt(phases + g * kWidth, phase[g]);
            L::storeInt(incs + g * kWidth, stepInc[0][g]);
            L::store(amps + g * kWidth, amp[g]);
        }
        // Lane j of start[k]: oscillator k's phase before frame j.
        constexpr auto kFrameSteps = static_cast<std::uint32_t>(kSubSteps);
        I start[kNumOscillators];
        for (int k = 0; k < kNumOscillators; ++k) {
            const auto frameInc = static_cast<std::int32_t>(kFrameSteps * static_cast<std::uint32_t>(incs[k]));
            start[k] = L::addInt(L::splatInt(static_cast<std::int32_t>(phases[k])), L::ramp(frameInc));
        }
        const I mask = L::splatInt(static_cast<std::int32_t>(kPhaseMask));
        const I threshold = L::splatInt(static_cast<std::int32_t>(osc.pulseThreshold));
        for (int j = 0; j < count; j += kWidth) {
            F sum = L::zero();
            for (int k = 0; k < kNumOscillators; ++k) {
                const I inc = L::splatInt(incs[k]);
                I p[kSubSteps];
                p[0] = L::andInt(L::addInt(start[k], inc), mask);
                for (int step = 1; step < kSubSteps; ++step) p[step] = L::andInt(L::addInt(p[step - 1], inc), mask);
                start[k] = L::addInt(start[k], L::splatInt(static_cast<std::int32_t>(kFrameSteps * kWidth * static_cast<std::uint32_t>(incs[k]))));
                sum = L::add(sum, L::mul(valueOf(waveform, p, threshold), L::splat(amps[k])));
            }
            L::store(out + j, L::add(L::mul(sum, L::splat(carGain)), L::splat(kDenormalOffset)));
        }
        for (int k = 0; k < kNumOscillators; ++k) {
            const auto frames = static_cast<std::uint32_t>(count);
            phases[k] = (phases[k] + kFrameSteps * frames * static_cast<std::uint32_t>(incs[k])) & kPhaseMask;
        }
        for (int g = 0; g < kVectors; ++g) phase[g] = L::loadInt(phases + g * kWidth);
    }

    void save() {
        for (int g = 0; g < kVectors; ++g) {
            L::store(osc.oscAmp + g * kWidth, amp[g]);
            L::storeInt(osc.oscPhase + g * kWidth, phase[g]);
        }
    }

private:
    // The amplitudes of vector g after one step of their glide.
    F glided(int g, F smoothing) const {
        const F step = L::add(amp[g], L::div(L::sub(target[g], amp[g]), smoothing));
        return L::ifDifferent(amp[g], target[g], step, amp[g]);
    }

    // A falling sawtooth or a pulse, averaged over the four sub-step phases.
    static F valueOf(int waveform, const I (&p)[kSubSteps], I threshold) {
        if (waveform == kSawtooth) {
            const I phaseSum = L::addInt(L::addInt(p[0], p[1]), L::addInt(p[2], p[3]));
            return L::add(L::mul(L::toFloat(phaseSum), L::splat(kSawScale)), L::splat(kWaveOffset));
        }
        // A comparison is -1 where true, so subtracting them counts.
        const I above = L::subInt(L::subInt(L::splatInt(0), L::addInt(L::greater(p[0], threshold), L::greater(p[1], threshold))),
                                  L::addInt(L::greater(p[2], threshold), L::greater(p[3], threshold)));
        return L::add(L::mul(L::toFloat(above), L::splat(kPulseStep)), L::splat(kWaveOffset));
    }

    void setIncrement(int g) {
        const I inc = L::loadInt(osc.inc + g * kWidth);
        stepInc[0][g] = inc;
        for (int step = 1; step < kSubSteps; ++step) stepInc[step][g] = L::addInt(stepInc[step - 1][g], inc);
    }

    Oscillators& osc;
    F amp[kVectors], target[kVectors];
    I phase[kVectors];
    I stepInc[kSubSteps][kVectors];  // 1, 2, 3 and 4 increments
    bool isSettled = false;
};

// A position in a sequence split by position modulo 3: entry `at` lies at [at % 3][at / 3].
struct PhasePosition {
    int phase;
    int index;
    explicit PhasePosition(int at) : phase(at % kDecimation), index(at / kDecimation) {}
    void advance() {
        if (++phase == kDecimation) {
            phase = 0;
            ++index;
        }
    }
};

// Calls visit(i, phase, index) for i = 0 .. count - 1, where position at + i
// of a sequence split by phase lies.
template <class Visit>
void forPositions(int at, int count, Visit visit) {
    PhasePosition pos(at);
    int i = 0;
    for (; i < count && pos.phase != 0; ++i, pos.advance()) visit(i, pos.phase, pos.index);
    for (; i + kDecimation <= count; i += kDecimation, ++pos.index) {
        visit(i, 0, pos.index);
        visit(i + 1, 1, pos.index);
        visit(i + 2, 2, pos.index);
    }
    for (; i < count; ++i, pos.advance()) visit(i, pos.phase, pos.index);
}

// Copies `count` values into a sequence split by phase, from position `at` on.
template <int N>
void toPhases(const float* from, int count, int at, float (&phases)[kDecimation][N]) {
    forPositions(at, count, [&](int i, int phase, int index) { phases[phase][index] = from[i]; });
}

template <class L>
class StagedBlock {
public:
    using F = typename L::F;
    static constexpr int kWidth = L::kWidth;

    StagedBlock(SignalState& signal, const BlockJob& block)
        : state(signal), job(block), b(block.values), scratch(signal.staged), peaks(block.peaks) {}

    void run() {
        int readIndex = 0;  // advances once per processed frame
        for (int start = 0; start < job.frames; start += kChunkFrames) {
            const int count = std::min(kChunkFrames, job.frames - start);
            const int vocStart = state.leveling.vocRingPos;
            scratch.stepGain[0] = state.leveling.outputGain;
            const int phaseBefore = state.frameState.decimPhase;
            const int processed = takeInputs(start, count, readIndex);
            // Frame p's decimation phase is (phaseBefore + p + 1) mod 3; the
            // steps fall on the frames where it is 0, three apart.
            const int firstStep = (kDecimation - 1 - phaseBefore) % kDecimation;
            const int steps = firstStep < processed ? (processed - 1 - firstStep) / kDecimation + 1 : 0;
            analyse(firstStep, steps);
            computeOutputs(processed, phaseBefore, firstStep, steps, vocStart);
            writeOutputs(start, count);
        }
    }

private:
    SignalState& state;
    const BlockJob& job;
    const BlockValues& b;
    StagedScratch& scratch;
    BlockPeaks& peaks;

    float param(int index) const { return job.paramValues[paramSlot(index)]; }

    // ---- Stage 1: inputs, events and synthesizer, frame by frame ----

    static void condition(const float* in, int count, float gain, float* out) {
        const F g = L::splat(gain);
        const F offset = L::splat(kDenormalOffset);
        int n = 0;
        for (; n + kWidth <= count; n += kWidth) {
            L::store(out + n, L::add(L::mul(L::finiteOr0(L::load(in + n)), g), offset));
        }
        for (; n < count; ++n) out[n] = conditioned(in[n], gain);
    }

    // std::max(peak, |v[i]|) over the values; peak is never NaN, so the order does not matter.
    static float maxOfAbs(float peak, const float* v, int count) {
        F most = L::splat(peak);
        int i = 0;
        for (; i + kWidth <= count; i += kWidth) most = L::max(most, L::abs(L::load(v + i)));
        float lanes[kWidth];
        L::store(lanes, most);
        for (float lane : lanes) peak = std::max(peak, lane);
        for (; i < count; ++i) peak = std::max(peak, std::fabs(v[i]));
        return peak;
    }

    // Returns the number of processed frames.
    int takeInputs(int start, int count, int& readIndex) {
        condition(job.inputs[0] + start, count, b.modGain, scratch.modIn);
        condition(job.inputs[1] + start, count, b.carGain, scratch.carIn);
        FrameState& f = state.frameState;
        int processed = 0;
        const float* mod = scratch.modIn;
        const float* ext = scratch.carIn;
        if (f.halfRate) {
            // The filter states stay in registers over the loop.
            BiquadState modFilter = f.modInFilter;
            BiquadState carFilter = f.carInFilter;
            float m = f.modSample;
            float c = f.extCarSample;
            for (int n = 0; n < count; ++n) {
                m = scratch.modIn[n];
                c = scratch.carIn[n];
                const bool keep = filterHalfRate(modFilter, carFilter, f.halfRatePhase, m, c);
                scratch.processed[n] = keep;
                scratch.mod[processed] = m;
                scratch.ext[processed] = c;
                processed += keep;
            }
            f.modInFilter = modFilter;
            f.carInFilter = carFilter;
            f.modSample = m;
            f.extCarSample = c;
            mod = scratch.mod;
            ext = scratch.ext;
        } else if (count > 0) {
            f.takeInputs(scratch.modIn[count - 1], scratch.carIn[count - 1]);
            processed = count;
        }

        OscillatorLanes<L> osc(state.oscillators);
        const int* queued = state.eventQueue.eventStatus[b.readBank] + readIndex;
        const Relaxed<float>* waveformParam = &job.paramValues[paramSlot(kWaveform)];
        const bool playback = b.playback;
        const bool external = b.external;
        float waveformValue = *waveformParam;
        int waveform = waveformOf(waveformValue);
        // Frames whose oscillators keep their increments and settled amplitudes
        // wait in a run, rendered side by side once an increment, a target or
        // the waveform changes.
        int runStart = 0;
        const auto endRun = [&](int end) {
            if (!external && end > runStart) osc.renderRun(waveform, b.carGain, scratch.synth + runStart, end - runStart);
            runStart = end;
        };
        // The waveform is re-read every frame.
        const auto readWaveform = [&](int frame) {
            if (*waveformParam == waveformValue) return;
            endRun(frame);
            waveformValue = *waveformParam;
            waveform = waveformOf(waveformValue);
        };
        // In playback mode the increments and targets change only with the
        // pitch or an event; nothing else writes them during the chunk.
        int voicesBase = 0;
        bool voicesSet = false;
        int glided[kWidth];  // the pitch indices of frames glidedFrom .. glidedTo - 1
        int glidedFrom = 0;
        int glidedTo = 0;
        for (int p = 0; p < processed; ++p) {
            if (!playback && osc.settled()) {
                // The drone's increments stay and no event changes an oscillator:
                // only a change of waveform ends the run. Frames with no event
                // queued go a vector of them at a time.
                while (p < processed) {
                    if (p + kWidth <= processed && L::allZeroInt(L::loadInt(queued + p))) {
                        // One read for the vector: nothing here changes the value, so
                        // only another thread can, and its change lands at a frame of it.
                        readWaveform(p);
                        p += kWidth;
                        continue;
                    }
                    if (queued[p] != 0) state.voices.handleSlot(state.eventQueue, b.readBank, readIndex + p, playback);
                    readWaveform(p);
                    ++p;
                }
                break;
            }
            if (queued[p] != 0) {
                state.voices.handleSlot(state.eventQueue, b.readBank, readIndex + p, playback);
                voicesSet = false;
            }
            if (playback) {
                if (p == glidedTo) {
                    // Frames with no event queued glide a vector of them at a time.
                    const int ahead = p + kWidth <= processed && L::allZeroInt(L::loadInt(queued + p)) ? kWidth : 1;
                    state.voices.glideRun(b.octaveStep, b.tuneStep, glided, ahead);
                    glidedFrom = p;
                    glidedTo = p + ahead;
                }
                const int base = glided[p - glidedFrom];
                if (!voicesSet || base != voicesBase) {
                    endRun(p);
                    state.voices.setOscillators(state.oscillators, base);
                    osc.takeWorkingValues();
                    voicesBase = base;
                    voicesSet = true;
                }
            }
            readWaveform(p);
            if (osc.settled()) continue;  // the frame joins the run
            endRun(p);
            osc.smoothAmplitudes();
            if (!external) scratch.synth[p] = osc.render(waveform, b.carGain);
            runStart = p + 1;
        }
        readIndex += processed;
        endRun(processed);
        osc.save();
        if (processed == 0) return 0;

        const float* car = b.external ? ext : scratch.synth;
        if (!b.external) f.synthSample = scratch.synth[processed - 1];
        f.carSample = car[processed - 1];
        peaks.mod = maxOfAbs(peaks.mod, mod, processed);
        peaks.car = maxOfAbs(peaks.car, car, processed);
        f.decimPhase = (f.decimPhase + processed) % kDecimation;

        // The decimator's input and the synthesizer's samples, split by phase.
        FilterBank& fb = state.filterBank;
        forPositions(0, kRingSize, [&](int i, int phase, int index) {
            const int from = (fb.ringPos + i) & kRingMask;
            scratch.modPhases[phase][index] = fb.modRing[from];
            scratch.carPhases[phase][index] = fb.carRing[from];
        });
        toPhases(mod, processed, kRingSize, scratch.modPhases);
        toPhases(car, processed, kRingSize, scratch.carPhases);
        if (!b.external) toPhases(scratch.synth, processed, kRingSize, scratch.dry);
        // The rings end up holding the last 32 samples, as pushing them one by one leaves them.
        fb.ringPos = (fb.ringPos + processed) & kRingMask;
        forPositions(processed, kRingSize, [&](int i, int phase, int index) {
            const int to = (fb.ringPos + i) & kRingMask;
            fb.modRing[to] = scratch.modPhases[phase][index];
            fb.carRing[to] = scratch.carPhases[phase][index];
        });
        return processed;
    }

    // ---- Stage 2: the analysis steps ----

    // The decimator for kWidth consecutive steps, one per lane, both signals
    // side by side, taken a few taps at a time. The taps go in groups of three,
    // one from each phase of the split input.
    class Decimator {
    public:
        static constexpr int kGroups = (kDecimationTaps + kDecimation - 1) / kDecimation;

        // `first`: where the oldest sample of the first step's window lies.
        Decimator(const StagedScratch& scratch, int first) {
            for (int r = 0; r < kDecimation; ++r) {
                const PhasePosition at(first + r);
                mods[r] = &scratch.modPhases[at.phase][at.index];
                cars[r] = &scratch.carPhases[at.phase][at.index];
            }
        }

        // Adds the taps of the groups up to `end`, in tap order.
        void advanceTo(int end) {
            for (; group < end; ++group) {
                for (int r = 0; r < kDecimation; ++r) {
                    const int i = kDecimation * group + r;
                    if (i == kDecimationTaps) break;
                    const F tap = L::splat(kDecimationKernel[static_cast<std::size_t>(i)]);
                    sumMod = L::add(sumMod, L::mul(tap, L::load(mods[r] + group)));
                    sumCar = L::add(sumCar, L::mul(tap, L::load(cars[r] + group)));
                }
            }
        }

        void finish(float* mod, float* car) {
            advanceTo(kGroups);
            L::store(mod, sumMod);
            L::store(car, sumCar);
        }

    private:
        const float* mods[kDecimation];
        const float* cars[kDecimation];
        F sumMod = L::zero();
        F sumCar = L::zero();
        int group = 0;
    };

    // The band sums of kWidth steps, one per lane, each in ascending band
    // order, taken a tile of kWidth bands at a time.
    class BandSum {
    public:
        static constexpr int kTiles = kBandLanes / kWidth;

        BandSum(const float (&stepTerms)[kMaxLanes][kBandLanes], int shift)
            : terms(stepTerms),
              first(std::max(0, shift)),
              last(std::min(kNumFilterBands - 1, kNumFilterBands - 1 + shift)),
              tile(first / kWidth) {}

        // Adds the bands of the tiles up to `end`.
        void advanceTo(int end) {
            for (; tile < end && tile * kWidth <= last; ++tile) {
                const int o = tile * kWidth;
                F bands[kWidth];
                for (int j = 0; j < kWidth; ++j) bands[j] = L::load(terms[j] + o);
                L::transpose(bands);  // now band o + i of every step in bands[i]
                if (o >= first && o + kWidth - 1 <= last) {
                    for (int i = 0; i < kWidth; ++i) sum = L::add(sum, bands[i]);
                } else {
                    // Fixed indices keep the bands in registers.
                    for (int i = 0; i < kWidth; ++i) {
                        if (o + i >= first && o + i <= last) sum = L::add(sum, bands[i]);
                    }
                }
            }
        }

        void finish(float* sums) {
            advanceTo(kTiles);
            L::store(sums, sum);
        }

    private:
        const float (&terms)[kMaxLanes][kBandLanes];
        const int first;
        const int last;
        int tile;
        F sum = L::zero();
    };

    // The steps go in batches of kWidth, whose bands run one vector of bands at
    // a time through all the batch's steps. Meanwhile the next batch is
    // decimated, and the previous batch's band sums are added up (over the
    // first half of the vectors) and leveled (over the second half), a part
    // after each vector, so that these long chains of dependent operations hide
    // behind the bands' work.
    void analyse(int firstStep, int steps) {
        if (steps == 0) return;
        FilterBank& fb = state.filterBank;
        const int shift = fb.formantShift;
        // The decimated samples of the steps, after the two before them.
        scratch.stepMod[0] = fb.modHist[1];
        scratch.stepMod[1] = fb.modHist[0];
        scratch.stepCar[0] = fb.carHist[1];
        scratch.stepCar[1] = fb.carHist[0];
        float* const mods = scratch.stepMod + kStepHistory;
        float* const cars = scratch.stepCar + kStepHistory;
        const int batches = (steps + kWidth - 1) / kWidth;
        constexpr int kVectors = kBandLanes / kWidth;
        constexpr int kHalf = kVectors / 2;
        // A step's window ends at its frame's sample, kRingSize + frame.
        const auto windowStart = [firstStep](int batch) { return firstStep + kDecimation * kWidth * batch + 1; };
        Decimator(scratch, windowStart(0)).finish(mods, cars);
        for (int batch = 0; batch <= batches; ++batch) {
            const int first = kWidth * batch;
            const int count = std::clamp(steps - first, 0, kWidth);
            const bool decimating = batch + 1 < batches;
            const int previous = first - kWidth;  // the previous batch's first step
            // One read for the batch's steps: only another thread changes the
            // value meanwhile, and its change lands at a step of the batch.
            const bool freeze = frozenBy(param(kFreeze));
            bool frozen[kWidth];
            bool anyFrozen = false;
            for (int j = 0; j < count; ++j) {
                frozen[j] = freeze;
                anyFrozen |= frozen[j];
            }
            if (count > 0 && shift < 0) copyLevels(fb.bandLevel, scratch.levelRows[0] + kLevelMargin);
            Decimator decimator(scratch, windowStart(decimating ? batch + 1 : 0));
            BandSum bandSum(scratch.terms[(batch + 1) & 1], shift);
            for (int v = 0; v < kVectors; ++v) {
                if (count > 0) runBandVector(kWidth * v, mods + first, cars + first, count, anyFrozen ? frozen : nullptr,
                                             scratch.terms[batch & 1]);
                if (decimating) decimator.advanceTo((v + 1) * Decimator::kGroups / kVectors);
                if (batch == 0) continue;
                if (v < kHalf) {
                    bandSum.advanceTo((v + 1) * BandSum::kTiles / kHalf);
                    if (v == kHalf - 1) bandSum.finish(scratch.stepSum + previous);
                    continue;
                }
                const int to = std::min((v - kHalf + 1) * kWidth / (kVectors - kHalf), steps - previous);
                for (int i = (v - kHalf) * kWidth / (kVectors - kHalf); i < to; ++i) {
                    state.leveling.level(scratch.stepSum[previous + i], cars[previous + i]);
                    scratch.stepGain[previous + i + 1] = state.leveling.outputGain;
                }
            }
            if (count > 0 && shift != 0) shiftedTerms(count, scratch.terms[batch & 1]);
            if (decimating) decimator.finish(mods + first + kWidth, cars + first + kWidth);
        }
        for (int i = 0; i < 3; ++i) {
            fb.modHist[i] = mods[steps - 1 - i];
            fb.carHist[i] = cars[steps - 1 - i];
        }
    }

    static void copyLevels(const float* from, float* to) {
        for (int o = 0; o < kBandLanes; o += kWidth) L::store(to + o, L::load(from + o));
    }

    // Band k subtracts its term for even k and adds it for odd k; a - t is a + (-t) exactly.
    static F termSigns() {
        static constexpr float kSigns[kMaxLanes] = {-0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f};
        return L::load(kSigns);
    }

    // As FilterBank::runBands up to the band sum, for the bands o .. o + kWidth - 1
    // and `count` consecutive steps, whose decimated samples are mods[j] and
    // cars[j] (with the two before each at j - 1, j - 2). The states stay in
    // registers from step to step. Writes each step's band-sum terms, their
    // signs applied, into terms[j]; with a formant shift, the levels and
    // carrier bands for shiftedTerms instead. frozen[j] tells whether step j
    // holds the envelopes; null when no step does.
    void runBandVector(int o, const float* mods, const float* cars, int count, const bool* frozen,
                       float (&terms)[kMaxLanes][kBandLanes]) {
        FilterBank& fb = state.filterBank;
        const auto& c = kBandFilterColumns.c;
        const F a = L::splat(kEnvelopeStep);
        const F gain = L::load(fb.gain + o);
        const F signs = termSigns();
        F y1m = L::load(fb.modStage1.s1 + o), y2m = L::load(fb.modStage1.s2 + o);
        F z1m = L::load(fb.modStage2.s1 + o), z2m = L::load(fb.modStage2.s2 + o);
        F y1c = L::load(fb.carStage1.s1 + o), y2c = L::load(fb.carStage1.s2 + o);
        F z1c = L::load(fb.carStage2.s1 + o), z2c = L::load(fb.carStage2.s2 + o);
        F e = L::load(fb.envLevel + o), v = L::load(fb.envVelocity + o);
        F peak = L::load(fb.bandPeak + o);
        F level = L::zero();
        // The formant shift and whether any step is frozen stay over the call:
        // each combination gets its own loop, with no test left in the steps.
        const auto step = [&](int j, auto isShifted, auto anyFrozen) {
            const F c0 = L::load(c[0] + o), c1 = L::load(c[1] + o), c2 = L::load(c[2] + o), c3 = L::load(c[3] + o);
            const F c4 = L::load(c[4] + o), c5 = L::load(c[5] + o), c6 = L::load(c[6] + o), c7 = L::load(c[7] + o);
            const F xm0 = L::splat(mods[j]), xm1 = L::splat(mods[j - 1]), xm2 = L::splat(mods[j - 2]);
            const F xc0 = L::splat(cars[j]), xc1 = L::splat(cars[j - 1]), xc2 = L::splat(cars[j - 2]);
            // The second section takes the first section's previous output.
            const F ym = L::sub(L::sub(L::add(L::add(L::mul(c0, xm0), L::mul(c1, xm1)), L::mul(c2, xm2)), L::mul(c3, y1m)),
                                L::mul(c4, y2m));
            const F zm = L::sub(L::sub(L::mul(c5, y1m), L::mul(c6, z1m)), L::mul(c7, z2m));
            const F yc = L::sub(L::sub(L::add(L::add(L::mul(c0, xc0), L::mul(c1, xc1)), L::mul(c2, xc2)), L::mul(c3, y1c)),
                                L::mul(c4, y2c));
            const F zc = L::sub(L::sub(L::mul(c5, y1c), L::mul(c6, z1c)), L::mul(c7, z2c));
            y2m = y1m;
            y1m = ym;
            z2m = z1m;
            z1m = zm;
            y2c = y1c;
            y1c = yc;
            z2c = z1c;
            z1c = zc;
            if (!anyFrozen || !frozen[j]) {
                // As followEnvelope.
                const F e0 = e;
                e = L::add(e0, L::mul(a, v));
                v = L::sub(L::add(v, L::mul(a, L::sub(L::abs(zm), e0))), L::mul(a, v));
            }
            level = L::mul(e, gain);
            peak = L::max(peak, L::abs(level));
            if constexpr (isShifted) {
                L::store(scratch.levelRows[j + 1] + kLevelMargin + o, level);
                L::store(scratch.carBands[j] + o, zc);
            } else {
                L::store(terms[j] + o, L::bitXor(L::mul(level, zc), signs));
            }
        };
        const auto steps = [&](auto isShifted, auto anyFrozen) {
            // Two steps per round, so that the states need no moving between registers.
            int j = 0;
            for (; j + 2 <= count; j += 2) {
                step(j, isShifted, anyFrozen);
                step(j + 1, isShifted, anyFrozen);
            }
            if (j < count) step(j, isShifted, anyFrozen);
        };
        using Yes = std::true_type;
        using No = std::false_type;
        if (fb.formantShift != 0) {
            frozen ? steps(Yes(), Yes()) : steps(Yes(), No());
        } else {
            frozen ? steps(No(), Yes()) : steps(No(), No());
        }
        L::store(fb.modStage1.s1 + o, y1m);
        L::store(fb.modStage1.s2 + o, y2m);
        L::store(fb.modStage2.s1 + o, z1m);
        L::store(fb.modStage2.s2 + o, z2m);
        L::store(fb.carStage1.s1 + o, y1c);
        L::store(fb.carStage1.s2 + o, y2c);
        L::store(fb.carStage2.s1 + o, z1c);
        L::store(fb.carStage2.s2 + o, z2c);
        L::store(fb.envLevel + o, e);
        L::store(fb.envVelocity + o, v);
        L::store(fb.bandPeak + o, peak);
        L::store(fb.bandLevel + o, level);
    }

    // The band-sum terms of `count` steps under a formant shift: carrier band k
    // takes the level of band k - shift, from the same step, or for a negative
    // shift (a higher band) from the step before.
    void shiftedTerms(int count, float (&terms)[kMaxLanes][kBandLanes]) {
        const int shift = state.filterBank.formantShift;
        const F signs = termSigns();
        for (int j = 0; j < count; ++j) {
            const float* levels = scratch.levelRows[shift > 0 ? j + 1 : j] + kLevelMargin - shift;
            for (int o = 0; o < kBandLanes; o += kWidth) {
                L::store(terms[j] + o, L::bitXor(L::mul(L::load(levels + o), L::load(scratch.carBands[j] + o)), signs));
            }
        }
    }

    // ---- Stage 3: the output value of every processed frame ----

    // Frames of one decimation phase lie side by side, as do the steps they
    // follow, so each lane takes one frame of the phase.
    void computeOutputs(int processed, int phaseBefore, int firstStep, int steps, int vocStart) {
        // The part of vocRing the chunk reads, oldest first; the chunk's own
        // steps wrote elsewhere.
        const float* ring = state.leveling.vocRing;
        const int from = (vocStart - kVocDelay - (kInterpTaps - 1)) & kVocRingMask;
        const int count = steps + kInterpTaps;
        const int beforeWrap = std::min(count, kVocRingSize - from);
        std::copy(ring + from, ring + from + beforeWrap, scratch.window);
        std::copy(ring, ring + (count - beforeWrap), scratch.window + beforeWrap);
        // Read once per chunk rather than every frame.
        const F synthVol = L::splat(factorOf(param(kSynthVol)));
        const F interpGain = L::splat(kInterpGain);
        const F outGain = L::splat(b.outGain);
        for (int p0 = 0; p0 < kDecimation && p0 < processed; ++p0) {
            const int phase = (phaseBefore + p0 + 1) % kDecimation;
            const int frames = (processed - 1 - p0) / kDecimation + 1;
            const int done = p0 >= firstStep ? 1 : 0;  // steps so far at frame p0
            const PhasePosition at(kRingSize + p0);
            const float* dry = scratch.dry[at.phase] + at.index;
            float* out = scratch.output[at.phase] + at.index;
            for (int i = 0; i < frames; i += kWidth) {
                // As interpolateBandSum and frameOutput.
                const float* delayed = scratch.window + done + i + kInterpTaps - 1;
                F u = L::zero();
                for (int m = 0; m < kInterpTaps; ++m) {
                    const F tap = L::splat(kDecimationKernel[static_cast<std::size_t>(phase + kDecimation * m)]);
                    u = L::add(u, L::mul(L::load(delayed - m), tap));
                }
                const F vocoded = L::mul(L::mul(u, interpGain), L::load(scratch.stepGain + done + i));
                const F drySynth = b.external ? L::zero() : L::mul(L::load(dry + i), synthVol);
                L::store(out + i, L::finiteOr0(L::mul(L::add(drySynth, vocoded), outGain)));
            }
        }
    }

    // ---- Stage 4: the host's buffers ----

    void writeOutputs(int start, int count) {
        FrameState& f = state.frameState;
        float* out0 = job.outputs[0] + start;
        float* out1 = job.outputs[1] + start;
        if (!f.halfRate) {
            // Every frame is processed and writes its output value.
            forPositions(kRingSize, count, [&](int n, int phase, int index) {
                const float o = scratch.output[phase][index];
                out0[n] = o;
                out1[n] = o;
            });
            if (count > 0) f.lastOutput = out1[count - 1];
            peaks.out = maxOfAbs(peaks.out, out1, count);
            return;
        }
        // At half rate every frame writes the last output value through the
        // output filter, whose state stays in registers over the loop.
        BiquadState filter = f.outFilter;
        float last = f.lastOutput;
        PhasePosition at(kRingSize);
        for (int n = 0; n < count; ++n) {
            if (scratch.processed[n]) {
                last = scratch.output[at.phase][at.index];
                at.advance();
                peaks.out = std::max(peaks.out, std::fabs(last));
            }
            const float o = finiteOr0(halfRateFilter(filter, last));
            out0[n] = o;
            out1[n] = o;
        }
        f.outFilter = filter;
        f.lastOutput = last;
    }
};

template <class L>
void runStaged(SignalState& state, const BlockJob& job) {
    StagedBlock<L>(state, job).run();
}

// FilterBank::bandStatesFinite a vector at a time. v * 0 is zero for a finite v
// and NaN otherwise, so the sums below are NaN exactly where a state is not
// finite; each array has its own sum, which keeps the chains short. The padding
// lanes take part: their coefficients are zero, so they stay zero.
template <class L>
bool bandStatesFinite(const FilterBank& fb) {
    using F = typename L::F;
    const F zero = L::zero();
    const auto sum = [zero](const float* states) {
        F s = zero;
        for (int o = 0; o < kBandLanes; o += L::kWidth) s = L::add(s, L::mul(L::load(states + o), zero));
        return s;
    };
    const F total = L::add(
        L::add(L::add(L::add(sum(fb.modStage1.s1), sum(fb.modStage1.s2)), L::add(sum(fb.modStage2.s1), sum(fb.modStage2.s2))),
               L::add(L::add(sum(fb.carStage1.s1), sum(fb.carStage1.s2)), L::add(sum(fb.carStage2.s1), sum(fb.carStage2.s2)))),
        L::add(L::add(sum(fb.envLevel), sum(fb.envVelocity)), sum(fb.bandLevel)));
    return L::sameBits(L::abs(total), zero);
}

}  // namespace
