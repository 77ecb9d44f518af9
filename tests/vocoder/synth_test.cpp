// The carrier synthesizer: pitch table, drone pitches, waveforms, voices, bend and vibrato.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/vocoder/probe.h"

namespace {

double frequencyOf(std::int32_t increment, double internalRate) {
    return kSubSteps * static_cast<double>(increment) * internalRate / 16777216.0;
}

}  // namespace

TEST(PitchTable, EntriesAt44100And48000) {
    Oscillators osc;
    ASSERT_TRUE(osc.buildPitchTable(44100.0f));
    EXPECT_EQ(osc.pitchTable[7200], 41882);
    EXPECT_EQ(osc.pitchTable[0], 654);
    EXPECT_NEAR(frequencyOf(osc.pitchTable[7200], 44100.0), 440.36, 0.01);
    EXPECT_EQ(osc.ampSmoothing, 52.2448997f);  // 2304000 / 44100, rounded once

    ASSERT_TRUE(osc.buildPitchTable(48000.0f));
    EXPECT_EQ(osc.pitchTable[7200], 38479);
    EXPECT_NEAR(frequencyOf(osc.pitchTable[3900], 48000.0), 65.45, 0.02);
    EXPECT_EQ(osc.ampSmoothing, 48.0f);
    for (int i = 1; i < kPitchTableSize; ++i) ASSERT_LE(osc.pitchTable[i - 1], osc.pitchTable[i]) << i;
}

TEST(PitchTable, NinetySixKilohertzRunsAtHalfRate) {
    auto p = makeProbe();
    Oscillators at48;
    at48.buildPitchTable(48000.0f);
    p->updatePitchTable(96000.0f);
    EXPECT_TRUE(p->frameState.halfRate);
    EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f);
    EXPECT_TRUE(std::equal(std::begin(at48.pitchTable), std::end(at48.pitchTable), p->oscillators.pitchTable));
    for (float rate : {88200.0f, 192000.0f}) {
        p->updatePitchTable(rate);
        EXPECT_FALSE(p->frameState.halfRate) << rate;
    }
}

TEST(PitchTable, UnusableRatesKeepTheLastTable) {
    auto p = makeProbe();
    p->updatePitchTable(96000.0f);
    for (float rate : {0.0f, -44100.0f, NAN, INFINITY, 21.0f, 1000001.0f, 5e6f}) {
        p->updatePitchTable(rate);
        EXPECT_EQ(p->oscillators.pitchTable[7200], 38479) << rate;
        EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f) << rate;
        EXPECT_TRUE(p->frameState.halfRate) << rate;
    }
    Oscillators osc;  // the lowest rate whose largest entry fits an int32
    EXPECT_TRUE(osc.buildPitchTable(22.0f));
    EXPECT_GT(osc.pitchTable[kPitchTableSize - 1], 2000000000);
    EXPECT_TRUE(osc.buildPitchTable(1e6f));  // the highest usable rate
    EXPECT_EQ(osc.ampSmoothing, 2.304f);
}

TEST(DroneMode, PitchIndicesAndOutOfRangeValues) {
    auto p = makeProbe();  // Octave and Tune at 0.5
    const Oscillators& osc = p->oscillators;
    p->setParameter(kO1Freq, 0.04f);
    p->setParameter(kO3Offset, 1.0f);
    p->runSilence(1);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[4000]);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[3900]);  // offsets do not build on O1 freq
    EXPECT_EQ(osc.inc[2], osc.pitchTable[6400]);

    for (int i = 0; i < kNumNamedParams; ++i) p->setParameter(i, 1e30f);
    p->setParameter(kPlayback, 0.0f);
    p->runSilence(1);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[2600 + 2400 + 200 + 2500]);
    EXPECT_EQ(osc.pulseThreshold, kPulseThreshold[kPulse10]);
    EXPECT_EQ(p->filterBank.formantShift, 10);

    for (int i = 0; i < kNumParams; ++i) p->setParameter(i, NAN);  // NaN counts as 0
    p->runSilence(1);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[2600]);
    EXPECT_EQ(p->filterBank.formantShift, -10);
    EXPECT_EQ(p->frameState.modSample, kDenormalOffset);
}

TEST(Oscillators, SawtoothAndPulseAverageFourSubSteps) {
    Oscillators osc;
    std::fill(std::begin(osc.inc), std::end(osc.inc), 0);
    std::fill(std::begin(osc.oscAmp), std::end(osc.oscAmp), 0.0f);
    osc.inc[2] = 0x100000;
    osc.oscAmp[2] = 0.5f;
    // Phases 1..4 x 2^20 sum to 10 x 2^20.
    EXPECT_EQ(osc.render(kSawtooth, 2.0f), static_cast<float>(10 * 0x100000) * -0x1p-26f + 0.5f + kDenormalOffset);
    EXPECT_EQ(osc.oscPhase[2], 0x400000u);
    osc.oscPhase[2] = 0x700000;  // sub-steps 0x800000 (not above the square's threshold) .. 0xB00000
    osc.pulseThreshold = kPulseThreshold[kSquare];
    EXPECT_EQ(osc.render(kSquare, 2.0f), -0.25f + kDenormalOffset);
    osc.oscPhase[2] = 0xFFFFFF;  // wraps at 2^24
    osc.inc[2] = 1;
    osc.render(kSquare, 1.0f);
    EXPECT_EQ(osc.oscPhase[2], 3u);

    auto p = makeProbe();
    p->setParameter(kWaveform, 0.34f);
    p->runSilence(1);
    EXPECT_EQ(p->oscillators.pulseThreshold, 0x800000u);
}

TEST(Voices, RoundRobinTakeOverAndRelease) {
    Voices v;
    for (int note = 60; note < 66; ++note) v.handle(kMidiNoteOn, note, 100, true);
    v.handle(kMidiNoteOn, 70, 1, true);  // all six sounding: voice 0 is taken over
    EXPECT_EQ(v.voiceNote[0], 58);
    EXPECT_EQ(v.voiceGate[0], 1);
    EXPECT_EQ(v.nextVoice, 1);
    v.handle(kMidiNoteOn, 70, 9, true);  // a second holder of the same note
    v.handle(kMidiNoteOff, 70, 0, true);
    EXPECT_EQ(v.voiceGate[0] + v.voiceGate[1], 0);
    EXPECT_EQ(v.voiceNote[1], 58);  // the note stays with the decaying voice
    v.handle(kMidiNoteOn, 62, 0, true);  // velocity 0 releases too
    EXPECT_EQ(v.voiceGate[2], 0);
    v.handle(kMidiNoteOn, 5, 64, true);  // notes 0..12 all play voice note 0
    EXPECT_EQ(v.voiceNote[2], 0);
}

TEST(Voices, PitchBendTargetsAndGlide) {
    Voices v;
    v.handle(kMidiPitchBend, 0, 64, false);
    EXPECT_EQ(v.bendTarget, kDenormalOffset);
    v.handle(kMidiPitchBend, 127, 127, false);
    EXPECT_NEAR(v.bendTarget, 204.775f, 1e-4);
    EXPECT_EQ(v.bendCurrent, v.bendTarget);  // outside playback the bend jumps
    v.handle(kMidiPitchBend, 0, 0, true);
    EXPECT_EQ(v.bendTarget, -8192.0f / 40.0f + kDenormalOffset);

    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    v.handle(kMidiNoteOn, 69, 100, true);
    const float start = v.bendCurrent;
    v.control(osc, 1, 50);
    EXPECT_EQ(v.bendCurrent, start + (v.bendTarget - start) * 0.001953125f);
    for (int i = 0; i < 20000; ++i) v.control(osc, 1, 50);
    // Note 69 with Octave and Tune centred sits at index 7200; bent down 204 cents.
    EXPECT_EQ(osc.inc[0], osc.pitchTable[7200 - 204]);
    EXPECT_EQ(osc.target[0], 1.0f);
    EXPECT_EQ(osc.target[1], kDenormalOffset);
    // Indices beyond the table are clamped into it.
    v.handle(kMidiNoteOn, 127, 100, true);
    v.control(osc, 2, 100);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[kPitchTableSize - 1]);
    v.control(osc, 0, 0);
    EXPECT_EQ(osc.inc[2], osc.pitchTable[0]);
}

TEST(Voices, VibratoDepthAndPeriod) {
    Voices v;
    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    v.handle(kMidiNoteOn, 69, 100, true);
    auto cycle = [&](int wheel) {
        v.handle(kMidiController, kCtrlModWheel, wheel, true);
        int lo = 0, hi = 0;
        for (int i = 0; i < 8192; ++i) {
            v.control(osc, 1, 50);
            lo = std::min(lo, v.vibratoCents);
            hi = std::max(hi, v.vibratoCents);
            EXPECT_EQ(osc.inc[0], osc.pitchTable[7200 + v.vibratoCents]);
        }
        return std::pair{lo, hi};
    };
    EXPECT_EQ(cycle(8), (std::pair{0, 0}));
    EXPECT_EQ(v.vibratoPhase, 0);  // held at 8 and below
    EXPECT_EQ(cycle(9), (std::pair{0, 0}));
    EXPECT_EQ(v.vibratoPhase, 0);  // one cycle: 8192 frames
    EXPECT_EQ(cycle(127), (std::pair{-31, 31}));
}
