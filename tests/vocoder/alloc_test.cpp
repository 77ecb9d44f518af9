// Counts heap allocations while the built plug-in processes: the audio path
// (processEvents and processReplacing, rate changes included) must make none,
// also while the editor is open and idling on another thread. And every
// allocation of a construction may fail without harm to the next one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "gui/platform/x11/hostwindow.h"
#include "tests/allocation_hooks.h"
#include "tests/testhost.h"
#include "tests/vocoder/signals.h"
#include "vocoder/parameters.h"

namespace {
// Only the counting thread's allocations count: the editor's thread draws.
thread_local bool counting = false;
std::atomic<long> allocations{0};
// When positive, the allocation that brings it to 0 fails.
std::atomic<long> failCountdown{0};
}  // namespace

void noteAllocation() {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
}

bool failAllocation() {
    return failCountdown.load(std::memory_order_relaxed) > 0 && failCountdown.fetch_sub(1) == 1;
}

namespace {

struct Counting {
    Counting() {
        allocations = 0;
        counting = true;
    }
    ~Counting() { counting = false; }
};

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

TEST(AudioPath, CountingReachesThePlugin) {
    PluginEntry entry = PluginLibrary::entry();
    ASSERT_NE(entry, nullptr);
    AEffect* effect = nullptr;
    {
        Counting c;
        effect = entry(&quietHost);
    }
    ASSERT_NE(effect, nullptr);
    EXPECT_GT(allocations.load(), 0);  // creating an instance allocates inside the library
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

TEST(AudioPath, ProcessingAllocatesNothing) {
    constexpr std::size_t kBlock = 512;
    const auto voice = voiceLike(8 * kBlock, 44100.0);
    const auto carrier = saw(8 * kBlock, 110.0, 44100.0);
    std::vector<float> mod(kBlock), car(kBlock), out1(kBlock), out2(kBlock);
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {out1.data(), out2.data()};
    MidiList notes({{0x90, 60, 100, 0}, {0x90, 64, 100, 10}, {0xB0, 1, 90, 20}, {0xE0, 0, 80, 30},
                    {0x80, 60, 0, 400}, {0xB0, 126, 0, 0}, {0x90, 67, 100, 600}});

    TestHost host(false);
    host.open(PluginLibrary::entry());  // recording host: no sustain pedal below, which would call back
    ASSERT_NE(host.effect, nullptr);
    AEffect* e = host.effect;
    e->setParameter(e, kO1Level, 0.8f);
    {
        Counting c;
        for (float rate : {44100.0f, 96000.0f, 48000.0f}) {
            e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, rate);  // rebuilt in the next block
            for (float source : {0.0f, 1.0f}) {
                for (float playback : {0.0f, 1.0f}) {
                    e->setParameter(e, kSource, source);
                    e->setParameter(e, kPlayback, playback);
                    e->setParameter(e, kFormant, 0.2f + 0.3f * playback);
                    for (std::size_t at = 0; at < voice.size(); at += kBlock) {
                        std::copy_n(voice.begin() + static_cast<long>(at), kBlock, mod.begin());
                        std::copy_n(carrier.begin() + static_cast<long>(at), kBlock, car.begin());
                        e->dispatcher(e, effProcessEvents, 0, 0, notes.list(), 0.0f);
                        e->processReplacing(e, in, out, kBlock);
                    }
                }
            }
        }
    }
    EXPECT_EQ(allocations.load(), 0);
}

// The editor open in a window and idled on the user-interface thread while
// the audio thread processes; the sustain pedal switches Freeze and Flat
// from the audio thread, which the editor learns of without allocating.
TEST(AudioPathWithEditor, ProcessingAllocatesNothingWhileTheEditorIdles) {
    std::string why;
    const auto parent = tf::x11host::HostWindow::open(640, 385, "host", why);
    ASSERT_NE(parent, nullptr) << why;
    AEffect* e = PluginLibrary::entry()(&quietHost);
    ASSERT_NE(e, nullptr);
    e->setParameter(e, kO1Level, 0.8f);
    e->setParameter(e, kFreezeKey, 1.0f - 1.0f / 12.0f);  // MIDI64
    e->setParameter(e, kFlatKey, 1.0f - 1.0f / 12.0f);

    std::atomic<bool> opened{false}, stop{false};
    std::atomic<int> idles{0};
    std::thread ui([&] {
        opened = e->dispatcher(e, effEditOpen, 0, 0, parent->handle(), 0.0f) == 1;
        while (!stop) {
            e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
            ++idles;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    while (!opened && idles == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    constexpr std::size_t kBlock = 256;
    constexpr int kIdlesWanted = 25;  // the editor draws meters and spectrum at each
    const auto voice = voiceLike(64 * kBlock, 44100.0);
    std::vector<float> mod(kBlock), car(kBlock, 0.0f), out1(kBlock), out2(kBlock);
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {out1.data(), out2.data()};
    MidiList pedal({{0xB0, 64, 127, 0}, {0xB0, 64, 0, 100}, {0x90, 60, 90, 200}});
    const int idlesBefore = idles;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    {
        Counting c;
        for (std::size_t block = 0; idles - idlesBefore < kIdlesWanted && std::chrono::steady_clock::now() < deadline;
             ++block) {
            const std::size_t at = (block * kBlock) % voice.size();
            std::copy_n(voice.begin() + static_cast<long>(at), kBlock, mod.begin());
            e->dispatcher(e, effProcessEvents, 0, 0, pedal.list(), 0.0f);
            e->processReplacing(e, in, out, kBlock);
            e->setParameter(e, kModLevel, 0.3f + 0.001f * float(block % 100));  // as host automation does
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // blocks come in real time
        }
    }
    const int idlesDuring = idles - idlesBefore;
    stop = true;
    ui.join();
    EXPECT_TRUE(opened);
    EXPECT_GE(idlesDuring, kIdlesWanted);
    EXPECT_EQ(allocations.load(), 0);
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// Each allocation of a construction fails in turn: the entry answers with
// no effect or a whole one, nothing leaks (the sanitizer run checks), and
// the next construction is not refused for an earlier failure.
TEST(Construction, EveryFailedAllocationLeavesTheNextInstanceAlone) {
    PluginEntry entry = PluginLibrary::entry();
    long needed = 0;
    {
        Counting c;
        AEffect* e = entry(&quietHost);
        needed = allocations.load();
        ASSERT_NE(e, nullptr);
        e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    int refused = 0;
    for (long k = 1; k <= needed; ++k) {
        failCountdown = k;
        AEffect* failed = entry(&quietHost);
        failCountdown = 0;
        if (failed) {
            failed->dispatcher(failed, effClose, 0, 0, nullptr, 0.0f);
        } else {
            ++refused;
        }
        AEffect* next = entry(&quietHost);
        ASSERT_NE(next, nullptr) << "after failing allocation " << k;
        EXPECT_EQ(next->flags & effFlagsHasEditor, effFlagsHasEditor);
        next->dispatcher(next, effClose, 0, 0, nullptr, 0.0f);
    }
    EXPECT_GT(refused, 0);
}
