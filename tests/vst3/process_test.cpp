// Processing through the bundle as a host drives it: the sound equals the
// VST 2 module's sample for sample, whatever the buses, the blocks and the
// MIDI; the bypass; what the pedal tells the host.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/vocoder/signals.h"
#include "tests/vst3/fixture.h"
#include "tests/vst3/render.h"
#include "vocoder/talkforge.h"

namespace {

using namespace vst3;
using namespace vst3test;

constexpr ParamID kBypassParameter = 1000;

class Processing : public BundleTest {
protected:
    std::unique_ptr<Instance> instance(double rate, int block) {
        auto i = newInstance();
        EXPECT_EQ(i->start(rate, block), kResultOk);
        return i;
    }
    void expectEqualRenders(const RenderJob& job, const char* what) {
        const std::vector<float> vst2 = renderVst2(job);
        auto i = instance(job.rate, job.block);
        const std::vector<float> vst3 = renderVst3(*i, job);
        EXPECT_GT(peak(vst2), 0.01) << what << ": the render is too quiet to prove anything";
        EXPECT_EQ(maxDifference(vst2, vst3), 0.0) << what;
    }
};

RenderJob externalCarrier(double rate, int block, double seconds) {
    RenderJob job;
    job.rate = rate;
    job.block = block;
    const auto n = static_cast<std::size_t>(seconds * rate);
    job.voice = voiceLike(n, rate);
    job.carrier = saw(n, 110.0, rate);
    job.parameters = {{kSource, 1.0f}, {kFormant, 0.6f}, {kOutLevel, 0.7f}};
    return job;
}

TEST_F(Processing, ExternalCarrierEqualsTheVst2Module) {
    expectEqualRenders(externalCarrier(44100.0, 512, 1.0), "44.1 kHz, blocks of 512");
    expectEqualRenders(externalCarrier(48000.0, 333, 1.0), "48 kHz, blocks of 333");
    expectEqualRenders(externalCarrier(96000.0, 1024, 1.0), "96 kHz (half rate), blocks of 1024");
}

// Notes played from MIDI with the pitch bend, the mod wheel's vibrato, and
// the sustain pedal holding Freeze: notes arrive as events, the rest as
// changes of the parameters the controller maps them to, each at its frame.
TEST_F(Processing, MidiNotesBendModWheelAndPedalEqualTheVst2Module) {
    RenderJob job;
    job.rate = 48000.0;
    job.block = 480;
    const auto n = static_cast<std::size_t>(2.0 * job.rate);
    job.voice = voiceLike(n, job.rate);
    job.parameters = {{kPlayback, 1.0f}, {kO1Level, 0.8f},          {kO2Level, 0.6f},
                      {kSynthVol, 0.2f}, {kFreezeKey, 5.0f / 6.0f}, {kWaveform, 1.0f / 3.0f}};
    job.midi = {
        {100, 0x90, 48, 100},      {100, 0x90, 55, 90},       {7000, 0xE0, 0x00, 0x50}, {9000, 0xB0, 1, 90},
        {20000, 0x90, 60, 80},     {24011, 0xE0, 0x7F, 0x7F}, {30000, 0xB0, 64, 127},   {45000, 0x80, 48, 0},
        {52000, 0xE0, 0x00, 0x40}, {60000, 0xB0, 64, 0},      {61000, 0x93, 67, 70},    {70000, 0xB0, 1, 0},
        {80000, 0x80, 55, 64},     {80001, 0x90, 62, 0},      {85000, 0xB0, 126, 0},    {90000, 0x90, 50, 100},
    };
    expectEqualRenders(job, "playback with bend, mod wheel and pedal");

    // Without the controllers the sound is another: they did reach the engine.
    RenderJob notesOnly = job;
    std::erase_if(notesOnly.midi, [](const TimedMessage& m) { return (m.status & 0xF0) >= 0xB0; });
    auto a = instance(job.rate, job.block);
    auto b = instance(job.rate, job.block);
    EXPECT_GT(maxDifference(renderVst3(*a, job), renderVst3(*b, notesOnly)), 0.01);
}

// Blocks of every kind a host may send: one frame, odd sizes, the largest the
// engine takes at once, and beyond it (split where the VST 2 module would
// need two calls).
TEST_F(Processing, BlockSizesDoNotChangeTheSound) {
    RenderJob job = externalCarrier(44100.0, 1, 0.05);
    expectEqualRenders(job, "one frame per block");
    job = externalCarrier(44100.0, 65535, 3.0);
    expectEqualRenders(job, "blocks of 65535");

    // One block of 100000 frames equals the VST 2 module given 65535 and the rest.
    job = externalCarrier(44100.0, 100000, 100000 / 44100.0);
    RenderJob split = job;
    split.block = kMaxBlockFrames;
    const std::vector<float> vst2 = renderVst2(split);
    auto i = instance(job.rate, job.block);
    EXPECT_EQ(maxDifference(vst2, renderVst3(*i, job)), 0.0);
}

// The hosts' ways with buses: a stereo voice of which the left channel is
// the voice, a mono output, an unfed side-chain, buffers shared by input and
// output, an empty flush between blocks.
TEST_F(Processing, BusesAsHostsFeedThem) {
    const std::size_t n = 4096;
    const std::vector<float> voice = voiceLike(n, 44100.0), carrier = saw(n, 220.0, 44100.0);
    RenderJob job = externalCarrier(44100.0, static_cast<int>(n), n / 44100.0);
    job.voice = voice;
    job.carrier = carrier;
    const std::vector<float> expected = renderVst2(job);
    RenderJob noCarrier = job;
    noCarrier.carrier.clear();
    const std::vector<float> expectedSilentCarrier = renderVst2(noCarrier);

    auto run = [&](std::vector<Bus>& inputs, std::vector<Bus>& outputs, int32 numInputs, SpeakerArrangement voiceArr,
                   SpeakerArrangement outArr, bool flushFirst) {
        auto i = newInstance();
        SpeakerArrangement ins[2] = {voiceArr, speaker::kMono}, outs[1] = {outArr};
        EXPECT_EQ(i->processor->setBusArrangements(ins, 2, outs, 1), kResultTrue);
        EXPECT_EQ(i->start(44100.0, static_cast<int32>(n)), kResultOk);
        auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
        for (const auto& [index, value] : job.parameters) changes->add(static_cast<ParamID>(index), 0, value);
        ProcessOptions options;
        options.changes = changes.get();
        std::vector<Bus> none;
        if (flushFirst) {
            EXPECT_EQ(i->process(none, none, 0, options), kResultOk);
            options.changes = nullptr;
        }
        options.numInputs = numInputs;
        EXPECT_EQ(i->process(inputs, outputs, static_cast<int32>(n), options), kResultOk);
        EXPECT_EQ(i->lastOutputSilence[0], 0u);
    };

    {  // Stereo voice, whose right channel is ignored; stereo output.
        std::vector<Bus> in(2), out(1);
        in[0].channels = {voice, sine(n, 3000.0, 44100.0)};
        in[1].channels = {carrier};
        out[0].channels.assign(2, std::vector<float>(n, 5.0f));
        run(in, out, 2, speaker::kStereo, speaker::kStereo, false);
        EXPECT_EQ(out[0].channels[0], expected);
        EXPECT_EQ(out[0].channels[1], expected);
    }
    {  // Mono voice, mono output, after a flush that brought the parameters.
        std::vector<Bus> in(2), out(1);
        in[0].channels = {voice};
        in[1].channels = {carrier};
        out[0].channels.assign(1, std::vector<float>(n));
        run(in, out, 2, speaker::kMono, speaker::kMono, true);
        EXPECT_EQ(out[0].channels[0], expected);
    }
    {  // The side-chain left out (numInputs 1), or given null channels: silence.
        for (bool nullPointers : {false, true}) {
            std::vector<Bus> in(2), out(1);
            in[0].channels = {voice};
            in[1].channels = {carrier};
            in[1].nullPointers = nullPointers;
            out[0].channels.assign(2, std::vector<float>(n));
            run(in, out, nullPointers ? 2 : 1, speaker::kMono, speaker::kStereo, false);
            EXPECT_EQ(out[0].channels[0], expectedSilentCarrier) << nullPointers;
        }
    }
    {  // Processing in place: the output channels are the voice's own buffers.
        auto i = newInstance();
        ASSERT_EQ(i->start(44100.0, static_cast<int32>(n)), kResultOk);
        std::vector<float> left = voice, right = voice, side = carrier;
        float* voiceChannels[2] = {left.data(), right.data()};
        float* carrierChannels[1] = {side.data()};
        AudioBusBuffers in[2] = {{2, 0, {voiceChannels}}, {1, 0, {carrierChannels}}};
        AudioBusBuffers out[1] = {{2, 3, {voiceChannels}}};
        auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
        for (const auto& [index, value] : job.parameters) changes->add(static_cast<ParamID>(index), 0, value);
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.numSamples = static_cast<int32>(n);
        data.numInputs = 2;
        data.numOutputs = 1;
        data.inputs = in;
        data.outputs = out;
        data.inputParameterChanges = changes.get();
        ASSERT_EQ(i->processor->process(data), kResultOk);
        EXPECT_EQ(left, expected);
        EXPECT_EQ(right, expected);
        EXPECT_EQ(out[0].silenceFlags, 0u);
    }
}

// The bypass fades from the vocoder to the voice delayed by the latency in
// about 20 ms, frame by frame, and lands on the delayed voice exactly.
TEST_F(Processing, BypassFadesToTheDelayedVoice) {
    const double rate = 48000.0;
    const int block = 256;
    RenderJob job = externalCarrier(rate, block, 0.5);
    const std::vector<float> wet = renderVst2(job);

    auto i = instance(rate, block);
    const int latency = static_cast<int>(i->processor->getLatencySamples());
    ASSERT_EQ(latency, 508);
    const std::size_t switchAt = 40 * static_cast<std::size_t>(block);
    std::vector<float> out;
    for (int part = 0; part < 2; ++part) {
        RenderJob half = job;
        const std::size_t from = part == 0 ? 0 : switchAt, to = part == 0 ? switchAt : job.voice.size();
        half.voice.assign(job.voice.begin() + static_cast<std::ptrdiff_t>(from),
                          job.voice.begin() + static_cast<std::ptrdiff_t>(to));
        half.carrier.assign(job.carrier.begin() + static_cast<std::ptrdiff_t>(from),
                            job.carrier.begin() + static_cast<std::ptrdiff_t>(to));
        if (part == 1) half.parameters = {{static_cast<int>(kBypassParameter), 1.0f}};
        const std::vector<float> o = renderVst3(*i, half);
        out.insert(out.end(), o.begin(), o.end());
    }
    // Before the switch: the vocoder alone.
    for (std::size_t k = 0; k < switchAt; ++k) ASSERT_EQ(out[k], wet[k]) << k;
    // Then a mix m of the vocoder (wet) and the delayed voice (dry) that rises
    // steadily from 0 to 1 over the fade.
    const auto fade = static_cast<std::size_t>(0.02 * rate);
    double lastMix = 0.0;
    for (std::size_t k = switchAt; k < switchAt + fade; ++k) {
        const double dry = job.voice[k - static_cast<std::size_t>(latency)];
        if (std::fabs(dry - wet[k]) < 0.05) continue;  // too close to tell the mix
        const double mix = (out[k] - wet[k]) / (dry - wet[k]);
        EXPECT_NEAR(mix, double(k - switchAt + 1) / double(fade), 1e-3) << k;
        EXPECT_GE(mix, lastMix - 1e-3);
        lastMix = mix;
    }
    for (std::size_t k = switchAt + fade; k < out.size(); ++k)
        ASSERT_EQ(out[k], job.voice[k - static_cast<std::size_t>(latency)]) << k;
}

// The pedal switches Freeze where FreezeKey is MIDI64: the host hears of the
// new value through the output parameter changes, at the pedal's frame.
TEST_F(Processing, PedalChangesReachTheHostAsOutputChanges) {
    auto i = instance(44100.0, 512);
    const ParamID sustain = midiMapping(i->controller.get(), 3, 64);
    ASSERT_NE(sustain, kNoParamId);
    auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
    auto outputChanges = Ref<ParameterChanges>::adopt(new ParameterChanges);
    changes->add(kFreezeKey, 0, 5.0 / 6.0);
    changes->add(sustain, 123, 1.0);
    std::vector<Bus> in(1), out(1);
    in[0].channels.assign(1, std::vector<float>(512));
    out[0].channels.assign(2, std::vector<float>(512));
    ProcessOptions options;
    options.changes = changes.get();
    options.outputChanges = outputChanges.get();
    ASSERT_EQ(i->process(in, out, 512, options), kResultOk);
    ASSERT_EQ(outputChanges->getParameterCount(), 1);
    const ParamValueQueue* q = outputChanges->queues[0];
    EXPECT_EQ(q->paramId, static_cast<ParamID>(kFreeze));
    ASSERT_EQ(q->points.size(), 1u);
    EXPECT_EQ(q->points[0].first, 123);
    EXPECT_EQ(q->points[0].second, 1.0);
    // The processor's state holds Freeze on.
    EXPECT_NE(i->processorState().find("\nfreeze 1\n"), std::string::npos) << i->processorState();
}

}  // namespace
