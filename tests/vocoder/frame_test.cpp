// The block frame of the effect: gains, half rate, carrier choice, the MIDI
// queue's timing, block limits, meters and recovery from bad values.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/vocoder/probe.h"
#include "tests/vocoder/signals.h"


TEST(Conditioning, LevelCurveGains) {
    auto p = makeProbe();
    const std::vector<float> x = {0.3f};
    p->run(x);
    EXPECT_EQ(p->frameState.modSample, 0.3f + kDenormalOffset);
    p->setParameter(kModLevel, 1.0f);
    p->setParameter(kCarLevel, 0.0f);
    p->setParameter(kSource, 1.0f);
    p->run(x, {0.7f});
    EXPECT_EQ(p->frameState.modSample, 0.3f * p->frameState.levelCurve[99] + kDenormalOffset);
    EXPECT_EQ(p->frameState.carSample, kDenormalOffset);
    EXPECT_FLOAT_EQ(p->frameState.levelCurve[99], 3.9204f);
    EXPECT_EQ(p->frameState.levelCurve[0], 0.0f);
    EXPECT_EQ(p->frameState.levelGain(0.5f), 1.0f);
    EXPECT_EQ(p->frameState.levelGain(5.0f), p->frameState.levelCurve[99]);
    EXPECT_EQ(p->frameState.levelGain(NAN), 0.0f);
}

TEST(Conditioning, NonFiniteSamplesCountAsSilence) {
    auto clean = makeProbe();
    auto dirty = makeProbe();
    for (Probe* p : {clean.get(), dirty.get()}) {
        p->setParameter(kSource, 1.0f);
        p->setParameter(kSynthVol, 1.0f);
    }
    std::vector<float> mod = sine(3000, 440.0, 44100.0), car = sine(3000, 110.0, 44100.0);
    std::vector<float> dmod = mod, dcar = car;
    for (std::size_t i = 100; i < 3000; i += 97) {
        mod[i] = car[i + 1] = 0.0f;
        dmod[i] = NAN;
        dcar[i + 1] = i % 2 ? INFINITY : -INFINITY;
    }
    EXPECT_EQ(clean->run(mod, car), dirty->run(dmod, dcar));
}

TEST(Conditioning, StateThatOverflowsRecoversAtTheNextBlock) {
    auto p = makeProbe();
    p->setParameter(kSource, 1.0f);
    p->setParameter(kModLevel, 1.0f);
    p->setParameter(kCarLevel, 1.0f);
    const std::vector<float> huge(600, 3e38f);
    for (float v : p->run(huge, huge)) ASSERT_TRUE(std::isfinite(v));
    EXPECT_FALSE(p->filterBank.finite() && p->frameState.finite());
    const auto after = p->run(sine(3000, 300.0, 44100.0), sine(3000, 100.0, 44100.0));
    for (float v : after) ASSERT_TRUE(std::isfinite(v));
    EXPECT_TRUE(p->filterBank.finite() && p->leveling.finite() && p->frameState.finite());
}

TEST(Frame, OutputsMatchAndAreOverwritten) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSynthVol, 0.5f);
    std::vector<float> mod = sine(512, 300.0, 44100.0), car(512, 0.0f);
    std::vector<float> o1(512, 9.0f), o2(512, -9.0f);
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {o1.data(), o2.data()};
    p->process(in, out, 512);
    EXPECT_EQ(o1, o2);
    EXPECT_NE(o1[100], 9.0f);

    // In place: frame n's inputs are read before its outputs are written.
    auto q = makeProbe();
    q->setParameter(kO1Level, 1.0f);
    q->setParameter(kSynthVol, 0.5f);
    std::vector<float> a = sine(512, 300.0, 44100.0), b(512, 0.0f);
    float* io[2] = {a.data(), b.data()};
    q->processReplacing(io, io, 512);
    EXPECT_EQ(a, o1);
}

TEST(Frame, HalfRateSkipsTheOddFramesAcrossBlocks) {
    auto p = makeProbe();
    p->setRate(96000.0f);
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSynthVol, 1.0f);
    BiquadState expected;
    int ringPos = p->filterBank.ringPos;
    for (int frame = 1; frame <= 40; ++frame) {
        const float out = p->run({0.25f})[0];
        const bool processed = p->filterBank.ringPos != ringPos;
        ringPos = p->filterBank.ringPos;
        EXPECT_EQ(processed, frame % 2 == 0) << frame;
        // Every frame, skipped or not, writes the held output through the output filter.
        EXPECT_EQ(out, halfRateFilter(expected, p->frameState.lastOutput)) << frame;
    }
    p->setRate(88200.0f);
    p->runSilence(2);
    EXPECT_FALSE(p->frameState.halfRate);
    EXPECT_EQ(p->filterBank.ringPos, (ringPos + 2) % kRingSize);
}

TEST(Frame, RateChangeTakesEffectAtTheNextBlock) {
    auto p = makeProbe();
    p->runSilence(4);
    const std::int32_t at44 = p->oscillators.pitchTable[3900];
    p->setRate(48000.0f);
    p->runSilence(4);
    // Drone increments are set before the rebuild, from the old table.
    EXPECT_EQ(p->oscillators.inc[0], at44);
    EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f);
    p->runSilence(4);
    EXPECT_EQ(p->oscillators.inc[0], p->oscillators.pitchTable[3900]);
    EXPECT_NE(p->oscillators.inc[0], at44);
    // A rate the table cannot hold keeps it.
    for (float bad : {0.0f, -1.0f, NAN, 5.0f}) {
        p->setRate(bad);
        for (float v : p->runSilence(64)) ASSERT_TRUE(std::isfinite(v));
        EXPECT_EQ(p->oscillators.ampSmoothing, 48.0f);
    }
}

TEST(Frame, BlockLimit) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSynthVol, 1.0f);
    p->runSilence(100);
    const int bank = p->eventQueue.eventBank;
    const int ring = p->filterBank.ringPos;
    const float amp = p->oscillators.oscAmp[0];
    std::vector<float> over(65536, 0.5f);
    EXPECT_EQ(p->run(over), std::vector<float>(65536, 0.0f));
    EXPECT_EQ(p->eventQueue.eventBank, bank);
    EXPECT_EQ(p->filterBank.ringPos, ring);
    EXPECT_EQ(p->oscillators.oscAmp[0], amp);

    std::vector<float> max(65535, 0.5f);
    p->run(max);
    EXPECT_NE(p->eventQueue.eventBank, bank);
    EXPECT_EQ(p->filterBank.ringPos, (ring + 65535) % kRingSize);

    // Empty blocks still switch the event banks.
    p->run({});
    EXPECT_EQ(p->eventQueue.eventBank, bank);
}

TEST(Carrier, OnlySourceOneSelectsTheSecondInput) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSource, 0.99f);
    p->run({0.0f, 0.0f}, {0.5f, 0.5f});
    EXPECT_EQ(p->frameState.carSample, p->frameState.synthSample);
    EXPECT_NE(p->frameState.carSample, 0.5f + kDenormalOffset);
    p->setParameter(kSource, 1.0f);
    p->run({0.0f, 0.0f}, {0.5f, 0.5f});
    EXPECT_EQ(p->frameState.carSample, 0.5f + kDenormalOffset);
}

TEST(Carrier, TheDrySynthesizerIsSilentWhileTheSecondInputCarries) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSynthVol, 1.0f);
    p->runSilence(2000);
    ASSERT_GT(std::fabs(p->frameState.synthSample), 0.01f);
    p->setParameter(kSource, 1.0f);
    const auto out = p->runSilence(64);
    for (float v : out) EXPECT_LT(std::fabs(v), 1e-4f);
    // The amplitudes keep gliding while the synthesizer is not run.
    p->setParameter(kO1Level, 0.0f);
    p->runSilence(64);
    EXPECT_LT(p->oscillators.oscAmp[0], 0.5f);
}

TEST(Freeze, KeepsImposingTheLastEnvelope) {
    auto p = makeProbe();
    p->setParameter(kSource, 1.0f);
    p->run(sine(6000, 500.0, 44100.0), saw(6000, 100.0, 44100.0));
    p->setParameter(kFreeze, 0.5f);  // any value but 0 freezes
    float held[kNumFilterBands];
    std::copy(std::begin(p->filterBank.envLevel), std::end(p->filterBank.envLevel), held);
    const auto frozenOut = p->run(std::vector<float>(6000, 0.0f), saw(6000, 100.0, 44100.0));
    EXPECT_TRUE(std::equal(std::begin(held), std::end(held), p->filterBank.envLevel));
    float peak = 0.0f;
    for (std::size_t i = 3000; i < frozenOut.size(); ++i) peak = std::max(peak, std::fabs(frozenOut[i]));
    EXPECT_GT(peak, 0.01f);
    p->setParameter(kFreeze, 0.0f);
    p->runSilence(300);
    EXPECT_FALSE(std::equal(std::begin(held), std::end(held), p->filterBank.envLevel));
}

TEST(EventQueue, FilingOrderAndCollisions) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 0);
    p->midi(0x91, 61, 100, 0);
    p->midi(0x9F, 62, 100, 0);
    p->midi(0x80, 62, 0, 3);
    p->midi(0xE0, 1, 2, 3);
    const EventQueue& q = p->eventQueue;
    const int b = q.eventBank;
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(q.eventStatus[b][t], 0x90) << t;  // channels 1, 2 and 16 alike
        EXPECT_EQ(q.eventData1[b][t], 60 + t);
    }
    EXPECT_EQ(q.eventStatus[b][3], 0x80);
    EXPECT_EQ(q.eventStatus[b][4], 0xE0);
    EXPECT_EQ(q.eventData2[b][4], 2);

    // Ignored kinds leave the queue alone.
    for (int status : {0xA0, 0xC0, 0xD0, 0xF0}) p->midi(status, 10, 10, 7);
    for (int controller : {7, 123}) p->midi(0xB0, controller, 100, 7);
    EXPECT_EQ(q.eventStatus[b][7], 0);
    p->midi(0xB0, kCtrlModWheel, 99, 7);
    EXPECT_EQ(q.eventStatus[b][7], 0xB0);
    EXPECT_EQ(q.eventData2[b][7], 99);

    // Outside the bank, or no free slot after the frame: dropped.
    p->midi(0x90, 70, 1, -1);
    p->midi(0x90, 70, 1, 65536);
    p->midi(0x90, 70, 1, 65535);
    p->midi(0x90, 71, 1, 65535);
    EXPECT_EQ(q.eventData1[b][65535], 70);
    int filed = 0;
    for (int t = 0; t < kEventSlots; ++t) filed += q.eventStatus[b][t] != 0;
    EXPECT_EQ(filed, 7);
}

TEST(EventQueue, HandedOverAtTheirFrameOfTheNextBlock) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 10);
    p->runSilence(10);
    EXPECT_EQ(p->voices.voiceGate[0], 0);
    p->runSilence(11);  // the other bank
    EXPECT_EQ(p->voices.voiceGate[0], 0);
    p->runSilence(11);  // frame 10 of the filing bank
    EXPECT_EQ(p->voices.voiceGate[0], 100);
    EXPECT_EQ(p->voices.voiceNote[0], 48);
    EXPECT_EQ(p->eventQueue.eventStatus[0][10], 0);

    // At half rate a processed frame spans two host samples.
    auto h = makeProbe();
    h->setRate(96000.0f);
    h->runSilence(2);
    h->midi(0x90, 60, 100, 10);  // processed frame 5
    h->runSilence(11);  // processes frames 0..4 (the odd host frames are skipped)
    EXPECT_EQ(h->voices.voiceGate[0], 0);
    h->runSilence(2);
    h->runSilence(12);
    EXPECT_EQ(h->voices.voiceGate[0], 100);
}

TEST(EventQueue, AllVoicesOffActsAtOnceBeforeTheListsNotes) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 0);
    p->midi(0x90, 64, 100, 1);
    p->runSilence(4);
    ASSERT_NE(p->voices.voiceGate[1], 0);
    p->midi(0x90, 67, 90, 2);
    p->midi(0xB5, kCtrlAllVoicesOff, 0, 3);
    for (int k = 0; k < kNumOscillators; ++k) EXPECT_EQ(p->voices.voiceGate[k], 0);
    EXPECT_EQ(p->voices.nextVoice, 0);
    p->runSilence(4);
    EXPECT_EQ(p->voices.voiceGate[0], 90);
}

TEST(SustainPedal, DrivesFreezeAndFlatWhenTheirKeyIsMidi64) {
    auto p = makeProbe();
    p->setParameter(kFreezeKey, 5.0f / 6.0f);
    p->midi(0xB0, kCtrlSustain, 64, 0);
    EXPECT_EQ(p->getParameter(kFreeze), 1.0f);
    p->midi(0xB0, kCtrlSustain, 63, 0);
    EXPECT_EQ(p->getParameter(kFreeze), 0.0f);
    p->midi(0xB3, kCtrlSustain, 127, 0);
    EXPECT_EQ(p->getParameter(kFreeze), 1.0f);
    EXPECT_EQ(p->getParameter(kFlat), 0.0f);

    p->setParameter(kFlatKey, 0.8f);  // trunc(5.3): also MIDI64
    p->midi(0xB0, kCtrlSustain, 0, 0);
    EXPECT_EQ(p->getParameter(kFreeze), 0.0f);
    p->midi(0xB0, kCtrlSustain, 100, 0);
    EXPECT_EQ(p->getParameter(kFlat), 1.0f);

    p->setParameter(kFreezeKey, 0.5f);  // CTRL
    p->setParameter(kFlatKey, 1.0f);    // 6: no key
    p->midi(0xB0, kCtrlSustain, 0, 0);
    EXPECT_EQ(p->getParameter(kFreeze), 1.0f);
    EXPECT_EQ(p->getParameter(kFlat), 1.0f);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(p->eventQueue.eventStatus[p->eventQueue.eventBank][t], 0);
}

TEST(Playback, VoicesPlayAndRelease) {
    auto p = makeProbe();
    p->setRate(48000.0f);
    p->setParameter(kPlayback, 1.0f);
    p->setParameter(kSynthVol, 1.0f);
    p->runSilence(1);
    p->midi(0x90, 69, 100, 0);
    p->runSilence(4800);
    EXPECT_EQ(p->oscillators.inc[0], p->oscillators.pitchTable[7200]);
    EXPECT_NEAR(p->oscillators.oscAmp[0], 1.0f, 1e-4f);
    EXPECT_EQ(p->oscillators.target[1], kDenormalOffset);
    p->midi(0x80, 69, 0, 0);
    p->runSilence(4800);
    EXPECT_LT(p->oscillators.oscAmp[0], 1e-4f);
    EXPECT_EQ(p->oscillators.inc[0], p->oscillators.pitchTable[7200]);  // released voices keep their pitch
}

TEST(Meters, OnlyWithARecordAttached) {
    auto p = makeProbe();
    p->setRate(48000.0f);
    const auto loud = sine(4800, 1132.0, 48000.0);  // the peak of filter band 17
    p->run(loud);
    for (float m : p->bandMeters().bandMeter) EXPECT_EQ(m, 0.0f);

    LevelMeterRecord record;
    p->attachLevelMeters(&record);
    p->runSilence(64);  // silence raises nothing
    EXPECT_EQ(record.modMeter, 0.0f);
    EXPECT_EQ(record.modMeterFresh, 0);
    EXPECT_EQ(record.carMeterFresh, 0);

    p->run(loud);
    EXPECT_NEAR(record.modMeter, 1.0f, 1e-3f);
    EXPECT_EQ(record.modMeterFresh, 1);
    // Filter band 17 is shown by band meter 15.
    const float* bands = p->bandMeters().bandMeter;
    EXPECT_EQ(std::max_element(bands, bands + kNumBandMeters) - bands, 15);
    EXPECT_EQ(p->bandMeters().bandMeterHold[15], 3);

    // A band pulled to 0 shows nothing.
    auto q = makeProbe();
    LevelMeterRecord other;
    q->attachLevelMeters(&other);
    q->setRate(48000.0f);
    q->setParameter(kBand1 + 15, 0.0f);
    q->run(loud);
    EXPECT_EQ(q->bandMeters().bandMeter[15], 0.0f);
    EXPECT_GT(q->bandMeters().bandMeter[14], 0.0f);
}

TEST(Denormals, SilenceAfterALoudSignalLeavesNoSubnormalState) {
    for (float source : {0.0f, 1.0f}) {
        auto p = makeProbe();
        p->setRate(48000.0f);
        p->setParameter(kSource, source);
        p->setParameter(kO1Level, 1.0f);
        p->run(voiceLike(48000, 48000.0), saw(48000, 110.0, 48000.0));
        p->setParameter(kO1Level, 0.0f);
        for (int second = 0; second < 5; ++second) p->runSilence(48000);
        int subnormal = 0;
        auto count = [&subnormal](const float* v, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) subnormal += std::fpclassify(v[i]) == FP_SUBNORMAL;
        };
        const FilterBank& fb = p->filterBank;
        for (const SectionState* st : {&fb.modStage1, &fb.modStage2, &fb.carStage1, &fb.carStage2}) {
            count(st->s1, kNumFilterBands);
            count(st->s2, kNumFilterBands);
        }
        count(fb.envLevel, kNumFilterBands);
        count(fb.envVelocity, kNumFilterBands);
        count(fb.bandLevel, kNumFilterBands);
        count(p->leveling.vocRing, kVocRingSize);
        const float levels[] = {p->leveling.carPeak, p->leveling.vocPeak, p->leveling.outputGain,
                                p->oscillators.oscAmp[0], p->frameState.lastOutput};
        count(levels, std::size(levels));
        EXPECT_EQ(subnormal, 0) << "source " << source;
    }
}
