// Processor and controller as a host sees them: their interfaces, buses and
// arrangements, latency, parameters and their texts, MIDI mapping, state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "plugin/vst3/text16.h"
#include "tests/testhost.h"
#include "tests/vst3/fixture.h"
#include "vocoder/talkforge.h"

namespace {

using namespace vst3;
using namespace vst3test;

constexpr ParamID kBypassParameter = 1000;
constexpr int32 kParameterCount = kNumParams + 5;  // the 76, the bypass, four MIDI targets

// A VST 2 display text without the blanks that align it.
std::string trimmed(const std::string& s) {
    const std::size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') + 1 - first);
}

// The line of a saved state that holds `symbol`.
std::string line(const std::string& state, const std::string& symbol) {
    const std::size_t at = state.find("\n" + symbol + " ");
    if (at == std::string::npos) return {};
    return state.substr(at + 1, state.find('\n', at + 1) - at - 1);
}

class Component : public BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        plugin = newInstance();
        ASSERT_TRUE(plugin->ok());
    }

    std::string text(ParamID id, ParamValue v) {
        String128 s;
        std::memset(s, 0x55, sizeof s);
        EXPECT_EQ(plugin->controller->getParamStringByValue(id, v, s), kResultOk) << id;
        return text8(s, kString128Length);
    }

    std::unique_ptr<Instance> plugin;
};

// One object per class, each answering its own interfaces (and the bases)
// with the same identity, and nothing else.
TEST_F(Component, ProcessorAndControllerAreSeparateObjectsWithTheirOwnInterfaces) {
    EXPECT_FALSE(plugin->singleObject);
    auto identity = [](FUnknown* object) { return Ref<FUnknown>::query(object).get(); };
    EXPECT_EQ(identity(plugin->component.get()), identity(plugin->processor.get()));
    EXPECT_EQ(identity(plugin->controller.get()), identity(Ref<IMidiMapping>::query(plugin->controller.get()).get()));
    EXPECT_NE(identity(plugin->component.get()), identity(plugin->controller.get()));
    EXPECT_TRUE(Ref<IPluginBase>::query(plugin->component.get()));
    EXPECT_TRUE(Ref<IPluginBase>::query(plugin->controller.get()));
    EXPECT_TRUE(Ref<IEditController2>::query(plugin->controller.get()));
    EXPECT_FALSE(Ref<IEditController>::query(plugin->component.get()));
    EXPECT_FALSE(Ref<IPlugView>::query(plugin->controller.get()));
    void* obj = &obj;
    EXPECT_EQ(plugin->component->queryInterface(IComponentHandler::iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    char cid[kUidBytes] = {};
    ASSERT_EQ(plugin->component->getControllerClassId(cid), kResultOk);
    EXPECT_EQ(uidText(cid), "5653453436377674616C6B666F726765");
    // Hosts may initialize twice (once per role) and terminate twice.
    EXPECT_EQ(plugin->component->initialize(host.get()), kResultOk);
    EXPECT_EQ(plugin->controller->initialize(host.get()), kResultOk);
}

TEST_F(Component, BusesAreVoiceCarrierOutputAndMidi) {
    IComponent* c = plugin->component.get();
    EXPECT_EQ(c->getBusCount(kAudio, kInput), 2);
    EXPECT_EQ(c->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(c->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(c->getBusCount(kEvent, kOutput), 0);
    struct Expected {
        MediaType type;
        BusDirection dir;
        const char* name;
        int32 channels;
        BusType busType;
        uint32 flags;
    };
    const Expected buses[] = {
        {kAudio, kInput, "Voice", 2, kMain, BusInfo::kDefaultActive},
        {kAudio, kInput, "Carrier", 2, kAux, 0},
        {kAudio, kOutput, "Output", 2, kMain, BusInfo::kDefaultActive},
        {kEvent, kInput, "MIDI In", 16, kMain, BusInfo::kDefaultActive},
    };
    int32 index[2][2] = {};
    for (const Expected& e : buses) {
        BusInfo info;
        std::memset(&info, 0x55, sizeof info);
        ASSERT_EQ(c->getBusInfo(e.type, e.dir, index[e.type][e.dir]++, info), kResultOk);
        EXPECT_EQ(text8(info.name), e.name);
        EXPECT_EQ(info.mediaType, e.type);
        EXPECT_EQ(info.direction, e.dir);
        EXPECT_EQ(info.channelCount, e.channels) << e.name;
        EXPECT_EQ(info.busType, e.busType) << e.name;
        EXPECT_EQ(info.flags, e.flags) << e.name;
    }
    BusInfo info{};
    EXPECT_EQ(c->getBusInfo(kAudio, kInput, 2, info), kInvalidArgument);
    EXPECT_EQ(c->getBusInfo(kEvent, kOutput, 0, info), kInvalidArgument);
    EXPECT_EQ(c->getBusInfo(kAudio, kOutput, -1, info), kInvalidArgument);
    EXPECT_EQ(c->activateBus(kAudio, kInput, 1, 1), kResultOk);
    EXPECT_EQ(c->activateBus(kAudio, kInput, 5, 1), kInvalidArgument);
}

// What hosts commonly propose is taken; anything else is refused and the
// buses keep arrangements the processor supports, which the host reads back.
TEST_F(Component, ArrangementsHostsProposeAreTakenAndOthersRefused) {
    IAudioProcessor* p = plugin->processor.get();
    using namespace speaker;
    const SpeakerArrangement k51 = kL | kR | kC | kLfe | kLs | kRs;
    struct Case {
        std::vector<SpeakerArrangement> ins, outs;
        tresult result;
        SpeakerArrangement voice, carrier, output;  // after the call
    };
    const Case cases[] = {
        {{kStereo, kStereo}, {kStereo}, kResultTrue, kStereo, kStereo, kStereo},
        {{kMono, kMono}, {kStereo}, kResultTrue, kMono, kMono, kStereo},
        {{kMono}, {kMono}, kResultTrue, kMono, kStereo, kMono},
        {{kStereo, kEmpty}, {kStereo}, kResultTrue, kStereo, kEmpty, kStereo},
        {{kStereo, kMono}, {kStereo}, kResultTrue, kStereo, kMono, kStereo},
        {{k51, kStereo}, {k51}, kResultFalse, kStereo, kStereo, kStereo},
        {{kEmpty, kMono}, {kStereo}, kResultFalse, kStereo, kMono, kStereo},
        {{kMono, kMono, kMono}, {kStereo}, kResultFalse, kMono, kMono, kStereo},
        {{kMono}, {kStereo, kStereo}, kResultFalse, kMono, kStereo, kStereo},
        {{}, {kStereo}, kResultFalse, kStereo, kStereo, kStereo},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        // Start from the defaults each time.
        SpeakerArrangement ins[2] = {kStereo, kStereo}, outs[1] = {kStereo};
        ASSERT_EQ(p->setBusArrangements(ins, 2, outs, 1), kResultTrue);
        std::vector<SpeakerArrangement> i = c.ins, o = c.outs;
        EXPECT_EQ(p->setBusArrangements(i.data(), static_cast<int32>(i.size()), o.data(), static_cast<int32>(o.size())),
                  c.result);
        SpeakerArrangement voice = 0, carrier = 0, output = 0;
        ASSERT_EQ(p->getBusArrangement(kInput, 0, voice), kResultOk);
        ASSERT_EQ(p->getBusArrangement(kInput, 1, carrier), kResultOk);
        ASSERT_EQ(p->getBusArrangement(kOutput, 0, output), kResultOk);
        EXPECT_EQ(voice, c.voice);
        EXPECT_EQ(carrier, c.carrier);
        EXPECT_EQ(output, c.output);
        BusInfo info{};
        ASSERT_EQ(plugin->component->getBusInfo(kAudio, kInput, 0, info), kResultOk);
        EXPECT_EQ(info.channelCount, channelCount(voice));
    }
    SpeakerArrangement a = 0;
    EXPECT_EQ(p->getBusArrangement(kOutput, 1, a), kInvalidArgument);
    EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultFalse);
}

// 508 frames, 1016 at 96 kHz; a change of rate that changes it reaches the
// host as restartComponent(kLatencyChanged), through the controller.
TEST_F(Component, LatencyFollowsTheRateAndTheHostHearsOfChanges) {
    IAudioProcessor* p = plugin->processor.get();
    EXPECT_EQ(p->getLatencySamples(), 508u);
    auto& restarts = plugin->handler->restarts;
    struct Step {
        double rate;
        uint32 latency;
        bool restart;
    };
    for (const Step& s : {Step{44100.0, 508, false}, Step{48000.0, 508, false}, Step{96000.0, 1016, true},
                          Step{96000.0, 1016, false}, Step{88200.0, 508, true}}) {
        restarts.clear();
        ASSERT_EQ(plugin->start(s.rate, 512), kResultOk);
        EXPECT_EQ(p->getLatencySamples(), s.latency) << s.rate;
        EXPECT_EQ(restarts, s.restart ? std::vector<int32>{kLatencyChanged} : std::vector<int32>{}) << s.rate;
    }
    ProcessSetup bad{kRealtime, kSample32, 512, 0.0};
    EXPECT_EQ(p->setupProcessing(bad), kInvalidArgument);
}

// Ids 0..75 are the VST 2 indices, with the VST 2 names, units and steps;
// the bypass and the MIDI targets lie outside them.
TEST_F(Component, ParameterInfosKeepTheVst2IndicesAndNames) {
    IEditController* c = plugin->controller.get();
    ASSERT_EQ(c->getParameterCount(), kParameterCount);
    std::set<ParamID> ids;
    for (int32 i = 0; i < kParameterCount; ++i) {
        vst3::ParameterInfo info;
        std::memset(&info, 0x55, sizeof info);
        ASSERT_EQ(c->getParameterInfo(i, info), kResultOk);
        EXPECT_TRUE(ids.insert(info.id).second) << info.id;
        EXPECT_EQ(info.unitId, kRootUnitId);
        if (i < kNumParams) {
            const ::ParameterInfo& p = kParameters[static_cast<std::size_t>(i)];
            EXPECT_EQ(info.id, static_cast<ParamID>(i));
            EXPECT_EQ(text8(info.title), p.name);
            EXPECT_EQ(text8(info.shortTitle), p.name);
            EXPECT_EQ(text8(info.units), std::string(p.label) == " " ? "" : p.label);
            EXPECT_EQ(info.stepCount, p.steps);
            EXPECT_EQ(info.defaultNormalizedValue, p.defaultValue);
            const int32 list = p.display == ParamDisplay::kChoice ? vst3::ParameterInfo::kIsList : 0;
            EXPECT_EQ(info.flags, vst3::ParameterInfo::kCanAutomate | list) << p.name;
            EXPECT_EQ(c->getParamNormalized(info.id), static_cast<double>(p.defaultValue));
        } else if (i == kNumParams) {
            EXPECT_EQ(info.id, kBypassParameter);
            EXPECT_EQ(text8(info.title), "Bypass");
            EXPECT_EQ(info.stepCount, 1);
            EXPECT_EQ(info.flags, vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass);
        } else {
            EXPECT_GE(info.id, static_cast<ParamID>(kNumParams));
            EXPECT_EQ(info.flags, vst3::ParameterInfo::kIsHidden) << text8(info.title);
            EXPECT_EQ(text8(info.title).find("MIDI CC "), std::string::npos);
        }
    }
    vst3::ParameterInfo info{};
    EXPECT_EQ(c->getParameterInfo(-1, info), kInvalidArgument);
    EXPECT_EQ(c->getParameterInfo(kParameterCount, info), kInvalidArgument);
}

// The display texts are the VST 2 module's for the same value, byte for
// byte; a text read back gives a value that shows the same text.
TEST_F(Component, ParameterTextsEqualTheVst2ModulesBothWays) {
    IEditController* c = plugin->controller.get();
    TestHost vst2;
    ASSERT_NE(vst2.effect, nullptr);
    for (int32 index = 0; index < kNumParams; ++index) {
        for (int k = 0; k <= 40; ++k) {
            const float v = static_cast<float>(k) / 40.0f + (k % 3 == 1 ? 0.0031f : 0.0f);
            if (v > 1.0f) continue;
            vst2.setParameter(index, v);
            const std::string shown = text(static_cast<ParamID>(index), v);
            if (kParameters[static_cast<std::size_t>(index)].steps == 0) {
                EXPECT_EQ(shown, trimmed(vst2.paramDisplay(index))) << index << " at " << v;
            }
            ParamValue back = -1.0;
            std::vector<char16> typed(shown.size() + 1);
            copyText16(typed.data(), typed.size(), shown);
            ASSERT_EQ(c->getParamValueByString(static_cast<ParamID>(index), typed.data(), back), kResultOk)
                << index << " '" << shown << "'";
            // Levels show their digits cut, so the value read back may show
            // the last one a step lower; everything else shows the same text.
            const std::string again = text(static_cast<ParamID>(index), back);
            if (kParameters[static_cast<std::size_t>(index)].display == ParamDisplay::kDecibels && shown != "-oo") {
                EXPECT_NEAR(std::stod(again), std::stod(shown), 2e-5 * std::max(1.0, std::fabs(std::stod(shown))))
                    << index;
            } else {
                EXPECT_EQ(again, shown) << index;
            }
        }
        char16 nonsense[] = u"banana";
        ParamValue unchanged = 0.25;
        EXPECT_EQ(c->getParamValueByString(static_cast<ParamID>(index), nonsense, unchanged), kResultFalse);
        EXPECT_EQ(unchanged, 0.25);
    }
    EXPECT_EQ(text(kBypassParameter, 1.0), "On");
    String128 s;
    EXPECT_EQ(c->getParamStringByValue(5000, 0.5, s), kInvalidArgument);
}

// A stepped parameter at each of its positions k / steps, as hosts send them,
// shows position k, and the processor reads it as position k: the VST 2
// module given the processor's value shows the same.
TEST_F(Component, EveryPositionOfASteppedParameterIsItself) {
    IEditController* c = plugin->controller.get();
    TestHost vst2;
    ASSERT_NE(vst2.effect, nullptr);
    ASSERT_EQ(plugin->start(44100.0, 64), kResultOk);
    for (const ::ParameterInfo& p : kParameters) {
        if (p.steps == 0) continue;
        for (int k = 0; k <= p.steps; ++k) {
            const ParamValue normalized = static_cast<double>(k) / p.steps;
            EXPECT_EQ(c->normalizedParamToPlain(static_cast<ParamID>(p.index), normalized), k) << p.name;
            EXPECT_EQ(c->plainParamToNormalized(static_cast<ParamID>(p.index), k), normalized) << p.name;
            // Through the processor: its saved value, shown by the VST 2 module.
            auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
            changes->add(static_cast<ParamID>(p.index), 0, normalized);
            std::vector<Bus> none;
            ProcessOptions options;
            options.changes = changes.get();
            ASSERT_EQ(plugin->process(none, none, 0, options), kResultOk);
            const std::string state = plugin->processorState();
            const std::string key = std::string("\n") + p.symbol + " ";
            const std::size_t at = state.find(key);
            ASSERT_NE(at, std::string::npos);
            vst2.setParameter(p.index, std::stof(state.substr(at + key.size())));
            EXPECT_EQ(trimmed(vst2.paramDisplay(p.index)), text(static_cast<ParamID>(p.index), normalized))
                << p.name << " " << k;
            // The text names position k: the VST 2 display of k / steps in
            // exact arithmetic.
            if (p.display == ParamDisplay::kNumber) {
                EXPECT_EQ(text(static_cast<ParamID>(p.index), normalized), std::to_string(k - p.offset)) << p.name;
            }
        }
    }
}

TEST_F(Component, MidiControllersMapToHiddenParameters) {
    std::set<ParamID> targets;
    for (int16 channel = 0; channel < 16; ++channel) {
        for (CtrlNumber number :
             {CtrlNumber(kPitchBend), CtrlNumber(1), CtrlNumber(64), CtrlNumber(123), CtrlNumber(126)}) {
            tresult r = kResultFalse;
            const ParamID id = midiMapping(plugin->controller.get(), channel, number, &r);
            EXPECT_EQ(r, kResultTrue) << number;
            EXPECT_GE(id, static_cast<ParamID>(kNumParams));
            EXPECT_NE(id, kBypassParameter);
            targets.insert(id);
        }
        for (CtrlNumber number : {CtrlNumber(0), CtrlNumber(7), CtrlNumber(121), CtrlNumber(kAfterTouch)}) {
            tresult r = kResultOk;
            midiMapping(plugin->controller.get(), channel, number, &r);
            EXPECT_EQ(r, kResultFalse) << number;
        }
    }
    EXPECT_EQ(targets.size(), 4u);  // 123 and 126 both release every voice
    auto mapping = Ref<IMidiMapping>::query(plugin->controller.get());
    ParamID id = 0;
    EXPECT_EQ(mapping->getMidiControllerAssignment(1, 0, 1, id), kResultFalse);
}

// The host hands the processor's state to a new processor and controller:
// all 76 values come back exactly; unknown keys are skipped, missing ones
// keep their value, anything else is refused without a change.
TEST_F(Component, StateRoundTripsAndTheControllerFollowsIt) {
    ASSERT_EQ(plugin->start(44100.0, 64), kResultOk);
    auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
    for (int32 i = 0; i < kNumParams; ++i) changes->add(static_cast<ParamID>(i), 0, std::fmod(0.137 * (i + 1), 1.0));
    std::vector<Bus> none;
    ProcessOptions options;
    options.changes = changes.get();
    ASSERT_EQ(plugin->process(none, none, 0, options), kResultOk);
    const std::string saved = plugin->processorState();
    ASSERT_EQ(saved.rfind("talkforge-state 1\n", 0), 0u) << saved;

    Instance other(module->factory(), *host);
    ASSERT_EQ(other.setProcessorState(saved), kResultOk);
    EXPECT_EQ(other.processorState(), saved);
    for (int32 i = 0; i < kNumParams; ++i)
        EXPECT_EQ(other.controller->getParamNormalized(static_cast<ParamID>(i)),
                  static_cast<double>(static_cast<float>(std::fmod(0.137 * (i + 1), 1.0))))
            << i;
    EXPECT_TRUE(other.handler->gestures.empty()) << "the controller echoed values: " << other.handler->gestures;

    // A newer build's state with a key this one does not know, and without Formant.
    ASSERT_EQ(other.setProcessorState("talkforge-state 1\nfuture_knob 0.5\nsource 1\n"), kResultOk);
    const std::string now = other.processorState();
    EXPECT_EQ(line(now, "source"), "source 1");
    EXPECT_EQ(line(now, "formant"), line(saved, "formant"));
    EXPECT_EQ(other.controller->getParamNormalized(kSource), 1.0);

    for (const std::string& wrong : {std::string("not a state"), std::string(), std::string("talkforge-state 99\n")}) {
        EXPECT_EQ(other.setProcessorState(wrong), kResultFalse);
        EXPECT_EQ(other.processorState(), now);
    }
    MemoryStream empty;
    EXPECT_EQ(other.controller->getState(&empty), kResultOk);
    EXPECT_EQ(other.controller->setState(&empty), kResultOk);
}

}  // namespace
