// Counts heap allocations while the built plug-in processes: the audio path
// (processEvents and processReplacing, rate changes included) must make none.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/testhost.h"
#include "tests/vocoder/signals.h"
#include "vocoder/parameters.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* counted(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

// Replaced for the whole process, the dlopened plug-in included (the test exports them).
void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// malloc itself, where no sanitizer owns it.
#ifndef __SANITIZE_ADDRESS__
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}
#endif

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
