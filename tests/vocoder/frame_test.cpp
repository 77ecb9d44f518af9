// The block frame of the effect: gains, half rate, carrier choice, the MIDI
// queue's timing, block limits, meters and recovery from bad values.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/vocoder/probe.h"
#include "tests/vocoder/signals.h"

TEST(Conditioning, LevelCurveGains) {
    auto p = makeProbe();
    p->setParameter(kSource, 1.0f);
    p->run({0.3f}, {0.7f});
    EXPECT_EQ(p->frameState.modSample, 0.3f + kDenormalOffset);  // 0.5 gives exactly 1.0
    p->setParameter(kModLevel, 1.0f);
    p->setParameter(kCarLevel, 0.0f);
    p->run({0.3f}, {0.7f});
    EXPECT_FLOAT_EQ(p->frameState.levelCurve[99], 3.9204f);
    EXPECT_EQ(p->frameState.modSample, 0.3f * p->frameState.levelCurve[99] + kDenormalOffset);
    EXPECT_EQ(p->frameState.carSample, kDenormalOffset);
}

TEST(Conditioning, NonFiniteSamplesCountAsSilence) {
    auto clean = makeProbe();
    auto dirty = makeProbe();
    for (Probe* p : {clean.get(), dirty.get()}) p->setParameter(kSource, 1.0f);
    std::vector<float> mod = sine(3000, 440.0, 44100.0), car = sine(3000, 110.0, 44100.0);
    std::vector<float> dmod = mod, dcar = car;
    for (std::size_t i = 100; i < 2900; i += 97) {
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
    const std::vector<float> huge(600, 3e38f);
    for (float v : p->run(huge, huge)) ASSERT_TRUE(std::isfinite(v));
    EXPECT_FALSE(p->filterBank.finite());
    for (float v : p->run(sine(3000, 300.0, 44100.0), sine(3000, 100.0, 44100.0))) ASSERT_TRUE(std::isfinite(v));
    EXPECT_TRUE(p->filterBank.finite() && p->leveling.finite() && p->frameState.finite());
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
        EXPECT_EQ(p->filterBank.ringPos != ringPos, frame % 2 == 0) << frame;
        ringPos = p->filterBank.ringPos;
        // Skipped frames too write the held output through the output filter.
        EXPECT_EQ(out, halfRateFilter(expected, p->frameState.lastOutput)) << frame;
    }
}

TEST(Frame, RateChangeTakesEffectAtTheNextBlock) {
    auto p = makeProbe();
    p->runSilence(4);
    const std::int32_t at44 = p->oscillators.pitchTable[3900];
    p->setRate(48000.0f);
    p->runSilence(4);
    EXPECT_EQ(p->oscillators.inc[0], at44);  // drone increments are set before the rebuild
    p->runSilence(4);
    EXPECT_EQ(p->oscillators.inc[0], p->oscillators.pitchTable[3900]);
    EXPECT_NE(p->oscillators.inc[0], at44);
}

TEST(Frame, BlockLimit) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->runSilence(100);
    const int bank = p->eventQueue.eventBank;
    const int ring = p->filterBank.ringPos;
    const float amp = p->oscillators.oscAmp[0];
    EXPECT_EQ(p->run(std::vector<float>(65536, 0.5f)), std::vector<float>(65536, 0.0f));
    EXPECT_EQ(p->eventQueue.eventBank, bank);
    EXPECT_EQ(p->filterBank.ringPos, ring);
    EXPECT_EQ(p->oscillators.oscAmp[0], amp);

    p->run(std::vector<float>(65535, 0.5f));
    EXPECT_NE(p->eventQueue.eventBank, bank);
    EXPECT_EQ(p->filterBank.ringPos, (ring + 65535) % kRingSize);
    p->run({});  // empty blocks still switch the event banks
    EXPECT_EQ(p->eventQueue.eventBank, bank);
}

TEST(Carrier, OnlySourceOneSelectsTheSecondInput) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSource, 0.99f);
    p->run({0.0f}, {0.5f});
    EXPECT_EQ(p->frameState.carSample, p->frameState.synthSample);
    EXPECT_NE(p->frameState.carSample, 0.5f + kDenormalOffset);
    p->setParameter(kSource, 1.0f);
    p->run({0.0f}, {0.5f});
    EXPECT_EQ(p->frameState.carSample, 0.5f + kDenormalOffset);
}

TEST(Carrier, TheDrySynthesizerIsSilentWhileTheSecondInputCarries) {
    auto p = makeProbe();
    p->setParameter(kO1Level, 1.0f);
    p->setParameter(kSynthVol, 1.0f);
    p->runSilence(2000);
    ASSERT_GT(std::fabs(p->frameState.synthSample), 0.01f);
    p->setParameter(kSource, 1.0f);
    for (float v : p->runSilence(64)) EXPECT_LT(std::fabs(v), 1e-4f);
    p->setParameter(kO1Level, 0.0f);  // the amplitudes keep gliding meanwhile
    p->runSilence(64);
    EXPECT_LT(p->oscillators.oscAmp[0], 0.5f);
}

TEST(Freeze, KeepsImposingTheLastEnvelope) {
    auto p = makeProbe();
    p->setParameter(kSource, 1.0f);
    p->run(sine(6000, 500.0, 44100.0), saw(6000, 100.0, 44100.0));
    p->setParameter(kFreeze, 0.5f);  // any value but 0 freezes
    const std::vector<float> held(std::begin(p->filterBank.envLevel), std::end(p->filterBank.envLevel));
    const auto out = p->run(std::vector<float>(6000, 0.0f), saw(6000, 100.0, 44100.0));
    EXPECT_TRUE(std::equal(held.begin(), held.end(), p->filterBank.envLevel));
    EXPECT_GT(*std::max_element(out.begin() + 3000, out.end()), 0.01f);
    p->setParameter(kFreeze, 0.0f);
    p->runSilence(300);
    EXPECT_FALSE(std::equal(held.begin(), held.end(), p->filterBank.envLevel));
}

TEST(EventQueue, FilingOrderCollisionsAndDrops) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 0);
    p->midi(0x91, 61, 100, 0);
    p->midi(0x9F, 62, 100, 0);
    p->midi(0xE0, 1, 2, 3);
    for (int status : {0xA0, 0xC0, 0xD0, 0xF0}) p->midi(status, 10, 10, 7);
    for (int controller : {7, 123}) p->midi(0xB0, controller, 100, 7);
    for (int frame : {-1, 65536, 65535, 65535}) p->midi(0x90, 70, 1, frame);
    const EventQueue& q = p->eventQueue;
    const int b = q.eventBank;
    for (int t = 0; t < 3; ++t) EXPECT_EQ(q.eventStatus[b][t], 0x90) << t;  // channels alike, in list order
    EXPECT_EQ(q.eventData1[b][2], 62);
    EXPECT_EQ(q.eventStatus[b][3], 0xE0);
    EXPECT_EQ(q.eventData2[b][3], 2);
    EXPECT_EQ(std::count_if(q.eventStatus[b], q.eventStatus[b] + kEventSlots, [](int s) { return s != 0; }), 5);
    EXPECT_EQ(q.eventStatus[b][65535], 0x90);  // the second one had no slot left: dropped
}

TEST(EventQueue, HandedOverAtTheirFrame) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 10);
    p->runSilence(10);  // the filing bank, but only frames 0..9
    p->runSilence(11);  // the other bank
    EXPECT_EQ(p->voices.voiceGate[0], 0);
    p->runSilence(11);  // frame 10 of the filing bank
    EXPECT_EQ(p->voices.voiceGate[0], 100);
    EXPECT_EQ(p->eventQueue.eventStatus[0][10], 0);

    auto h = makeProbe();  // at half rate a processed frame spans two host frames
    h->setRate(96000.0f);
    h->runSilence(2);
    h->midi(0x90, 60, 100, 10);
    h->runSilence(11);  // processed frames 0..4
    EXPECT_EQ(h->voices.voiceGate[0], 0);
    h->runSilence(2);
    h->runSilence(12);  // processed frames 0..5
    EXPECT_EQ(h->voices.voiceGate[0], 100);
}

TEST(EventQueue, ControllersThatActAtOnce) {
    auto p = makeProbe();
    p->midi(0x90, 60, 100, 0);
    p->runSilence(4);
    p->midi(0x90, 67, 90, 2);
    p->midi(0xB5, kCtrlAllVoicesOff, 0, 3);  // before the list's note, whatever its frame
    EXPECT_EQ(p->voices.voiceGate[0], 0);
    p->runSilence(4);
    EXPECT_EQ(p->voices.voiceGate[0], 90);

    p->setParameter(kFlatKey, 0.8f);  // trunc(5.3): MIDI64; FreezeKey 0: none
    p->midi(0xB0, kCtrlSustain, 64, 0);
    EXPECT_EQ(p->getParameter(kFlat), 1.0f);
    EXPECT_EQ(p->getParameter(kFreeze), 0.0f);
    p->setParameter(kFlatKey, 1.0f);  // 6: no key
    p->midi(0xB0, kCtrlSustain, 0, 0);
    EXPECT_EQ(p->getParameter(kFlat), 1.0f);
}

TEST(Meters, OnlyWithARecordAttached) {
    auto p = makeProbe();
    p->setRate(48000.0f);
    const auto loud = sine(4800, 1132.0, 48000.0);  // the peak of filter band 17
    p->run(loud);
    for (float m : p->bandMeters().bandMeter) EXPECT_EQ(m, 0.0f);

    LevelMeterRecord record;
    p->attachLevelMeters(&record);
    p->runSilence(64);
    EXPECT_EQ(record.modMeterFresh + record.carMeterFresh + record.outMeterFresh, 0);
    p->run(loud);
    EXPECT_NEAR(record.modMeter, 1.0f, 1e-3f);
    EXPECT_EQ(record.modMeterFresh, 1);
    const Relaxed<float>* bands = p->bandMeters().bandMeter;
    EXPECT_EQ(std::max_element(bands, bands + kNumBands) - bands, 15);  // slider 16

    p->setParameter(kBand1 + 15, 0.0f);  // a band pulled to 0 shows nothing
    std::fill(p->bandMeters().bandMeter, p->bandMeters().bandMeter + kNumFilterBands, 0.0f);
    p->run(loud);
    EXPECT_EQ(bands[15], 0.0f);
    EXPECT_GT(bands[14], 0.0f);
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
            subnormal += static_cast<int>(std::count_if(v, v + n, [](float x) { return std::fpclassify(x) == FP_SUBNORMAL; }));
        };
        const FilterBank& fb = p->filterBank;
        for (const SectionState* st : {&fb.modStage1, &fb.modStage2, &fb.carStage1, &fb.carStage2}) {
            count(st->s1, kNumFilterBands);
            count(st->s2, kNumFilterBands);
        }
        count(fb.envLevel, kNumFilterBands);
        count(fb.envVelocity, kNumFilterBands);
        count(p->leveling.vocRing, kVocRingSize);
        const float levels[] = {p->leveling.carPeak, p->leveling.vocPeak, p->leveling.outputGain,
                                p->oscillators.oscAmp[0], p->frameState.lastOutput};
        count(levels, std::size(levels));
        EXPECT_EQ(subnormal, 0) << "source " << source;
    }
}
