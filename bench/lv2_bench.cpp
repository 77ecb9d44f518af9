// The LV2 module's run() as a host drives it, through lilv, with the UI
// closed (no meters asked for): the same signals and carriers as the VST 2
// module's benchmark, so that the two compare.
#include <benchmark/benchmark.h>
#include <lilv/lilv.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/signals.h"
#include "vocoder/talkforge.h"

namespace {

enum Carrier : int { kDroneCarrier, kExternalCarrier };
constexpr const char* kUri = "https://harrowgate-sounds.com/plugins/talkforge";

// One instance of the built bundle with every control port at its default.
class Lv2Instance {
public:
    explicit Lv2Instance(double rate) : world(lilv_world_new()) {
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, TALKFORGE_LV2_BUNDLE "/");
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world, kUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        if (!plugin) return;
        const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
        defaults.resize(ports);
        values.resize(ports);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
        instance = lilv_plugin_instantiate(plugin, rate, nullptr);
        if (!instance) return;
        for (std::uint32_t i = 0; i < ports; ++i) {
            values[i] = defaults[i] == defaults[i] ? defaults[i] : 0.0f;
            lilv_instance_connect_port(instance, i, &values[i]);
        }
        lilv_instance_activate(instance);
        for (int i = 0; i < 4; ++i) audio[i] = index(kAudioPorts[i]);
    }
    ~Lv2Instance() {
        if (instance) {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
        lilv_world_free(world);
    }
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ok() const { return instance != nullptr; }
    float& port(const char* symbol) { return values[index(symbol)]; }
    // Connects the buffers and runs, as a host's cycle does.
    void process(float* const* inputs, float* const* outputs, std::uint32_t frames) {
        float* buffers[] = {inputs[0], inputs[1], outputs[0], outputs[1]};
        for (int i = 0; i < 4; ++i) lilv_instance_connect_port(instance, audio[i], buffers[i]);
        lilv_instance_run(instance, frames);
    }

private:
    std::uint32_t index(const char* symbol) {
        if (auto it = indices.find(symbol); it != indices.end()) return it->second;
        LilvNode* s = lilv_new_string(world, symbol);
        const std::uint32_t i = lilv_port_get_index(plugin, lilv_plugin_get_port_by_symbol(plugin, s));
        lilv_node_free(s);
        return indices[symbol] = i;
    }

    LilvWorld* world;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::vector<float> defaults, values;
    std::map<std::string, std::uint32_t> indices;
    static constexpr const char* kAudioPorts[4] = {"voice", "carrier", "output_1", "output_2"};
    std::uint32_t audio[4] = {};
};

void BM_Lv2Run(benchmark::State& state) {
    const HostFloatMode mode;
    const auto carrier = static_cast<Carrier>(state.range(0));
    const auto rate = static_cast<float>(state.range(1));
    const auto block = static_cast<std::size_t>(state.range(2));
    const Signals sig(rate);
    Lv2Instance plugin(rate);
    if (!plugin.ok()) return state.SkipWithError("the LV2 bundle cannot be instantiated");
    // The VST 2 benchmark's settings, as port values.
    if (carrier == kDroneCarrier) {
        for (const char* level : {"o1_level", "o2_level", "o3_level", "o4_level", "o5_level", "o6_level"})
            plugin.port(level) = 0.5f;
        plugin.port("o2_offset") = 7;  // 0.28 of 25 keys
    } else {
        plugin.port("source") = 1;
    }
    plugin.port("synth_vol") = 0.2f;
    std::vector<float> warm1(sig.mod.size()), warm2(sig.mod.size()), mod = sig.mod, car = sig.car;
    float* warmIn[2] = {mod.data(), car.data()};
    float* warmOut[2] = {warm1.data(), warm2.data()};
    plugin.process(warmIn, warmOut, std::uint32_t(std::min<std::size_t>(mod.size(), kMaxBlockFrames)));

    std::vector<float> m(block), c(block), out1(block), out2(block);
    float* in[2] = {m.data(), c.data()};
    float* out[2] = {out1.data(), out2.data()};
    std::size_t at = 0, frames = 0;
    const double start = threadSeconds();
    for (auto _ : state) {
        if (at + block > sig.mod.size()) at = 0;
        std::copy_n(sig.mod.begin() + static_cast<long>(at), block, m.begin());
        std::copy_n(sig.car.begin() + static_cast<long>(at), block, c.begin());
        at += block;
        plugin.process(in, out, std::uint32_t(block));
        benchmark::DoNotOptimize(out1.data());
        frames += block;
    }
    const double seconds = threadSeconds() - start;
    state.counters["ns_per_sample"] = seconds * 1e9 / static_cast<double>(frames);
    state.counters["realtime_x"] = static_cast<double>(frames) / rate / seconds;
}

}  // namespace

BENCHMARK(BM_Lv2Run)
    ->ArgNames({"carrier", "rate", "block"})
    ->ArgsProduct({{kDroneCarrier, kExternalCarrier}, {48000}, {64, 512}});
