// The built plug-in on the threads a host runs it on at once: the audio
// thread processing, the user-interface thread idling an open editor and
// asking for display texts, and a third thread automating parameters and
// switching programs; and two instances at different rates, each on its own
// audio thread. The thread-sanitizer build runs these to find data races;
// every build checks the output.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/platform/x11/hostwindow.h"
#include "tests/testhost.h"
#include "tests/vocoder/signals.h"
#include "vocoder/talkforge.h"

namespace {

constexpr int kBlock = 64;
constexpr float kMidi64 = 0.9f;  // a FreezeKey / FlatKey value naming the sustain pedal

// A host that answers from any thread and counts the automation it hears of.
std::atomic<int> automations{0};
VstIntPtr threadSafeHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterAutomate) automations.fetch_add(1, std::memory_order_relaxed);
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::unique_ptr<tf::x11host::HostWindow> hostWindow() {
    std::string why;
    auto w = tf::x11host::HostWindow::open(640, 385, "host", why);
    if (!w) ADD_FAILURE() << why;
    return w;
}

// Processes `blocks` blocks of a voice over the built-in synthesizer; the
// output of output 1, block after block.
class AudioRun {
public:
    AudioRun(AEffect* effect, double rate, int blocks) : e(effect), voice(voiceLike(std::size_t(kBlock) * 64, rate)) {
        out.reserve(std::size_t(blocks) * kBlock);
    }
    void block(VstEvents* events) {
        const std::size_t at = (out.size() % voice.size());
        std::copy_n(voice.begin() + long(at), kBlock, mod.begin());
        if (events) dispatch(e, effProcessEvents, 0, 0, events);
        float* in[2] = {mod.data(), car.data()};
        float* outs[2] = {out1.data(), out2.data()};
        e->processReplacing(e, in, outs, kBlock);
        out.insert(out.end(), out1.begin(), out1.end());
    }
    std::vector<float> out;

private:
    AEffect* e;
    std::vector<float> voice;
    std::array<float, kBlock> mod{}, car{}, out1{}, out2{};
};

}  // namespace

TEST(Threads, AudioEditorAndAutomationShareAnInstance) {
    const auto parent = hostWindow();
    ASSERT_NE(parent, nullptr);
    AEffect* e = PluginLibrary::entry()(&threadSafeHost);
    ASSERT_NE(e, nullptr);
    dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->setParameter(e, kO1Level, 0.8f);

    constexpr int kBlocks = 3000, kIdles = 40, kChanges = 3000;
    std::atomic<bool> stop{false}, opened{false};
    std::atomic<int> idles{0}, changes{0};
    std::thread ui([&] {
        opened = dispatch(e, effEditOpen, 0, 0, parent->handle()) == 1;
        char text[64];
        for (int n = 0; !stop.load(); ++n) {
            dispatch(e, effEditIdle);
            dispatch(e, effGetParamDisplay, n % kNumParams, 0, text);
            idles.fetch_add(1);
            std::this_thread::yield();
        }
        dispatch(e, effEditClose);
    });
    std::thread automation([&] {
        char name[kVstMaxProgNameLen];
        for (int n = 0; !stop.load(); ++n) {
            const int index = n % kNumParams;
            // Every value in range; the trigger keys now and then on the pedal.
            float value = float(n % 97) / 96.0f;
            if (index == kFreezeKey || index == kFlatKey) value = n % 3 ? kMidi64 : 0.0f;
            if (index == kPlayback) value = float((n / kNumParams) % 2);
            e->setParameter(e, index, value);
            if (n % 50 == 0) {
                dispatch(e, effSetProgram, 0, (n / 50) % kNumPrograms);
                dispatch(e, effGetProgramName, 0, 0, name);
            }
            changes.fetch_add(1);
        }
    });

    AudioRun audio(e, 48000.0, kBlocks);
    // Notes for playback, and the sustain pedal, which switches Freeze and
    // Flat from this thread (the host and the editor hear of it).
    MidiList notes({{0x90, 60, 100, 0}, {0xB0, 64, 127, 10}, {0xE0, 0, 70, 20}});
    MidiList release({{0x80, 60, 0, 5}, {0xB0, 64, 0, 30}});
    int blocks = 0;
    for (; blocks < kBlocks || idles.load() < kIdles || changes.load() < kChanges; ++blocks)
        audio.block(blocks % 8 == 0 ? notes.list() : blocks % 8 == 4 ? release.list() : nullptr);
    stop = true;
    ui.join();
    automation.join();

    EXPECT_TRUE(opened);
    EXPECT_GT(automations.load(), 0);  // the pedal's changes reached the host
    for (std::size_t i = 0; i < audio.out.size(); ++i) ASSERT_TRUE(std::isfinite(audio.out[i])) << "frame " << i;
    dispatch(e, effClose);
}

// Instances share nothing: at 44.1 and 96 kHz on two audio threads at once,
// with their editors idled on one user-interface thread, each gives exactly
// what it gives alone.
TEST(Threads, TwoInstancesAtDifferentRatesRunAsTheyDoAlone) {
    constexpr std::array<float, 2> kRates = {44100.0f, 96000.0f};
    constexpr int kBlocks = 1500;
    MidiList chord({{0x90, 48, 100, 0}, {0x90, 55, 90, 3}, {0x90, 64, 80, 7}});
    auto make = [](float rate) {
        AEffect* e = PluginLibrary::entry()(&threadSafeHost);
        dispatch(e, effSetSampleRate, 0, 0, nullptr, rate);
        e->setParameter(e, kPlayback, 1.0f);
        e->setParameter(e, kSynthVol, 0.3f);
        return e;
    };
    auto run = [&](AEffect* e, float rate) {
        auto r = std::make_unique<AudioRun>(e, rate, kBlocks);
        for (int b = 0; b < kBlocks; ++b) r->block(b == 0 ? chord.list() : nullptr);
        return r;
    };

    std::array<std::vector<float>, 2> alone;
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        AEffect* e = make(kRates[i]);
        alone[i] = run(e, kRates[i])->out;
        dispatch(e, effClose);
    }

    const std::array<std::unique_ptr<tf::x11host::HostWindow>, 2> parents = {hostWindow(), hostWindow()};
    ASSERT_TRUE(parents[0] && parents[1]);
    const std::array<AEffect*, 2> effects = {make(kRates[0]), make(kRates[1])};
    std::atomic<int> running{2};
    std::thread ui([&] {
        for (std::size_t i = 0; i < effects.size(); ++i)
            EXPECT_EQ(dispatch(effects[i], effEditOpen, 0, 0, parents[i]->handle()), 1);
        while (running.load() > 0) {
            for (AEffect* e : effects) dispatch(e, effEditIdle);
            std::this_thread::yield();
        }
        for (AEffect* e : effects) dispatch(e, effEditClose);
    });
    std::array<std::unique_ptr<AudioRun>, 2> together;
    std::array<std::thread, 2> audio;
    for (std::size_t i = 0; i < audio.size(); ++i)
        audio[i] = std::thread([&, i] {
            together[i] = run(effects[i], kRates[i]);
            running.fetch_sub(1);
        });
    for (std::thread& t : audio) t.join();
    ui.join();

    for (std::size_t i = 0; i < effects.size(); ++i) {
        ASSERT_EQ(together[i]->out.size(), alone[i].size());
        EXPECT_EQ(std::memcmp(together[i]->out.data(), alone[i].data(), alone[i].size() * sizeof(float)), 0)
            << "the instance at " << kRates[i] << " Hz";
        dispatch(effects[i], effClose);
    }
}
