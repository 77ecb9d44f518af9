// The engine as a host form drives it, with no plug-in type in sight: engines
// at different rates side by side on their own threads, the listener the
// sustain pedal tells, and the bypass the other host forms offer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/vocoder/signals.h"
#include "vocoder/bypass.h"
#include "vocoder/engine.h"

namespace {

// Renders `blocks` blocks of 333 frames of a voice-like signal over a drone,
// with a few parameter changes on the way.
std::vector<float> render(VocoderEngine& engine, float rate, int blocks) {
    constexpr int kBlock = 333;
    const std::vector<float> voice = voiceLike(std::size_t(kBlock) * std::size_t(blocks), rate);
    std::vector<float> carrier(voice.size(), 0.0f), out(voice.size()), other(kBlock);
    engine.setParameter(kO1Level, 1.0f);
    engine.setParameter(kO1Freq, stepValue(kParameters[kO1Freq], 7));
    for (int b = 0; b < blocks; ++b) {
        if (b == blocks / 3) engine.setParameter(kFormant, 0.8f);
        if (b == blocks / 2) engine.receiveMidi(17, 0xB0, 126, 0);
        const float* in[2] = {voice.data() + b * kBlock, carrier.data() + b * kBlock};
        float* outs[2] = {out.data() + b * kBlock, other.data()};
        engine.process(in, outs, kBlock, rate);
    }
    return out;
}

TEST(Engine, InstancesAtDifferentRatesRunSideBySideOnTheirOwnThreads) {
    constexpr int kBlocks = 300;
    std::vector<float> alone44, alone96;
    {
        VocoderEngine a, b;
        alone44 = render(a, 44100.0f, kBlocks);
        alone96 = render(b, 96000.0f, kBlocks);
    }
    VocoderEngine a, b;
    std::vector<float> together44, together96;
    std::thread t1([&] { together44 = render(a, 44100.0f, kBlocks); });
    std::thread t2([&] { together96 = render(b, 96000.0f, kBlocks); });
    t1.join();
    t2.join();
    EXPECT_EQ(together44, alone44);
    EXPECT_EQ(together96, alone96);
    EXPECT_NE(alone44, alone96);
    const auto loud = [](const std::vector<float>& v) {
        return *std::max_element(v.begin(), v.end(), [](float x, float y) { return std::fabs(x) < std::fabs(y); });
    };
    EXPECT_GT(std::fabs(loud(alone44)), 0.01f);  // it vocodes
}

TEST(Engine, TheSustainPedalTellsTheListenerWhatItSwitched) {
    struct Listener : EngineListener {
        void engineChangedParameter(std::int32_t index, float value) override { heard.push_back({index, value}); }
        std::vector<std::pair<std::int32_t, float>> heard;
    } listener;
    VocoderEngine engine;
    engine.setListener(&listener);
    engine.setParameter(kFlatKey, stepValue(kParameters[kFlatKey], kKeyMidi64));
    engine.receiveMidi(0, 0xB3, 64, 100);  // any channel
    engine.receiveMidi(0, 0xB0, 64, 10);
    ASSERT_EQ(listener.heard.size(), 2u);
    EXPECT_EQ(listener.heard[0], (std::pair<std::int32_t, float>{kFlat, 1.0f}));
    EXPECT_EQ(listener.heard[1], (std::pair<std::int32_t, float>{kFlat, 0.0f}));
    EXPECT_EQ(engine.getParameter(kFlat), 0.0f);
    EXPECT_EQ(engine.getParameter(kFreeze), 0.0f);  // its key is none
}

// The bypass fades to the voice delayed by the latency, so that switching it
// moves nothing in time; with the buffers shared, as hosts may pass them.
TEST(Bypass, FadesToTheVoiceDelayedByTheLatencyWithoutAJump) {
    for (float rate : {48000.0f, 96000.0f}) {
        constexpr int kBlock = 256;
        const int latency = latencyFrames(rate);
        const std::vector<float> voice = sine(std::size_t(kBlock) * 60, 220.0, rate, 0.5f);
        std::vector<float> out(voice.size());
        VocoderEngine engine;
        Bypass bypass;
        bypass.setSampleRate(rate);
        std::vector<float> carrier(kBlock, 0.0f);
        for (std::size_t start = 0; start < voice.size(); start += kBlock) {
            if (start == std::size_t(kBlock) * 10) bypass.setBypassed(true);
            float* left = out.data() + start;
            std::copy_n(voice.data() + start, kBlock, left);  // in place: the voice's buffer is an output
            float right[kBlock];
            const float* in[2] = {left, carrier.data()};
            float* outs[2] = {left, right};
            bypass.takeVoice(left, kBlock);
            engine.process(in, outs, kBlock, rate);
            bypass.apply(outs, kBlock);
            EXPECT_TRUE(std::equal(left, left + kBlock, right));
        }
        const std::size_t fadeEnd = std::size_t(kBlock) * 10 + std::size_t(rate * Bypass::kFadeSeconds) + 1;
        for (std::size_t n = fadeEnd; n < out.size(); ++n) ASSERT_EQ(out[n], voice[n - std::size_t(latency)]) << rate << " " << n;
        float largestStep = 0.0f;
        for (std::size_t n = 1; n < out.size(); ++n) largestStep = std::max(largestStep, std::fabs(out[n] - out[n - 1]));
        EXPECT_LT(largestStep, 0.1f) << rate;  // a 220 Hz sine at 0.5 moves at most 0.015 per frame; a click would jump
    }
}

TEST(Bypass, SwitchingBackFadesToTheVocoderUntouched) {
    constexpr int kBlock = 512;
    const std::vector<float> voice = voiceLike(std::size_t(kBlock) * 40, 44100.0);
    std::vector<float> carrier(voice.size(), 0.0f), plain(voice.size()), bypassed(voice.size()), scratch(kBlock);
    VocoderEngine a, b;
    Bypass bypass;
    bypass.setSampleRate(44100.0f);
    for (VocoderEngine* e : {&a, &b}) e->setParameter(kO1Level, 1.0f);
    for (int blk = 0; blk < 40; ++blk) {
        const std::size_t start = std::size_t(blk) * kBlock;
        const float* in[2] = {voice.data() + start, carrier.data() + start};
        float* plainOut[2] = {plain.data() + start, scratch.data()};
        a.process(in, plainOut, kBlock, 44100.0f);
        bypass.setBypassed(blk >= 5 && blk < 15);
        float* outs[2] = {bypassed.data() + start, scratch.data()};
        bypass.takeVoice(in[0], kBlock);
        b.process(in, outs, kBlock, 44100.0f);
        bypass.apply(outs, kBlock);
    }
    // Before the fade and once it has faded back, the output is the vocoder's, bit for bit.
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 5 * kBlock, bypassed.begin()));
    EXPECT_TRUE(std::equal(plain.begin() + 17 * kBlock, plain.end(), bypassed.begin() + 17 * kBlock));
}

}  // namespace
