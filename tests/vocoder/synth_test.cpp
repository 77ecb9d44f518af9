// The carrier synthesizer: pitch table, drone pitches, waveforms, voices, bend and vibrato.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/vocoder/probe.h"

namespace {

double frequencyOf(std::int32_t increment, double internalRate) {
    return kSubSteps * static_cast<double>(increment) * internalRate / 16777216.0;
}

}  // namespace

TEST(PitchTable, EntriesAtTheCommonRates) {
    Oscillators osc;
    ASSERT_TRUE(osc.buildPitchTable(44100.0f));
    EXPECT_EQ(osc.pitchTable[7200], 41882);
    EXPECT_EQ(osc.pitchTable[0], 654);
    EXPECT_NEAR(frequencyOf(osc.pitchTable[7200], 44100.0), 440.36, 0.01);
    EXPECT_FLOAT_EQ(osc.ampSmoothing, 2304000.0f / 44100.0f);

    ASSERT_TRUE(osc.buildPitchTable(48000.0f));
    EXPECT_EQ(osc.pitchTable[7200], 38479);
    EXPECT_NEAR(frequencyOf(osc.pitchTable[7200], 48000.0), 440.36, 0.01);
    EXPECT_NEAR(frequencyOf(osc.pitchTable[3900], 48000.0), 65.45, 0.02);
    EXPECT_EQ(osc.ampSmoothing, 48.0f);
    // One cent per column, a semitone per row, increasing throughout.
    for (int i = 1; i < kPitchTableSize; ++i) ASSERT_LE(osc.pitchTable[i - 1], osc.pitchTable[i]) << i;
    EXPECT_NEAR(static_cast<double>(osc.pitchTable[8400]) / osc.pitchTable[7200], 2.0, 1e-4);
}

TEST(PitchTable, NinetySixKilohertzRunsAtHalfRate) {
    auto p = makeProbe();
    Oscillators at48;
    at48.buildPitchTable(48000.0f);
    p->updatePitchTable(96000.0f);
    EXPECT_TRUE(p->frameState.halfRate);
    EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f);
    EXPECT_TRUE(std::equal(std::begin(at48.pitchTable), std::end(at48.pitchTable), p->oscillators.pitchTable));
    EXPECT_EQ(p->oscillators.pitchTable[7200], 38479);

    for (float rate : {88200.0f, 192000.0f, 96000.5f}) {
        p->updatePitchTable(rate);
        EXPECT_FALSE(p->frameState.halfRate) << rate;
    }
}

TEST(PitchTable, UnusableRatesKeepTheLastTable) {
    auto p = makeProbe();
    p->updatePitchTable(96000.0f);
    const std::int32_t entry = p->oscillators.pitchTable[7200];
    for (float rate : {0.0f, -44100.0f, NAN, INFINITY, -INFINITY, 1.0f, 20.0f}) {
        p->updatePitchTable(rate);
        EXPECT_EQ(p->oscillators.pitchTable[7200], entry) << rate;
        EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f) << rate;
        EXPECT_TRUE(p->frameState.halfRate) << rate;
    }
    // The lowest rates whose largest entry still fits are accepted.
    Oscillators osc;
    EXPECT_TRUE(osc.buildPitchTable(22.0f));
    EXPECT_GT(osc.pitchTable[kPitchTableSize - 1], 2000000000);
    EXPECT_FALSE(osc.buildPitchTable(21.0f));
}

TEST(DroneMode, PitchIndicesFromOctaveTuneAndOffsets) {
    auto p = makeProbe();  // Octave 0.5 and Tune 0.5 in the Empty program
    const Oscillators& osc = p->oscillators;
    p->runSilence(1);
    for (int k = 0; k < kNumOscillators; ++k) EXPECT_EQ(osc.inc[k], osc.pitchTable[3900]) << k;

    p->setParameter(kO1Freq, 0.04f);
    p->setParameter(kO3Offset, 1.0f);
    p->setParameter(kO6Offset, 0.5f);
    p->runSilence(1);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[4000]);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[3900]);  // offsets do not build on O1 freq
    EXPECT_EQ(osc.inc[2], osc.pitchTable[6400]);
    EXPECT_EQ(osc.inc[5], osc.pitchTable[5200]);  // trunc(12.5 + 0.5)

    p->setParameter(kOctave, 1.0f);
    p->setParameter(kTune, 0.0f);
    p->runSilence(1);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[2600 + 2400]);
    p->setParameter(kOctave, 0.0f);
    p->setParameter(kTune, 1.0f);
    p->runSilence(1);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[2600 + 200]);
}

TEST(DroneMode, OutOfRangeValuesStayInTheirTables) {
    auto p = makeProbe();
    const Oscillators& osc = p->oscillators;
    for (int i = 0; i < kNumNamedParams; ++i) p->setParameter(i, 1e30f);
    p->setParameter(kSource, 0.0f);
    p->setParameter(kPlayback, 0.0f);
    p->runSilence(8);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[2600 + 2400 + 200 + 2500]);
    EXPECT_EQ(osc.pulseThreshold, kPulseThreshold[kPulse10]);
    EXPECT_EQ(p->filterBank.formantShift, 10);

    for (int i = 0; i < kNumParams; ++i) p->setParameter(i, NAN);
    p->runSilence(8);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[2600]);  // NaN counts as 0
    EXPECT_EQ(p->filterBank.formantShift, -10);
    EXPECT_EQ(p->filterBank.gain[20], 0.0f);

    for (int i = 0; i < kNumParams; ++i) p->setParameter(i, -1e30f);
    p->setParameter(kSource, 0.0f);
    p->setParameter(kPlayback, 0.0f);
    p->runSilence(8);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[2600]);
    EXPECT_EQ(p->filterBank.formantShift, -10);
}

TEST(Oscillators, SawtoothAveragesFourSubSteps) {
    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    for (int k = 0; k < kNumOscillators; ++k) {
        osc.inc[k] = k == 0 ? 0x100000 : 0;
        osc.oscAmp[k] = k == 0 ? 1.0f : 0.0f;
    }
    // Phases 1, 2, 3, 4 x 2^20: sum 10 x 2^20.
    const float s = osc.render(kSawtooth, 1.0f);
    EXPECT_EQ(osc.oscPhase[0], 0x400000u);
    EXPECT_EQ(s, static_cast<float>(10 * 0x100000) * kSawScale + 0.5f + kDenormalOffset);
    EXPECT_EQ(kSawScale, -0x1p-26f);
    // The phase wraps at 2^24.
    osc.oscPhase[0] = 0xFFFFFF;
    osc.inc[0] = 1;
    osc.render(kSawtooth, 1.0f);
    EXPECT_EQ(osc.oscPhase[0], 3u);
}

TEST(Oscillators, PulseCountsSubStepsAboveTheThreshold) {
    Oscillators osc;
    for (int k = 0; k < kNumOscillators; ++k) {
        osc.inc[k] = 0;
        osc.oscAmp[k] = 0.0f;
    }
    osc.oscAmp[2] = 0.5f;
    osc.inc[2] = 0x100000;
    osc.oscPhase[2] = 0x700000;  // sub-steps 0x800000 (not above the square's threshold) .. 0xB00000
    osc.pulseThreshold = kPulseThreshold[kSquare];
    EXPECT_EQ(osc.render(kSquare, 2.0f), -0.25f + kDenormalOffset);
    osc.pulseThreshold = kPulseThreshold[kPulse10];  // all four above
    EXPECT_EQ(osc.render(kPulse10, 1.0f), -0.25f + kDenormalOffset);

    auto p = makeProbe();
    p->setParameter(kWaveform, 0.34f);
    p->runSilence(1);
    EXPECT_EQ(p->oscillators.pulseThreshold, 0x800000u);
    p->setParameter(kWaveform, 0.7f);
    p->runSilence(1);
    EXPECT_EQ(p->oscillators.pulseThreshold, 0x400000u);
    p->setParameter(kWaveform, 1.0f);
    p->runSilence(1);
    EXPECT_EQ(p->oscillators.pulseThreshold, 1677722u);
}

TEST(Oscillators, AmplitudesGlideAndSilentLevelsGiveTheOffset) {
    auto p = makeProbe();
    p->setRate(48000.0f);
    p->runSilence(4800);
    // All levels 0: the offset, plus the offset-sized targets' contribution.
    EXPECT_NEAR(p->frameState.synthSample, kDenormalOffset, 4.0f * kDenormalOffset);

    p->setParameter(kO1Level, 1.0f);
    p->runSilence(48);
    // 48 frames of 1/48 steps: 1 - (47/48)^48 of the way.
    EXPECT_NEAR(p->oscillators.oscAmp[0], 1.0 - std::pow(47.0 / 48.0, 48.0), 1e-5);
    p->runSilence(4800);
    EXPECT_NEAR(p->oscillators.oscAmp[0], 1.0f, 2e-6);
    EXPECT_NEAR(p->oscillators.oscAmp[1], kDenormalOffset, 1e-12);
}

TEST(Voices, RoundRobinAndTakeOver) {
    Voices v;
    for (int note = 60; note < 66; ++note) v.handle(kMidiNoteOn, note, 100, true);
    for (int k = 0; k < kNumOscillators; ++k) EXPECT_EQ(v.voiceNote[k], 48 + k);
    EXPECT_EQ(v.nextVoice, 0);
    v.handle(kMidiNoteOn, 70, 1, true);  // all sounding: voice 0 is taken over
    EXPECT_EQ(v.voiceNote[0], 58);
    EXPECT_EQ(v.voiceGate[0], 1);
    EXPECT_EQ(v.nextVoice, 1);

    v.handle(kMidiNoteOff, 62, 0, true);  // voice 2 frees; the search from voice 1 finds it
    v.handle(kMidiNoteOn, 80, 127, true);
    EXPECT_EQ(v.voiceNote[2], 68);
    EXPECT_EQ(v.nextVoice, 3);

    v.handle(kMidiNoteOn, 5, 64, true);  // notes 0..12 all play voice note 0
    EXPECT_EQ(v.voiceNote[3], 0);
}

TEST(Voices, NoteOffAndVelocityZeroReleaseEveryHolder) {
    Voices v;
    v.handle(kMidiNoteOn, 60, 90, true);
    v.handle(kMidiNoteOn, 60, 20, true);
    v.handle(kMidiNoteOn, 64, 20, true);
    v.handle(kMidiNoteOff, 60, 0, true);
    EXPECT_EQ(v.voiceGate[0], 0);
    EXPECT_EQ(v.voiceGate[1], 0);
    EXPECT_EQ(v.voiceNote[0], 48);  // the note stays for the decaying voice
    EXPECT_EQ(v.voiceGate[2], 20);
    v.handle(kMidiNoteOn, 64, 0, true);
    EXPECT_EQ(v.voiceGate[2], 0);
    v.handle(kMidiNoteOn, 64, 5, true);
    v.releaseAll();
    for (int k = 0; k < kNumOscillators; ++k) EXPECT_EQ(v.voiceGate[k] | v.voiceNote[k], 0);
    EXPECT_EQ(v.nextVoice, 0);
}

TEST(Voices, PitchBendTargets) {
    Voices v;
    v.handle(kMidiPitchBend, 0, 64, false);  // 8192
    EXPECT_EQ(v.bendTarget, kDenormalOffset);
    EXPECT_EQ(v.bendCurrent, v.bendTarget);  // outside playback the bend jumps
    v.handle(kMidiPitchBend, 0, 0, true);
    EXPECT_EQ(v.bendTarget, -8192.0f / 40.0f + kDenormalOffset);
    EXPECT_NEAR(v.bendTarget, -204.8f, 1e-4);
    EXPECT_EQ(v.bendCurrent, kDenormalOffset);  // in playback it glides
    v.handle(kMidiPitchBend, 127, 127, true);
    EXPECT_NEAR(v.bendTarget, 204.775f, 1e-4);

    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    v.handle(kMidiNoteOn, 69, 100, true);
    v.control(osc, 1, 50);
    EXPECT_EQ(v.bendCurrent, kDenormalOffset + (v.bendTarget - kDenormalOffset) * 0.001953125f);
    for (int i = 0; i < 20000; ++i) v.control(osc, 1, 50);
    EXPECT_NEAR(v.bendCurrent, 204.775f, 0.01);
    // Note 69 with Octave and Tune centred sits at index 7200, bent up 204 cents.
    EXPECT_EQ(osc.inc[0], osc.pitchTable[7200 + 204]);
    EXPECT_EQ(osc.target[0], 1.0f);
    EXPECT_EQ(osc.target[1], kDenormalOffset);
}

TEST(Voices, VibratoDepthAndPeriod) {
    Voices v;
    EXPECT_EQ(v.vibratoTable[0], 32);
    EXPECT_EQ(v.vibratoTable[256], 0);
    EXPECT_EQ(v.vibratoTable[512], -32);
    EXPECT_EQ(v.vibratoTable[1023], 31);
    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    v.handle(kMidiNoteOn, 69, 100, true);

    v.handle(kMidiController, kCtrlModWheel, 8, true);
    v.control(osc, 1, 50);
    EXPECT_EQ(v.vibratoCents, 0);
    EXPECT_EQ(v.vibratoPhase, 0);  // frozen at or below 8

    v.handle(kMidiController, kCtrlModWheel, 9, true);
    int lo = 0, hi = 0;
    for (int i = 0; i < 8192; ++i) {
        v.control(osc, 1, 50);
        lo = std::min(lo, v.vibratoCents);
        hi = std::max(hi, v.vibratoCents);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(v.vibratoPhase, 0);  // one cycle: 8192 frames

    v.handle(kMidiController, kCtrlModWheel, 127, true);
    for (int i = 0; i < 8192; ++i) {
        v.control(osc, 1, 50);
        lo = std::min(lo, v.vibratoCents);
        hi = std::max(hi, v.vibratoCents);
        ASSERT_EQ(osc.inc[0], osc.pitchTable[7200 + v.vibratoCents]);
    }
    EXPECT_EQ(hi, 31);
    EXPECT_EQ(lo, -31);
}

TEST(Voices, PitchIndicesOutsideTheTableAreClamped) {
    Voices v;
    Oscillators osc;
    osc.buildPitchTable(48000.0f);
    v.handle(kMidiNoteOn, 127, 100, true);
    v.handle(kMidiNoteOn, 0, 100, true);
    v.handle(kMidiPitchBend, 0, 0, false);  // -204 cents at once
    v.control(osc, 2, 100);
    EXPECT_EQ(osc.inc[0], osc.pitchTable[kPitchTableSize - 1]);
    v.control(osc, 0, 0);
    EXPECT_EQ(osc.inc[1], osc.pitchTable[0]);
}
