// Processing speed of the built plug-in: ns per sample and the real-time factor
// (seconds of audio processed per second of one core), per carrier, rate and block size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <vector>

#include "bench/signals.h"
#include "tools/plugin_host.h"
#include "vocoder/talkforge.h"

namespace {

enum Carrier : int { kDroneCarrier, kExternalCarrier, kPlaybackCarrier };
constexpr int kMidiNoteOn = 0x90, kMidiController = 0xB0, kCtrlModWheel = 1;

// Six notes and the mod wheel, all due at the first frame.
std::vector<TimedMidi> chordAndModWheel() {
    constexpr int kValue = 100;  // velocity, and the wheel's position
    const auto message = [](int status, int data1) {
        return TimedMidi{0, {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                             static_cast<std::uint8_t>(kValue)}};
    };
    std::vector<TimedMidi> events;
    for (int note : {48, 55, 60, 64, 67, 72}) events.push_back(message(kMidiNoteOn, note));
    events.push_back(message(kMidiController, kCtrlModWheel));
    return events;
}

void run(benchmark::State& state, PluginHost& plugin, const Signals& sig, float rate, std::size_t block,
         bool silent) {
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
        plugin.process(in, out, static_cast<int>(block));
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

// A started instance playing the carrier, or null with the benchmark skipped.
std::unique_ptr<PluginHost> prepare(benchmark::State& state, Carrier carrier, float rate, const Signals& sig) {
    std::unique_ptr<PluginHost> plugin;
    try {
        // TALKFORGE_PLUGIN measures another build of the plug-in, to compare two.
        const char* other = std::getenv("TALKFORGE_PLUGIN");
        plugin = std::make_unique<PluginHost>(other && *other ? other : TALKFORGE_PLUGIN_PATH);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
    plugin->start(rate, kMaxBlockFrames);
    if (carrier == kDroneCarrier) {
        for (int k = 0; k < kNumOscillators; ++k) plugin->setParameter(kO1Level + 2 * k, 0.5f);
        plugin->setParameter(kO2Offset, 0.28f);
    } else if (carrier == kExternalCarrier) {
        plugin->setParameter(kSource, 1.0f);
    } else {
        plugin->setParameter(kPlayback, 1.0f);
        plugin->sendEvents(chordAndModWheel(), 0);
    }
    plugin->setParameter(kSynthVol, 0.2f);
    // Past the fade-in of the leveling, on the loud signal.
    std::vector<float> out1(sig.mod.size()), out2(sig.mod.size());
    std::vector<float> mod = sig.mod, car = sig.car;
    float* in[2] = {mod.data(), car.data()};
    float* out[2] = {out1.data(), out2.data()};
    plugin->process(in, out, static_cast<int>(std::min<std::size_t>(mod.size(), kMaxBlockFrames)));
    return plugin;
}

void BM_Process(benchmark::State& state) {
    const HostFloatMode mode;
    const auto carrier = static_cast<Carrier>(state.range(0));
    const auto rate = static_cast<float>(state.range(1));
    const auto block = static_cast<std::size_t>(state.range(2));
    const Signals sig(rate);
    const auto plugin = prepare(state, carrier, rate, sig);
    if (plugin) run(state, *plugin, sig, rate, block, false);
}

// Silence after a loud signal: the filters ring down toward the denormal range.
// It runs without flushing, so that any denormal slowdown of the plug-in's own would show.
void BM_LoudThenSilence(benchmark::State& state) {
    const bool silent = state.range(0) != 0;
    constexpr float kRate = 48000.0f;
    constexpr int kSecond = static_cast<int>(kRate);
    constexpr int kDecaySeconds = 20;  // long enough for every envelope and filter state to decay
    const Signals sig(kRate);
    const auto plugin = prepare(state, kExternalCarrier, kRate, sig);
    if (!plugin) return;
    if (silent) {
        std::vector<float> zeros(kSecond, 0.0f), o1(kSecond), o2(kSecond);
        float* in[2] = {zeros.data(), zeros.data()};
        float* out[2] = {o1.data(), o2.data()};
        for (int i = 0; i < kDecaySeconds; ++i) plugin->process(in, out, kSecond);
    }
    run(state, *plugin, sig, kRate, 512, silent);
}

}  // namespace

BENCHMARK(BM_Process)
    ->ArgNames({"carrier", "rate", "block"})
    ->ArgsProduct({{kDroneCarrier, kExternalCarrier, kPlaybackCarrier}, {48000, 96000}, {64, 512}});
BENCHMARK(BM_LoudThenSilence)->ArgNames({"silent"})->Arg(0)->Arg(1);

BENCHMARK_MAIN();
