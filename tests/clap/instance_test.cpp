// One Talkforge.clap instance as a host drives it from its main thread:
// the extensions it offers, its ports, its parameters and their texts
// (compared with the VST 2 module's), latency, saved state and flush.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/clap/clap_host.h"
#include "tests/clap/values.h"
#include "tests/testhost.h"
#include "vocoder/talkforge.h"

namespace {

using namespace claphost;

constexpr clap_id kBypass = 1000;
constexpr std::uint32_t kAllParams = kNumParams + 1;

// The VST 2 module's display text, without its blanks, and its label as a unit.
std::string vst2Text(TestHost& vst2, std::int32_t index, float value) {
    vst2.setParameter(index, value);
    std::string text = vst2.paramDisplay(index);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    const std::string label = vst2.paramLabel(index);
    return label == " " ? text : text + " " + label;
}

class Instance : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plugin.ok()) << ClapModule::get().error; }
    ClapHost host;
    ClapInstance plugin{host};
};

TEST_F(Instance, AsksForTheHostsExtensionsInInitOnlyAndOffersItsOwn) {
    EXPECT_FALSE(host.extensionQueries.empty());
    for (const char* id : {"clap.audio-ports", "clap.note-ports", "clap.params", "clap.latency", "clap.state",
                           "clap.gui", "clap.timer-support"})
        EXPECT_NE(plugin.plugin->get_extension(plugin.plugin, id), nullptr) << id;
    for (const char* id : {"clap.tail", "clap.render", "clap.voice-info", "clap.note-name", "", "clap.params/2"})
        EXPECT_EQ(plugin.plugin->get_extension(plugin.plugin, id), nullptr) << id;
    EXPECT_TRUE(host.logMessages.empty());
}

TEST_F(Instance, InitWorksWithAHostThatOffersNothing) {
    ClapHost bare(ClapHost::Options{.extensions = false});
    ClapInstance p(bare);
    ASSERT_TRUE(p.ok());
    ASSERT_TRUE(p.activate(48000.0, 1, 512));
    ASSERT_TRUE(p.startProcessing());
    std::vector<float> in(512, 0.25f), left(512), right(512);
    EventList events, out;
    events.add(paramValueEvent(3, kFormant, 15.0));
    EXPECT_EQ(p.process(in.data(), nullptr, left.data(), right.data(), 512, events, out), kProcessContinue);
    EXPECT_EQ(p.value(kFormant), 15.0);
    // An editor is offered (scanners ask so), but none is made without a run loop to drive it.
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(p.gui()->get_preferred_api(p.plugin, &api, &floating));
    EXPECT_FALSE(floating);
    EXPECT_TRUE(p.gui()->is_api_supported(p.plugin, api, false));
    EXPECT_FALSE(p.gui()->create(p.plugin, api, false));
}

TEST_F(Instance, HasAMonoVoiceAMonoSideChainCarrierAndOneStereoOutput) {
    const clap_plugin_audio_ports* ports = plugin.audioPorts();
    ASSERT_EQ(ports->count(plugin.plugin, true), 2u);
    ASSERT_EQ(ports->count(plugin.plugin, false), 1u);
    struct Expected {
        bool input;
        std::uint32_t index;
        const char* name;
        std::uint32_t flags, channels;
        const char* type;
    };
    for (const Expected& e : {Expected{true, 0, "Voice", kAudioPortIsMain, 1, "mono"},
                              Expected{true, 1, "Carrier", 0, 1, "mono"},
                              Expected{false, 0, "Output", kAudioPortIsMain, 2, "stereo"}}) {
        clap_audio_port_info info;
        std::memset(&info, 0x5A, sizeof info);
        ASSERT_TRUE(ports->get(plugin.plugin, e.index, e.input, &info));
        EXPECT_EQ(info.id, e.index);
        EXPECT_STREQ(info.name, e.name);
        EXPECT_EQ(info.flags, e.flags);
        EXPECT_EQ(info.channel_count, e.channels);
        EXPECT_STREQ(info.port_type, e.type);
        EXPECT_EQ(info.in_place_pair, kInvalidId);
    }
    clap_audio_port_info info{};
    EXPECT_FALSE(ports->get(plugin.plugin, 2, true, &info));
    EXPECT_FALSE(ports->get(plugin.plugin, 1, false, &info));
    EXPECT_FALSE(ports->get(plugin.plugin, 0, true, nullptr));
}

TEST_F(Instance, TakesNotesAsMidiOrClapEventsOnOneInputPort) {
    const clap_plugin_note_ports* ports = plugin.notePorts();
    ASSERT_EQ(ports->count(plugin.plugin, true), 1u);
    EXPECT_EQ(ports->count(plugin.plugin, false), 0u);
    clap_note_port_info info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_TRUE(ports->get(plugin.plugin, 0, true, &info));
    EXPECT_EQ(info.id, 0u);
    EXPECT_EQ(info.supported_dialects, kNoteDialectClap | kNoteDialectMidi);
    EXPECT_EQ(info.preferred_dialect, kNoteDialectMidi);
    EXPECT_GT(std::strlen(info.name), 0u);
    EXPECT_LT(std::strlen(info.name), kNameSize);
    EXPECT_FALSE(ports->get(plugin.plugin, 1, true, &info));
    EXPECT_FALSE(ports->get(plugin.plugin, 0, false, &info));
}

TEST_F(Instance, ListsTheParametersByTheirVst2IndexAndABypass) {
    TestHost vst2;
    ASSERT_EQ(plugin.params()->count(plugin.plugin), kAllParams);
    for (std::uint32_t i = 0; i < kNumParams; ++i) {
        const ParameterInfo& p = kParameters[i];
        const clap_param_info info = plugin.paramInfo(i);
        ASSERT_EQ(info.id, i);
        EXPECT_EQ(info.name, vst2.paramName(static_cast<std::int32_t>(i)));
        EXPECT_EQ(info.cookie, nullptr);
        EXPECT_EQ(std::string(info.module), i >= kBand1 ? "Bands" : "");
        EXPECT_EQ(info.min_value, 0.0);
        const std::uint32_t base = kParamIsAutomatable;
        if (p.steps > 0) {
            const std::uint32_t enumFlag = p.display == ParamDisplay::kChoice ? kParamIsEnum : 0u;
            EXPECT_EQ(info.flags, base | kParamIsStepped | enumFlag) << p.name;
            EXPECT_EQ(info.max_value, p.steps) << p.name;
        } else {
            EXPECT_EQ(info.flags, base) << p.name;
            EXPECT_EQ(info.max_value, 1.0) << p.name;
        }
        // A new instance holds the defaults, as a new VST 2 instance does.
        EXPECT_EQ(plugin.value(i), info.default_value) << p.name;
        EXPECT_EQ(vst2Text(vst2, static_cast<std::int32_t>(i), vst2.getParameter(static_cast<std::int32_t>(i))),
                  plugin.valueText(i, info.default_value))
            << p.name;
    }
    EXPECT_EQ(plugin.paramInfo(kFormant).default_value, 10.0);
    EXPECT_EQ(plugin.paramInfo(kOctave).default_value, 1.0);
    EXPECT_EQ(plugin.paramInfo(kModLevel).default_value, 0.5);

    const clap_param_info bypass = plugin.paramInfo(kNumParams);
    EXPECT_EQ(bypass.id, kBypass);
    EXPECT_STREQ(bypass.name, "Bypass");
    EXPECT_EQ(bypass.flags, kParamIsAutomatable | kParamIsBypass | kParamIsStepped);
    EXPECT_EQ(bypass.min_value, 0.0);
    EXPECT_EQ(bypass.max_value, 1.0);
    EXPECT_EQ(bypass.default_value, 0.0);
    EXPECT_EQ(plugin.value(kBypass), 0.0);

    EXPECT_EQ(plugin.paramInfo(kAllParams).id, kInvalidId);
    EXPECT_FALSE(plugin.params()->get_info(plugin.plugin, 0, nullptr));
    for (clap_id id : {clap_id{kNumParams}, clap_id{999}, clap_id{1001}, kInvalidId}) {
        EXPECT_TRUE(std::isnan(plugin.value(id))) << id;
        EXPECT_EQ(plugin.valueText(id, 0.0), "") << id;
        double v = 7.0;
        EXPECT_FALSE(plugin.textValue(id, "0", v)) << id;
        EXPECT_EQ(v, 7.0);
    }
}

TEST_F(Instance, ShowsEveryStepAsTheVst2ModuleDoesAndReadsItBack) {
    TestHost vst2;
    for (const ParameterInfo& p : kParameters) {
        if (p.steps == 0) continue;
        for (int position = 0; position <= p.steps; ++position) {
            const std::string text = plugin.valueText(static_cast<clap_id>(p.index), position);
            EXPECT_EQ(text, vst2Text(vst2, p.index, vst2ValueOf(p, position))) << p.name << " " << position;
            double back = -1.0;
            ASSERT_TRUE(plugin.textValue(static_cast<clap_id>(p.index), text.c_str(), back)) << p.name << " " << text;
            // Trigger-key numbers 0 .. 6 and the switches read back exactly; so does every position.
            EXPECT_EQ(back, position) << p.name << " " << text;
        }
    }
    // Between positions, the host's value goes to the nearest.
    EXPECT_EQ(plugin.valueText(kFormant, 12.4), plugin.valueText(kFormant, 12.0));
    EXPECT_EQ(plugin.valueText(kFormant, 12.6), plugin.valueText(kFormant, 13.0));
    EXPECT_EQ(plugin.valueText(kFormant, -4.0), "-10");
    EXPECT_EQ(plugin.valueText(kFormant, 99.0), "10");
    EXPECT_EQ(plugin.valueText(kFormant, std::nan("")), "-10");
    EXPECT_EQ(plugin.valueText(kBypass, 0.0), "Off");
    EXPECT_EQ(plugin.valueText(kBypass, 1.0), "On");
    double v = -1.0;
    EXPECT_TRUE(plugin.textValue(kBypass, "On", v));
    EXPECT_EQ(v, 1.0);
    EXPECT_TRUE(plugin.textValue(kBypass, "0", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(plugin.textValue(kWaveform, "pulse 25", v));
    EXPECT_EQ(v, 2.0);
    EXPECT_TRUE(plugin.textValue(kO1Freq, "C#1", v));
    EXPECT_EQ(v, 4.0);
    EXPECT_FALSE(plugin.textValue(kWaveform, "Triangle", v));
    EXPECT_FALSE(plugin.textValue(kTune, "sharp", v));
}

TEST_F(Instance, ShowsLevelsInDecibelsAsTheVst2ModuleDoesAndReadsThemBack) {
    TestHost vst2;
    for (const std::int32_t index : {std::int32_t{kModLevel}, std::int32_t{kO3Level}, kBand1 + 17}) {
        for (int k = 0; k <= 200; ++k) {
            const double value = k / 200.0;
            const std::string text = plugin.valueText(static_cast<clap_id>(index), value);
            EXPECT_EQ(text, vst2Text(vst2, index, static_cast<float>(value))) << index << " " << value;
            double back = -1.0;
            ASSERT_TRUE(plugin.textValue(static_cast<clap_id>(index), text.c_str(), back)) << text;
            // The text cuts digits: what it reads back to lies within its last digit.
            if (k == 0) EXPECT_EQ(back, 0.0);
            else EXPECT_NEAR(20.0 * std::log10(back), 20.0 * std::log10(value), 2e-4) << text;
        }
    }
    EXPECT_EQ(plugin.valueText(kModLevel, 0.0), "-oo dB");
    EXPECT_EQ(plugin.valueText(kModLevel, 1.0), "0.000000 dB");
    double v = -1.0;
    EXPECT_TRUE(plugin.textValue(kModLevel, "-6 dB", v));
    EXPECT_NEAR(v, 0.501187, 1e-6);
    EXPECT_TRUE(plugin.textValue(kModLevel, "-6", v));
    EXPECT_NEAR(v, 0.501187, 1e-6);
    EXPECT_TRUE(plugin.textValue(kModLevel, "+12 dB", v));
    EXPECT_EQ(v, 1.0);
    EXPECT_FALSE(plugin.textValue(kModLevel, "loud", v));
    EXPECT_FALSE(plugin.textValue(kModLevel, "", v));
}

TEST_F(Instance, WritesTextsOnlyWithinTheCapacityItIsGiven) {
    EXPECT_EQ(plugin.valueText(kModLevel, 0.5, 256), "-6.02059 dB");
    EXPECT_EQ(plugin.valueText(kModLevel, 0.5, 5), "-6.0");
    EXPECT_EQ(plugin.valueText(kWaveform, 3.0, 4), "Pul");
    EXPECT_EQ(plugin.valueText(kWaveform, 3.0, 1), "");
    char untouched = 'x';
    EXPECT_FALSE(plugin.params()->value_to_text(plugin.plugin, kModLevel, 0.5, &untouched, 0));
    EXPECT_EQ(untouched, 'x');
    EXPECT_FALSE(plugin.params()->value_to_text(plugin.plugin, kModLevel, 0.5, nullptr, 16));
    EXPECT_FALSE(plugin.params()->text_to_value(plugin.plugin, kModLevel, nullptr, nullptr));
}

TEST_F(Instance, TakesParameterValuesThroughFlushWhileNotProcessing) {
    EventList in, out;
    in.add(paramValueEvent(0, kTune, 70.0));
    in.add(paramValueEvent(0, kModLevel, 0.25));
    in.add(paramValueEvent(0, kBand1, 2.0));       // beyond the range: clamped
    in.add(paramValueEvent(0, kOctave, -1.0));     // likewise
    in.add(paramValueEvent(0, kBypass, 1.0));
    in.add(paramValueEvent(0, 4242, 1.0));         // unknown: ignored
    clap_event_param_value otherSpace = paramValueEvent(0, kFlat, 1.0);
    otherSpace.header.space_id = 7;                // not the core space: ignored
    in.add(otherSpace);
    plugin.flush(in, out);
    EXPECT_EQ(plugin.value(kTune), 70.0);
    EXPECT_EQ(plugin.value(kModLevel), 0.25);
    EXPECT_EQ(plugin.value(kBand1), 1.0);
    EXPECT_EQ(plugin.value(kOctave), 0.0);
    EXPECT_EQ(plugin.value(kBypass), 1.0);
    EXPECT_EQ(plugin.value(kFlat), 0.0);
    EXPECT_EQ(out.size(), 0u);
    // Also while active, and with no lists at all.
    ASSERT_TRUE(plugin.activate(44100.0));
    in.clear();
    in.add(paramValueEvent(0, kTune, 30.0));
    plugin.flush(in, out);
    EXPECT_EQ(plugin.value(kTune), 30.0);
    plugin.params()->flush(plugin.plugin, nullptr, nullptr);
    EXPECT_TRUE(host.misuse.empty());
}

TEST_F(Instance, DeclaresItsLatencyAndTellsTheHostWhenARateChangesIt) {
    ASSERT_TRUE(plugin.activate(48000.0));
    EXPECT_EQ(plugin.latency()->get(plugin.plugin), 508u);
    EXPECT_EQ(host.latencyChanges, 0);
    plugin.deactivate();
    ASSERT_TRUE(plugin.activate(96000.0));
    EXPECT_EQ(plugin.latency()->get(plugin.plugin), 1016u);
    EXPECT_EQ(host.latencyChanges, 1);
    plugin.deactivate();
    ASSERT_TRUE(plugin.activate(88200.0));
    EXPECT_EQ(plugin.latency()->get(plugin.plugin), 508u);
    EXPECT_EQ(host.latencyChanges, 2);
    plugin.deactivate();
    ASSERT_TRUE(plugin.activate(44100.0));
    EXPECT_EQ(host.latencyChanges, 2);
    EXPECT_TRUE(host.misuse.empty());
    // Activated twice, or at no rate: refused.
    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, 48000.0, 1, 512));
    plugin.deactivate();
    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, 0.0, 1, 512));
    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, std::nan(""), 1, 512));
}

// ---- State -------------------------------------------------------------------

// Sets every parameter to a value of its own through flush.
void setAll(ClapInstance& p) {
    EventList in, out;
    for (const ParameterInfo& info : kParameters) {
        const double v = info.steps > 0 ? (info.index * 7) % (info.steps + 1) : std::fmod(0.137 * info.index, 1.0);
        in.add(paramValueEvent(0, static_cast<clap_id>(info.index), v));
    }
    in.add(paramValueEvent(0, kBypass, 1.0));
    p.flush(in, out);
}

std::vector<double> allValues(const ClapInstance& p) {
    std::vector<double> v;
    for (std::uint32_t i = 0; i < kAllParams; ++i) v.push_back(p.value(p.paramInfo(i).id));
    return v;
}

TEST_F(Instance, SavesItsStateAndLoadsItIntoAnotherInstanceThroughShortReadsAndWrites) {
    setAll(plugin);
    std::string blob;
    ASSERT_TRUE(plugin.save(blob, 5));
    EXPECT_EQ(blob.rfind("talkforge-state 1\n", 0), 0u) << blob.substr(0, 40);
    std::string whole;
    ASSERT_TRUE(plugin.save(whole));
    EXPECT_EQ(blob, whole);

    ClapHost otherHost;
    ClapInstance other(otherHost);
    ASSERT_TRUE(other.ok());
    ASSERT_NE(allValues(other), allValues(plugin));
    ASSERT_TRUE(other.load(blob, 5));
    EXPECT_EQ(allValues(other), allValues(plugin));
    // The host hears that the values changed.
    EXPECT_FALSE(otherHost.paramRescans.empty());
    std::string again;
    ASSERT_TRUE(other.save(again));
    EXPECT_EQ(again, blob);
}

TEST_F(Instance, LoadsOlderOrForeignStateTolerantlyAndRefusesWhatIsNotItsOwn) {
    // Unknown keys are skipped, missing ones keep their value, values are clamped.
    const std::string older = "talkforge-state 1\nformant 0.75\nsparkle 3\nmod_level 7\n\nband_50 0.125";
    const double tune = plugin.value(kTune);
    ASSERT_TRUE(plugin.load(older, 3));
    EXPECT_EQ(plugin.value(kFormant), 15.0);
    EXPECT_EQ(plugin.value(kModLevel), 1.0);
    EXPECT_EQ(plugin.value(kBand1 + 49), 0.125);
    EXPECT_EQ(plugin.value(kTune), tune);
    EXPECT_EQ(plugin.value(kBypass), 0.0);

    const std::vector<double> before = allValues(plugin);
    for (const std::string& bad : {std::string(), std::string("talkforge-state 2\nformant 1\n"),
                                   std::string("vocoder 1\nformant 1\n"), std::string("\x01\x02\x03", 3)}) {
        EXPECT_FALSE(plugin.load(bad)) << bad;
        EXPECT_EQ(allValues(plugin), before);
    }
    // A stream that fails.
    const clap_istream failing = {nullptr, [](const clap_istream*, void*, std::uint64_t) -> std::int64_t { return -1; }};
    EXPECT_FALSE(plugin.state()->load(plugin.plugin, &failing));
    const clap_ostream full = {nullptr,
                               [](const clap_ostream*, const void*, std::uint64_t) -> std::int64_t { return -1; }};
    EXPECT_FALSE(plugin.state()->save(plugin.plugin, &full));
    EXPECT_FALSE(plugin.state()->save(plugin.plugin, nullptr));
}

TEST_F(Instance, LoadsStateWhileActiveAndProcessing) {
    ClapHost otherHost;
    ClapInstance source(otherHost);
    setAll(source);
    std::string blob;
    ASSERT_TRUE(source.save(blob));
    ASSERT_TRUE(plugin.activate(48000.0, 1, 256));
    ASSERT_TRUE(plugin.startProcessing());
    ASSERT_TRUE(plugin.load(blob));
    EXPECT_EQ(allValues(plugin), allValues(source));
}

}  // namespace
