// Processing speed of the built plug-in: ns per sample and the real-time factor
// (seconds of audio processed per second of one core), per carrier, rate and block size.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <time.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "host/vst2.h"
#include "vocoder/parameters.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The plug-in, opened once.
AEffect* newEffect() {
    static void* lib = dlopen(TALKFORGE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "dlopen %s: %s\n", TALKFORGE_PLUGIN_PATH, dlerror());
        return nullptr;
    }
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(lib, "VSTPluginMain"));
    return entry ? entry(&quietHost) : nullptr;
}

enum Carrier : int { kDroneCarrier, kExternalCarrier, kPlaybackCarrier };

void sendNotes(AEffect* e) {
    static const int notes[] = {48, 55, 60, 64, 67, 72};
    VstMidiEvent events[7] = {};
    for (int i = 0; i < 7; ++i) {
        events[i].type = kVstMidiType;
        events[i].byteSize = sizeof(VstMidiEvent);
        events[i].midiData[0] = static_cast<char>(i < 6 ? 0x90 : 0xB0);
        events[i].midiData[1] = static_cast<char>(i < 6 ? notes[i] : 1);
        events[i].midiData[2] = static_cast<char>(100);
    }
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[7];
    } list{7, 0, {}};
    for (int i = 0; i < 7; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    e->dispatcher(e, effProcessEvents, 0, 0, &list, 0.0f);
}

// One second of a voice-like modulator (a buzz in syllables) and a sawtooth carrier.
struct Signals {
    std::vector<float> mod, car;
    explicit Signals(float rate) {
        const auto n = static_cast<std::size_t>(rate);
        mod.assign(n, 0.0f);
        car.assign(n, 0.0f);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate;
            for (int h = 1; h <= 20; ++h) {
                mod[i] += static_cast<float>(std::sin(2.0 * std::numbers::pi * 140.0 * h * t) / (1 + std::abs(h - 5)));
                car[i] += static_cast<float>(0.4 * std::sin(2.0 * std::numbers::pi * 110.0 * h * t) / h);
            }
            if ((i * 5 / n) % 2) mod[i] *= 0.1f;
        }
    }
};

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void run(benchmark::State& state, AEffect* e, const Signals& sig, float rate, std::size_t block, bool silent) {
    std::vector<float> mod(block, 0.0f), car(block, 0.0f), out1(block), out2(block);
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {out1.data(), out2.data()};
    std::size_t at = 0;
    std::size_t frames = 0;
    const double start = threadSeconds();
    for (auto _ : state) {
        if (!silent) {
            if (at + block > sig.mod.size()) at = 0;
            std::copy_n(sig.mod.begin() + static_cast<long>(at), block, mod.begin());
            std::copy_n(sig.car.begin() + static_cast<long>(at), block, car.begin());
            at += block;
        }
        e->processReplacing(e, in, out, static_cast<VstInt32>(block));
        benchmark::DoNotOptimize(out1.data());
        frames += block;
    }
    const double seconds = threadSeconds() - start;
    // Per sample frame of one core's time (the input copy included, which is
    // small), and seconds of audio per second of that time.
    const auto total = static_cast<double>(frames);
    state.counters["ns_per_sample"] = seconds * 1e9 / total;
    state.counters["realtime_x"] = total / rate / seconds;
}

AEffect* prepare(Carrier carrier, float rate, const Signals& sig) {
    AEffect* e = newEffect();
    if (!e) return nullptr;
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, rate);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    if (carrier == kDroneCarrier) {
        for (int k = 0; k < 6; ++k) e->setParameter(e, kO1Level + 2 * k, 0.5f);
        e->setParameter(e, kO2Offset, 0.28f);
    } else if (carrier == kExternalCarrier) {
        e->setParameter(e, kSource, 1.0f);
    } else {
        e->setParameter(e, kPlayback, 1.0f);
        sendNotes(e);
    }
    e->setParameter(e, kSynthVol, 0.2f);
    // Past the fade-in of the leveling, on the loud signal.
    std::vector<float> out1(sig.mod.size()), out2(sig.mod.size());
    std::vector<float> mod = sig.mod, car = sig.car;
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {out1.data(), out2.data()};
    e->processReplacing(e, in, out, static_cast<VstInt32>(std::min<std::size_t>(mod.size(), 65535)));
    return e;
}

void BM_Process(benchmark::State& state) {
    const auto carrier = static_cast<Carrier>(state.range(0));
    const auto rate = static_cast<float>(state.range(1));
    const auto block = static_cast<std::size_t>(state.range(2));
    const Signals sig(rate);
    AEffect* e = prepare(carrier, rate, sig);
    if (!e) {
        state.SkipWithError("plug-in not loaded");
        return;
    }
    run(state, e, sig, rate, block, false);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// Silence after a loud signal: the filters ring down toward the denormal range.
void BM_LoudThenSilence(benchmark::State& state) {
    const bool silent = state.range(0) != 0;
    constexpr float kRate = 48000.0f;
    const Signals sig(kRate);
    AEffect* e = prepare(kExternalCarrier, kRate, sig);
    if (!e) {
        state.SkipWithError("plug-in not loaded");
        return;
    }
    if (silent) {
        // Long enough for every envelope and filter state to decay.
        std::vector<float> zeros(48000, 0.0f), o1(48000), o2(48000);
        float* in[2] = {zeros.data(), zeros.data()};
        float* out[2] = {o1.data(), o2.data()};
        for (int i = 0; i < 20; ++i) e->processReplacing(e, in, out, 48000);
    }
    run(state, e, sig, kRate, 512, silent);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace

BENCHMARK(BM_Process)
    ->ArgNames({"carrier", "rate", "block"})
    ->ArgsProduct({{kDroneCarrier, kExternalCarrier, kPlaybackCarrier}, {48000, 96000}, {64, 512}});
BENCHMARK(BM_LoudThenSilence)->ArgNames({"silent"})->Arg(0)->Arg(1);

BENCHMARK_MAIN();
