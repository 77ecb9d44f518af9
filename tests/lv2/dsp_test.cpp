// The LV2 DSP module driven through lilv as a host drives it, compared with
// the engine driven directly: blocks of any length, ports connected in any
// order or not at all, no features, MIDI at its frames, the latency, the
// bypass, the sustain pedal's own changes, the meters for a UI, and no heap
// allocation while it runs.
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

#include "plugin/lv2/ports.h"
#include "tests/allocation_hooks.h"
#include "tests/lv2/lv2host.h"
#include "vocoder/engine.h"
#include "vocoder/meters.h"
#include "vocoder/paramtext.h"

namespace {
thread_local bool counting = false;
std::atomic<long> allocations{0};
}  // namespace

// Replaced for the whole process, the dlopened module included (the test exports them).
void noteAllocation() {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
}
bool failAllocation() { return false; }

namespace {

using lv2test::Bundle;
using lv2test::DspHost;
using namespace tf::lv2;

constexpr float kRate = 48000.0f;

// A buzzing voice in syllables and a sawtooth pair for the carrier.
std::vector<float> voiceSignal(std::size_t frames) {
    std::vector<float> v(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        double s = 0.0;
        for (int h = 1; h <= 12; ++h) s += std::sin(2.0 * std::numbers::pi * 140.0 * h * t) / (1 + std::abs(h - 4));
        v[i] = float(0.3 * s * ((i / 6000) % 3 == 2 ? 0.1 : 1.0));
    }
    return v;
}
std::vector<float> carrierSignal(std::size_t frames) {
    std::vector<float> v(frames);
    for (std::size_t i = 0; i < frames; ++i) v[i] = float(0.4 * (1.0 - 2.0 * std::fmod(110.0 * double(i) / kRate, 1.0)));
    return v;
}

// The port values of a drone chord setting.
const std::vector<std::pair<const char*, float>> kDrone = {
    {"o1_freq", 12}, {"o1_level", 0.3f}, {"o2_offset", 16}, {"o2_level", 0.3f}, {"synth_vol", 0.1f}, {"formant", -3}};

// The engine alone, given the same port values through the port conversion,
// processing in the host's blocks, MIDI filed before the block it belongs to.
struct Reference {
    struct Midi {
        std::size_t frame;
        std::uint8_t status, data1, data2;
    };
    VocoderEngine engine{kRate};
    explicit Reference(const std::vector<std::pair<const char*, float>>& ports) {
        for (const auto& [symbol, value] : ports) {
            const ParameterInfo* p = parameterBySymbol(symbol);
            engine.setParameter(p->index, parameterValueOf(p->index, value));
        }
    }
    std::vector<float> render(const std::vector<float>& voice, const std::vector<float>& carrier,
                              const std::vector<std::size_t>& blocks, const std::vector<Midi>& midi = {}) {
        std::vector<float> out(voice.size()), spare(voice.size());
        std::size_t at = 0;
        for (std::size_t block : blocks) {
            for (const Midi& m : midi)
                if (m.frame >= at && m.frame < at + block) engine.receiveMidi(int(m.frame - at), m.status, m.data1, m.data2);
            const float* in[2] = {voice.data() + at, carrier.data() + at};
            float* o[2] = {out.data() + at, spare.data() + at};
            engine.process(in, o, int(block), kRate);
            at += block;
        }
        return out;
    }
};

// The whole signal through the module in blocks of these lengths (repeated
// until the signal ends); both outputs must agree.
std::vector<float> renderLv2(DspHost& host, const std::vector<float>& voice, const std::vector<float>& carrier,
                             const std::vector<std::uint32_t>& blocks) {
    std::vector<float> out;
    std::size_t at = 0;
    for (std::size_t b = 0; at < voice.size(); ++b) {
        const std::uint32_t n = std::uint32_t(std::min<std::size_t>(blocks[b % blocks.size()], voice.size() - at));
        host.voice.assign(voice.begin() + long(at), voice.begin() + long(at + n));
        host.carrier.assign(carrier.begin() + long(at), carrier.begin() + long(at + n));
        host.run(n);
        for (std::uint32_t i = 0; i < n; ++i) EXPECT_EQ(host.out1[i], host.out2[i]);
        out.insert(out.end(), host.out1.begin(), host.out1.begin() + n);
        at += n;
    }
    return out;
}

void setPorts(DspHost& host, const std::vector<std::pair<const char*, float>>& ports) {
    for (const auto& [symbol, value] : ports) host.control(symbol) = value;
}

float peak(const std::vector<float>& v, std::size_t from = 0) {
    float p = 0.0f;
    for (std::size_t i = from; i < v.size(); ++i) p = std::max(p, std::fabs(v[i]));
    return p;
}

class Lv2Dsp : public ::testing::Test {
protected:
    Bundle bundle;
    const std::vector<float> voice = voiceSignal(150000);
    const std::vector<float> carrier = carrierSignal(150000);
};

TEST(Lv2Ports, StepsRoundTripAndShowTheirNumber) {
    for (const ParameterInfo& p : kParameters) {
        const PortRange r = portRange(p.index);
        EXPECT_EQ(r.stepped, p.steps != 0) << p.symbol;
        EXPECT_EQ(r.defaultValue, portValueOf(p.index, p.defaultValue)) << p.symbol;
        if (!r.stepped) {
            EXPECT_EQ(parameterValueOf(p.index, 0.37f), 0.37f);
            continue;
        }
        for (int step = int(r.minimum); step <= int(r.maximum); ++step) {
            const float value = parameterValueOf(p.index, float(step));
            EXPECT_EQ(portValueOf(p.index, value), float(step)) << p.symbol << " step " << step;
            if (p.display == ParamDisplay::kNumber && p.index != kFreezeKey && p.index != kFlatKey) {
                char text[kParamTextSize];
                parameterDisplay(p.index, value, text);
                EXPECT_EQ(std::atoi(text), step) << p.symbol << " shows " << text;
            }
        }
        // Out of range and NaN land on the ends.
        EXPECT_EQ(portValueOf(p.index, parameterValueOf(p.index, r.maximum + 5.0f)), r.maximum) << p.symbol;
        EXPECT_EQ(portValueOf(p.index, parameterValueOf(p.index, NAN)), r.minimum) << p.symbol;
    }
    // The switches are exactly 0 and 1, as the signal path reads them.
    EXPECT_EQ(parameterValueOf(kFreeze, 0.0f), 0.0f);
    EXPECT_EQ(parameterValueOf(kFlat, 1.0f), 1.0f);
    // The trigger keys' last value names no key: it shows as None.
    EXPECT_EQ(portValueOf(kFreezeKey, 1.0f), float(kKeyNone));
}

TEST_F(Lv2Dsp, TheDescriptionFollowsTheParameterTable) {
    const LilvPlugin* plugin = bundle.plugin();
    LilvWorld* world = bundle.world();
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), std::uint32_t(kNumPorts));
    for (const ParameterInfo& p : kParameters) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, std::uint32_t(p.index));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), p.symbol);
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), p.name);
        lilv_node_free(name);
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(plugin, port, &def, &min, &max);
        const PortRange r = portRange(p.index);
        EXPECT_EQ(lilv_node_as_float(def), r.defaultValue) << p.symbol;
        EXPECT_EQ(lilv_node_as_float(min), r.minimum) << p.symbol;
        EXPECT_EQ(lilv_node_as_float(max), r.maximum) << p.symbol;
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        const bool listed = p.index == kOctave || p.index == kWaveform || p.index == kPlayback || p.index == kSource ||
                            p.index == kFreezeKey || p.index == kFlatKey;
        EXPECT_EQ(points ? int(lilv_scale_points_size(points)) : 0, listed ? int(r.maximum - r.minimum) + 1 : 0)
            << p.symbol;
        lilv_scale_points_free(points);
    }
    for (const FixedPort& f : kFixedPorts)
        EXPECT_EQ(bundle.index(f.symbol), std::uint32_t(f.index)) << f.symbol;
    LilvNode* sideChain = lilv_new_uri(world, LV2_CORE_PREFIX "isSideChain");
    LilvNode* optional = lilv_new_uri(world, LV2_CORE__connectionOptional);
    const auto port = [&](Port i) { return lilv_plugin_get_port_by_index(plugin, i); };
    EXPECT_TRUE(lilv_port_has_property(plugin, port(kCarrierPort), sideChain));
    EXPECT_FALSE(lilv_port_has_property(plugin, port(kVoicePort), sideChain));
    EXPECT_TRUE(lilv_port_has_property(plugin, port(kMidiPort), optional));
    EXPECT_TRUE(lilv_port_has_property(plugin, port(kNotifyPort), optional));
    EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), std::uint32_t(kLatencyPort));
    lilv_node_free(sideChain);
    lilv_node_free(optional);
}

TEST_F(Lv2Dsp, BlocksOfAnyLengthGiveTheEnginesOutput) {
    const std::vector<float> expected = Reference(kDrone).render(voice, carrier, std::vector<std::size_t>(300, 500));
    ASSERT_GT(peak(expected), 0.05f);
    for (const std::vector<std::uint32_t>& blocks :
         {std::vector<std::uint32_t>{512}, {0, 1, 37, 0, 4096}, {70000, 1, 65535}, {150000}}) {
        DspHost host(bundle, kRate);
        setPorts(host, kDrone);
        EXPECT_EQ(renderLv2(host, voice, carrier, blocks), expected) << "blocks from " << blocks[0];
    }
}

TEST_F(Lv2Dsp, PortsConnectedInAnyOrderOptionalOnesLeftOutOrNoFeaturesAtAll) {
    const std::vector<float> expected = Reference(kDrone).render(voice, carrier, std::vector<std::size_t>(300, 500));
    DspHost reversed(bundle, kRate);
    reversed.connectOrder = {kNotifyPort, kMidiPort, kOutput2Port, kOutput1Port, kCarrierPort, kVoicePort};
    DspHost unconnected(bundle, kRate);
    unconnected.connectMidi = unconnected.connectNotify = false;
    DspHost bare(bundle, kRate, false);
    bare.midi(0, {0x90, 60, 100});  // without urid:map no event can be read: ignored
    for (DspHost* host : {&reversed, &unconnected, &bare}) {
        setPorts(*host, kDrone);
        EXPECT_EQ(renderLv2(*host, voice, carrier, {500}), expected);
    }
}

TEST_F(Lv2Dsp, MidiNotesPlayAtTheirFramesAcrossSplitBlocks) {
    const std::vector<std::pair<const char*, float>> ports = {{"playback", 1}, {"o1_level", 0.5f}, {"synth_vol", 0.2f}};
    const std::vector<Reference::Midi> midi = {
        {100, 0x90, 60, 100}, {3001, 0x91, 67, 90}, {40000, 0xE0, 0, 80}, {66000, 0x80, 60, 0}, {69999, 0x90, 64, 70}};
    const std::vector<float> expected = Reference(ports).render(voice, carrier, {65535, 4465, 65535, 14465});
    DspHost host(bundle, kRate);
    setPorts(host, ports);
    for (const Reference::Midi& m : midi) host.midi(std::int64_t(m.frame), {m.status, m.data1, m.data2});
    host.midi(500, {0xF8});  // a clock tick: not a channel message
    const std::vector<float> got = renderLv2(host, voice, carrier, {70000, 80000});
    const std::vector<float> expectedWithMidi = Reference(ports).render(voice, carrier, {65535, 4465, 65535, 14465}, midi);
    ASSERT_EQ(got.size(), expectedWithMidi.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expectedWithMidi[i]) << "frame " << i;
    EXPECT_NE(got, expected);  // the notes played
}

// Hosts run an instance a little between activations (Ardour, to read the
// latency): an activation starts it afresh, as a new instance.
TEST_F(Lv2Dsp, AnActivationStartsAfreshAsANewInstance) {
    const std::vector<std::pair<const char*, float>> ports = {{"playback", 1}, {"o1_level", 0.5f}, {"synth_vol", 0.2f}};
    DspHost fresh(bundle, kRate);
    setPorts(fresh, ports);
    const std::vector<float> expected = renderLv2(fresh, voice, carrier, {512});
    DspHost used(bundle, kRate);
    setPorts(used, ports);
    used.midi(0, {0x90, 60, 100});  // a note left hanging
    used.midi(1, {0xB0, 64, 127});
    used.control("freeze_key") = 5;
    renderLv2(used, std::vector<float>(voice.begin(), voice.begin() + 20000),
              std::vector<float>(carrier.begin(), carrier.begin() + 20000), {512});
    used.control("freeze_key") = 0;
    used.activate();
    EXPECT_EQ(renderLv2(used, voice, carrier, {512}), expected);
}

TEST_F(Lv2Dsp, ReportsTheLatencyOfTheVocodedSignal) {
    for (const auto& [rate, frames] : {std::pair{44100.0, 508.0f}, {48000.0, 508.0f}, {96000.0, 1016.0f}}) {
        DspHost host(bundle, rate);
        EXPECT_EQ(host.latency(), frames) << "before running, at " << rate;
        host.run(0);
        EXPECT_EQ(host.latency(), frames) << rate;
    }
}

TEST_F(Lv2Dsp, BypassFadesToTheVoiceDelayedByTheLatencyAndBack) {
    const std::vector<float> vocoded = Reference(kDrone).render(voice, carrier, std::vector<std::size_t>(300, 500));
    DspHost host(bundle, kRate);
    setPorts(host, kDrone);
    host.control("enabled") = 0.0f;
    const std::size_t half = 72000;
    std::vector<float> out = renderLv2(host, std::vector<float>(voice.begin(), voice.begin() + half),
                                       std::vector<float>(carrier.begin(), carrier.begin() + half), {500});
    host.control("enabled") = 1.0f;
    const std::vector<float> rest = renderLv2(host, std::vector<float>(voice.begin() + half, voice.end()),
                                              std::vector<float>(carrier.begin() + half, carrier.end()), {500});
    out.insert(out.end(), rest.begin(), rest.end());
    const std::size_t fade = std::size_t(kRate * 0.02), delay = 508;
    for (std::size_t i = fade; i < half; ++i) ASSERT_EQ(out[i], i >= delay ? voice[i - delay] : 0.0f) << i;
    // No click: the fades move no faster than the two signals they blend.
    for (std::size_t i = 1; i < out.size(); ++i) {
        const float allowed = std::max(std::fabs(vocoded[i] - vocoded[i - 1]),
                                       i > delay ? std::fabs(voice[i - delay] - voice[i - delay - 1]) : 0.0f);
        ASSERT_LE(std::fabs(out[i] - out[i - 1]), allowed + 0.05f * (std::fabs(vocoded[i]) + 0.3f) + 1e-6f) << i;
    }
    // The vocoder ran on underneath: back in step with it.
    for (std::size_t i = half + fade; i < out.size(); ++i) ASSERT_EQ(out[i], vocoded[i]) << i;
}

TEST_F(Lv2Dsp, TheSustainPedalsFreezeStandsUntilTheHostChangesThePort) {
    const std::vector<std::pair<const char*, float>> ports = {{"freeze_key", 5}, {"source", 1}};
    DspHost host(bundle, kRate);
    setPorts(host, ports);
    Reference reference(ports);
    std::size_t at = 0;
    const auto block = [&](std::uint32_t n) {
        host.voice.assign(voice.begin() + long(at), voice.begin() + long(at + n));
        host.carrier.assign(carrier.begin() + long(at), carrier.begin() + long(at + n));
        host.run(n);
        const std::vector<float> v(voice.begin() + long(at), voice.begin() + long(at + n));
        const std::vector<float> c(carrier.begin() + long(at), carrier.begin() + long(at + n));
        const std::vector<float> expected = reference.render(v, c, {n});
        at += n;
        return std::vector<float>(host.out1.begin(), host.out1.begin() + n) == expected;
    };
    ASSERT_TRUE(block(4000));
    host.midi(10, {0xB0, 64, 127});
    reference.engine.receiveMidi(10, 0xB0, 64, 127);
    EXPECT_TRUE(block(500));
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].type, kParameterChangeUri);
    EXPECT_EQ(host.notices[0].index, kFreeze);
    EXPECT_EQ(host.notices[0].value, 1.0f);
    EXPECT_EQ(host.notices[0].frame, 10);
    // The port still says 0 and nothing changed it: the freeze holds.
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(block(500)) << i;
    EXPECT_EQ(reference.engine.getParameter(kFreeze), 1.0f);
    // The host changes the port: that counts.
    host.control("freeze") = 1.0f;
    EXPECT_TRUE(block(500));
    host.control("freeze") = 0.0f;
    reference.engine.setParameter(kFreeze, 0.0f);
    EXPECT_TRUE(block(500));
}

TEST_F(Lv2Dsp, MetersGoToTheNotifyPortOnlyWhileAUiAsksForThem) {
    DspHost host(bundle, kRate);
    host.control("source") = 1.0f;
    const auto meterMessages = [&] {
        int n = 0;
        for (const lv2test::Notice& m : host.notices) n += m.type == kMetersUri;
        return n;
    };
    host.voice = std::vector<float>(voice.begin(), voice.begin() + 4800);
    host.carrier = std::vector<float>(carrier.begin(), carrier.begin() + 4800);
    host.run(4800);
    EXPECT_TRUE(host.notices.empty());
    host.requestMeters(0);
    host.run(4800);
    // A UI that has just asked hears of the switches, then of the meters.
    ASSERT_GE(host.notices.size(), 3u);
    EXPECT_EQ(host.notices[0].index, kFreeze);
    EXPECT_EQ(host.notices[1].index, kFlat);
    ASSERT_EQ(meterMessages(), 1);
    const std::vector<float>& m = host.notices.back().meters;
    ASSERT_EQ(m.size(), std::size_t(kNumMeterValues));
    EXPECT_GT(m[0], 0.3f);
    EXPECT_GT(m[1], 0.0f);
    EXPECT_GT(*std::max_element(m.begin() + 3, m.end()), 0.0f);
    // Short blocks: at most one message per 20 ms.
    int messages = 0;
    for (int i = 0; i < 100; ++i) {
        host.run(48);
        messages += meterMessages();
    }
    EXPECT_EQ(messages, 4800 / 960);
    // Two seconds after the last request they stop.
    for (int i = 0; i < 17; ++i) host.run(4800);
    EXPECT_EQ(meterMessages(), 1);
    host.run(4800);
    EXPECT_EQ(meterMessages(), 1);
    host.run(4800);
    EXPECT_EQ(meterMessages(), 0);
}

TEST_F(Lv2Dsp, RunAllocatesNothing) {
    DspHost host(bundle, kRate);
    setPorts(host, kDrone);
    host.voice = std::vector<float>(voice.begin(), voice.begin() + 70000);
    host.carrier = std::vector<float>(carrier.begin(), carrier.begin() + 70000);
    host.out1.resize(70000);
    host.out2.resize(70000);
    host.requestMeters(0);
    host.midi(5, {0x90, 60, 100});
    host.midi(6, {0xB0, 64, 127});
    host.control("enabled") = 0.0f;
    host.control("formant") = 4;
    allocations = 0;
    host.duringRun = &counting;  // the module's run() only, not the host's own work around it
    host.run(70000);
    host.run(1);
    host.run(0);
    host.duringRun = nullptr;
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
