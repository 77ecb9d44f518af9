// The signal path end to end, through the built plug-in as a host drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/testhost.h"
#include "tests/vocoder/signals.h"
#include "vocoder/parameters.h"

namespace {

// Runs a whole signal through processReplacing in blocks of `block` frames;
// both outputs must agree. Returns output 1.
std::vector<float> render(TestHost& host, const std::vector<float>& mod, const std::vector<float>& car,
                          std::size_t block) {
    std::vector<float> out1(mod.size(), 0.0f), out2(mod.size(), 0.0f);
    std::vector<float> a = mod, b = car;
    b.resize(a.size());
    for (std::size_t at = 0; at < a.size(); at += block) {
        const std::size_t n = std::min(block, a.size() - at);
        float* in[2] = {a.data() + at, b.data() + at};
        float* out[2] = {out1.data() + at, out2.data() + at};
        host.effect->processReplacing(host.effect, in, out, static_cast<VstInt32>(n));
    }
    EXPECT_EQ(out1, out2);
    return out1;
}

float rms(const std::vector<float>& v, std::size_t from) {
    double sum = 0.0;
    for (std::size_t i = from; i < v.size(); ++i) sum += static_cast<double>(v[i]) * v[i];
    return static_cast<float>(std::sqrt(sum / static_cast<double>(v.size() - from)));
}

enum class Carrier { Drone, External, Playback };

void setUpCarrier(TestHost& host, Carrier carrier) {
    switch (carrier) {
    case Carrier::Drone:
        for (int k = 0; k < 3; ++k) host.setParameter(kO1Level + 2 * k, 0.7f);
        host.setParameter(kO2Offset, 0.28f);
        host.setParameter(kO3Offset, 0.48f);
        break;
    case Carrier::External:
        host.setParameter(kSource, 1.0f);
        break;
    case Carrier::Playback:
        host.setParameter(kPlayback, 1.0f);
        host.setParameter(kWaveform, 1.0f / 3.0f);
        host.sendMidi({{0x90, 48, 100, 0}, {0x90, 55, 100, 0}, {0x90, 60, 90, 0},
                       {0x90, 64, 80, 0}, {0x90, 67, 70, 0}, {0x90, 72, 60, 0}, {0xB0, 1, 100, 0}});
        break;
    }
}

const char* nameOf(Carrier c) { return c == Carrier::Drone ? "drone" : c == Carrier::External ? "external" : "playback"; }

// Far above what any parameter values give with these signals (about 50 at
// most), far below where a runaway state ends up.
constexpr float kOutputBound = 1000.0f;

void expectBounded(const std::vector<float>& out) {
    for (float v : out) ASSERT_LT(std::fabs(v), kOutputBound);  // fails for NaN too
}

}  // namespace

TEST(Vocoding, EveryCarrierAtEveryRateFollowsTheModulator) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (Carrier carrier : {Carrier::Drone, Carrier::External, Carrier::Playback}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << nameOf(carrier));
            const auto n = static_cast<std::size_t>(rate);
            const auto voice = voiceLike(n, rate);
            const auto ext = saw(n, 110.0, rate);
            float level[2];
            for (int silent = 0; silent < 2; ++silent) {
                TestHost host;
                host.setSampleRate(rate);
                setUpCarrier(host, carrier);
                const auto out = render(host, silent ? std::vector<float>(n, 0.0f) : voice, ext, 512);
                float peak = 0.0f;
                for (float v : out) {
                    ASSERT_TRUE(std::isfinite(v));
                    peak = std::max(peak, std::fabs(v));
                }
                EXPECT_LT(peak, 8.0f);
                level[silent] = rms(out, n / 2);
            }
            // With the dry synthesizer off, the output is the vocoded carrier:
            // present with a voice, next to nothing without one.
            EXPECT_GT(level[0], 0.02f);
            EXPECT_LT(level[1], level[0] * 1e-3f);
        }
    }
}

TEST(Vocoding, TheBlockSizeDoesNotChangeTheOutput) {
    for (float rate : {44100.0f, 96000.0f}) {
        const auto voice = voiceLike(20000, rate);
        const auto ext = saw(20000, 97.0, rate);
        std::vector<float> reference;
        for (std::size_t block : {4096u, 1u, 63u, 512u}) {
            TestHost host;
            host.setSampleRate(rate);
            host.setParameter(kSource, 1.0f);
            host.setParameter(kFormant, 0.7f);
            const auto out = render(host, voice, ext, block);
            if (reference.empty()) {
                reference = out;
            } else {
                EXPECT_EQ(out, reference) << rate << " Hz, blocks of " << block;
            }
        }
    }
}

TEST(Vocoding, ProcessOverwritesLikeProcessReplacing) {
    TestHost a, b;
    for (TestHost* h : {&a, &b}) setUpCarrier(*h, Carrier::Drone);
    auto mod = voiceLike(2048, 44100.0);
    std::vector<float> car(2048, 0.0f), o1(2048, 5.0f), o2(2048, 5.0f), r1(2048), r2(2048);
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {o1.data(), o2.data()};
    float* rout[2] = {r1.data(), r2.data()};
    a.effect->process(a.effect, in, out, 2048);
    b.effect->processReplacing(b.effect, in, rout, 2048);
    EXPECT_EQ(o1, r1);
    EXPECT_EQ(o2, r2);
}

TEST(Vocoding, InstancesAtDifferentRatesRunIndependently) {
    const auto voice44 = voiceLike(8192, 44100.0);
    const auto voice96 = voiceLike(8192, 96000.0);
    TestHost alone44, alone96, both44, both96;
    for (TestHost* h : {&alone44, &both44}) h->setSampleRate(44100.0f);
    for (TestHost* h : {&alone96, &both96}) h->setSampleRate(96000.0f);
    for (TestHost* h : {&alone44, &alone96, &both44, &both96}) setUpCarrier(*h, Carrier::Drone);
    const auto ref44 = render(alone44, voice44, {}, 256);
    const auto ref96 = render(alone96, voice96, {}, 256);
    std::vector<float> out44, out96;
    for (std::size_t at = 0; at < 8192; at += 256) {
        const std::vector<float> m44(voice44.begin() + static_cast<long>(at), voice44.begin() + static_cast<long>(at) + 256);
        const std::vector<float> m96(voice96.begin() + static_cast<long>(at), voice96.begin() + static_cast<long>(at) + 256);
        const auto o44 = render(both44, m44, {}, 256);
        const auto o96 = render(both96, m96, {}, 256);
        out44.insert(out44.end(), o44.begin(), o44.end());
        out96.insert(out96.end(), o96.begin(), o96.end());
    }
    EXPECT_EQ(out44, ref44);
    EXPECT_EQ(out96, ref96);
}

TEST(Vocoding, UnusableHostRatesKeepTheLastGoodOne) {
    const auto voice = voiceLike(8192, 48000.0);
    TestHost steady, wobbly;
    for (TestHost* h : {&steady, &wobbly}) {
        h->setSampleRate(48000.0f);
        setUpCarrier(*h, Carrier::Drone);
        h->setParameter(kSynthVol, 0.5f);
    }
    const auto ref = render(steady, voice, {}, 512);
    render(wobbly, std::vector<float>(voice.begin(), voice.begin() + 512), {}, 512);
    for (float bad : {0.0f, -48000.0f, NAN, INFINITY, 3.0f, 1000001.0f, 5e6f}) wobbly.setSampleRate(bad);
    const auto out = render(wobbly, std::vector<float>(voice.begin() + 512, voice.end()), {}, 512);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), ref.begin() + 512));
}

TEST(Vocoding, WildParameterValuesKeepTheOutputBounded) {
    const auto voice = voiceLike(1024, 44100.0);
    const auto ext = saw(1024, 220.0, 44100.0);
    for (float wild : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 2.0f, -1.0f, 1.0000001f}) {
        SCOPED_TRACE(wild);
        TestHost host;
        for (int index = 0; index < kNumParams; ++index) host.setParameter(index, wild);
        for (float source : {0.0f, 1.0f}) {
            for (float playback : {0.0f, 1.0f}) {
                host.setParameter(kSource, source);
                host.setParameter(kPlayback, playback);
                host.sendMidi({{0x90, 127, 100, 3}, {0x90, 0, 100, 5}, {0xE0, 0, 0, 7}});
                expectBounded(render(host, voice, ext, 256));
            }
        }
    }
}

TEST(Vocoding, WildHostRatesKeepTheOutputBounded) {
    // Toggling an oscillator's level makes its amplitude glide at every rate.
    const auto voice = voiceLike(2048, 48000.0);
    for (float rate : {5e6f, 1000001.0f, 1e6f, 8000.0f, 22.0f}) {
        SCOPED_TRACE(rate);
        TestHost host;
        host.setSampleRate(rate);
        setUpCarrier(host, Carrier::Drone);
        host.setParameter(kSynthVol, 1.0f);
        for (int block = 0; block < 40; ++block) {
            host.setParameter(kO1Level, block % 2 ? 0.0f : 1.0f);
            expectBounded(render(host, voice, {}, 512));
        }
    }
}

TEST(Midi, NotesStartAtTheirFrame) {
    TestHost host;
    host.setParameter(kPlayback, 1.0f);
    host.setParameter(kSynthVol, 1.0f);
    render(host, std::vector<float>(64, 0.0f), {}, 64);
    host.sendMidi({{0x90, 69, 100, 100}});
    const auto out = render(host, std::vector<float>(256, 0.0f), {}, 256);
    float before = 0.0f, after = 0.0f;
    for (int i = 0; i < 100; ++i) before = std::max(before, std::fabs(out[static_cast<std::size_t>(i)]));
    for (int i = 101; i < 140; ++i) after = std::max(after, std::fabs(out[static_cast<std::size_t>(i)]));
    EXPECT_LT(before, 1e-5f);
    EXPECT_GT(after, 1e-3f);
}

TEST(Midi, SustainPedalSwitchesFreezeThroughTheHost) {
    TestHost host;
    host.setParameter(kFreezeKey, 5.0f / 6.0f);
    EXPECT_EQ(host.sendMidi({{0xB0, 64, 127, 0}}), 1);
    EXPECT_EQ(host.getParameter(kFreeze), 1.0f);
    const auto automated = host.callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, kFreeze);
    EXPECT_EQ(automated[0].opt, 1.0f);
    host.sendMidi({{0xB0, 64, 0, 0}});
    EXPECT_EQ(host.getParameter(kFreeze), 0.0f);
    EXPECT_EQ(host.getParameter(kFlat), 0.0f);
}
