// Talkforge.clap processing as a host runs it, compared sample for sample
// with the VST 2 module (driven by the VST 2 test host in this program):
// blocks of changing sizes, parameter automation inside blocks, the
// external carrier, MIDI notes, pitch bend, the mod wheel and the sustain
// pedal as MIDI and as CLAP note events, the half-rate mode; and what only
// the CLAP form has: the bypass, missing side-chain buffers, long blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/clap/clap_host.h"
#include "tests/clap/values.h"
#include "tests/testhost.h"
#include "tests/vocoder/signals.h"
#include "vocoder/talkforge.h"

namespace {

using namespace claphost;

constexpr clap_id kBypass = 1000;

// Something the host sends at a frame of the whole render.
struct Timed {
    enum Kind { kParam, kMidi, kNoteOn, kNoteOff } kind;
    std::uint32_t frame;
    clap_id id = 0;      // kParam
    double value = 0.0;  // kParam: the CLAP value; notes: the velocity
    std::uint8_t status = 0, data1 = 0, data2 = 0;  // kMidi; notes: data1 is the key
};

Timed param(std::uint32_t frame, clap_id id, double value) { return {Timed::kParam, frame, id, value}; }
Timed midi(std::uint32_t frame, std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
    return {Timed::kMidi, frame, 0, 0.0, s, d1, d2};
}
Timed noteOn(std::uint32_t frame, std::uint8_t key, double velocity) {
    return {Timed::kNoteOn, frame, 0, velocity, 0, key, 0};
}
Timed noteOff(std::uint32_t frame, std::uint8_t key) { return {Timed::kNoteOff, frame, 0, 0.0, 0, key, 0}; }

struct Scenario {
    double rate = 48000.0;
    std::size_t frames = 0;
    std::vector<std::uint32_t> blocks;  // host block sizes, repeated to the end
    std::uint32_t maxFrames = 4096;
    bool carrier = false;               // an external carrier on the side-chain
    std::vector<Timed> events;          // in frame order
};

std::vector<float> voiceSignal(const Scenario& s) { return voiceLike(s.frames, s.rate); }
std::vector<float> carrierSignal(const Scenario& s) { return saw(s.frames, 110.0, s.rate); }

// Events the CLAP module acts on at once cut its blocks: parameter values and
// the pedal and all-voices-off controllers. The VST 2 module is driven with
// its blocks cut at the same frames, and never longer than the engine takes.
bool cuts(const Timed& e) {
    return e.kind == Timed::kParam || (e.kind == Timed::kMidi && (e.status & 0xF0) == 0xB0 &&
                                       (e.data1 == 64 || e.data1 == 126));
}

struct ClapRender {
    std::vector<float> left, right;
    std::string parameterEvents;  // what the plug-in told the host
    std::vector<std::string> misuse;
};

ClapRender renderClap(const Scenario& s) {
    ClapRender r;
    ClapHost host;
    ClapInstance plugin(host);
    if (!plugin.ok() || !plugin.activate(s.rate, 1, s.maxFrames) || !plugin.startProcessing()) {
        ADD_FAILURE() << "no instance";
        return r;
    }
    const std::vector<float> voice = voiceSignal(s);
    const std::vector<float> carrier = s.carrier ? carrierSignal(s) : std::vector<float>();
    r.left.assign(s.frames, 0.0f);
    r.right.assign(s.frames, 0.0f);
    std::size_t at = 0, next = 0, block = 0;
    EventList out;
    while (at < s.frames) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(s.blocks[block++ % s.blocks.size()], s.frames - at));
        EventList in;
        for (; next < s.events.size() && s.events[next].frame < at + n; ++next) {
            const Timed& e = s.events[next];
            const auto t = static_cast<std::uint32_t>(e.frame - at);
            switch (e.kind) {
            case Timed::kParam: in.add(paramValueEvent(t, e.id, e.value)); break;
            case Timed::kMidi: in.add(midiEvent(t, e.status, e.data1, e.data2)); break;
            case Timed::kNoteOn: in.add(noteEvent(kEventNoteOn, t, e.data1, e.value)); break;
            case Timed::kNoteOff: in.add(noteEvent(kEventNoteOff, t, e.data1, e.value)); break;
            }
        }
        plugin.process(voice.data() + at, s.carrier ? carrier.data() + at : nullptr, r.left.data() + at,
                       r.right.data() + at, n, in, out);
        at += n;
    }
    r.parameterEvents = out.parameterText();
    r.misuse = host.misuse;
    return r;
}

std::vector<float> renderVst2(const Scenario& s) {
    TestHost vst2;
    std::vector<float> voice = voiceSignal(s);
    std::vector<float> carrier = s.carrier ? carrierSignal(s) : std::vector<float>(s.frames, 0.0f);
    std::vector<float> left(s.frames), right(s.frames);
    vst2.setSampleRate(static_cast<float>(s.rate));
    vst2.dispatch(effMainsChanged, 0, 1);
    std::size_t at = 0, next = 0, block = 0;
    while (at < s.frames) {
        const std::size_t blockEnd = std::min<std::size_t>(at + s.blocks[block++ % s.blocks.size()], s.frames);
        std::size_t start = at;
        while (start < blockEnd) {
            std::vector<TestHost::Midi> midiNow;
            // Due now: what cuts the block here, and the MIDI of this frame.
            for (; next < s.events.size() && s.events[next].frame <= start; ++next) {
                const Timed& e = s.events[next];
                if (e.kind == Timed::kParam) {
                    if (e.id == kBypass) ADD_FAILURE() << "the VST 2 module has no bypass";
                    vst2.setParameter(static_cast<std::int32_t>(e.id), vst2ValueOf(kParameters[e.id], e.value));
                } else if (e.kind == Timed::kMidi) {
                    midiNow.push_back({e.status, e.data1, e.data2, 0});
                } else {
                    const int velocity = e.kind == Timed::kNoteOn ? std::max(1, int(std::lround(e.value * 127.0))) : 0;
                    midiNow.push_back({e.kind == Timed::kNoteOn ? 0x90 : 0x80, e.data1, velocity, 0});
                }
            }
            std::size_t end = std::min(blockEnd, start + kMaxBlockFrames);
            for (std::size_t i = next; i < s.events.size() && s.events[i].frame < end; ++i)
                if (cuts(s.events[i])) end = s.events[i].frame;
            for (; next < s.events.size() && s.events[next].frame < end; ++next) {
                const Timed& e = s.events[next];
                const int delta = static_cast<int>(e.frame - start);
                if (e.kind == Timed::kMidi) midiNow.push_back({e.status, e.data1, e.data2, delta});
                else if (e.kind == Timed::kNoteOn)
                    midiNow.push_back({0x90, e.data1, std::max(1, int(std::lround(e.value * 127.0))), delta});
                else if (e.kind == Timed::kNoteOff)
                    midiNow.push_back({0x80, e.data1, 0, delta});
            }
            if (!midiNow.empty()) vst2.sendMidi(midiNow);
            float* inputs[2] = {voice.data() + start, carrier.data() + start};
            float* outputs[2] = {left.data() + start, right.data() + start};
            vst2.effect->processReplacing(vst2.effect, inputs, outputs, static_cast<VstInt32>(end - start));
            start = end;
        }
        at = blockEnd;
    }
    return left;
}

// The first frame where the two differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    const auto m = std::mismatch(a.begin(), a.end(), b.begin());
    return m.first == a.end() ? -1 : static_cast<long>(m.first - a.begin());
}

double rms(const std::vector<float>& v, std::size_t from = 0) {
    double sum = 0.0;
    for (std::size_t i = from; i < v.size(); ++i) sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(std::max<std::size_t>(1, v.size() - from)));
}

void expectSameAsVst2(const Scenario& s, ClapRender* keep = nullptr) {
    const ClapRender clap = renderClap(s);
    const std::vector<float> reference = renderVst2(s);
    EXPECT_EQ(firstDifference(clap.left, reference), -1);
    EXPECT_EQ(clap.left, clap.right);
    EXPECT_GT(rms(reference), 1e-3);  // there is something to compare
    EXPECT_TRUE(clap.misuse.empty()) << clap.misuse.front();
    if (keep) *keep = clap;
}

TEST(Render, ExternalCarrierWithAutomationInsideBlocksEqualsTheVst2Module) {
    Scenario s;
    s.frames = 48000;
    s.blocks = {512, 77, 1024, 1, 300, 4096, 33};
    s.carrier = true;
    s.events = {
        param(0, kSource, 1.0),
        param(1000, kModLevel, 0.8),
        param(1001, kFormant, 14.0),
        param(5003, kBand1 + 10, 0.05),
        param(5003, kBand1 + 11, 1.0),
        param(9999, kFlat, 1.0),
        param(14000, kFlat, 0.0),
        param(20011, kFreeze, 1.0),
        param(26000, kFreeze, 0.0),
        param(30123, kOutLevel, 0.3),
        param(31000, kCarLevel, 0.9),
        param(40000, kFormant, 3.0),
    };
    expectSameAsVst2(s);
}

TEST(Render, MidiNotesBendModWheelAndPedalEqualTheVst2Module) {
    Scenario s;
    s.frames = 60000;
    s.blocks = {256, 1000, 64, 4096, 17};
    s.events = {
        param(0, kPlayback, 1.0),
        param(0, kFreezeKey, 5.0),  // MIDI64: the pedal holds Freeze
        param(0, kO2Level, 0.0),
        midi(10, 0x90, 48, 100),
        midi(10, 0x90, 55, 90),      // the same frame: one frame later
        noteOn(3000, 60, 0.8),       // a CLAP note
        noteOn(3001, 64, 0.0),       // a CLAP note-on of velocity 0 plays
        midi(5000, 0xE0, 0, 80),     // bend up
        midi(9000, 0xB0, 1, 127),    // mod wheel
        midi(12000, 0xB1, 64, 127),  // pedal down on channel 2
        midi(12001, 0x80, 48, 0),
        midi(16000, 0xB0, 64, 0),    // pedal up
        param(17000, kWaveform, 2.0),
        midi(20000, 0x90, 48, 0),    // MIDI note-on of velocity 0 is a note-off
        noteOff(22000, 55),
        midi(25000, 0xE0, 0, 64),
        midi(25000, 0x9F, 67, 127),
        midi(30000, 0xB0, 126, 0),   // every voice off
        midi(30000, 0x90, 72, 110),
        midi(40000, 0xB0, 1, 0),
        noteOff(50000, 72),
    };
    ClapRender clap;
    expectSameAsVst2(s, &clap);
    // The pedal's switching reached the host at its sample, not to be recorded.
    EXPECT_EQ(clap.parameterEvents, "4=1! 4=0! ");
}

TEST(Render, HalfRateModeWithDroneAndAutomationEqualsTheVst2Module) {
    Scenario s;
    s.rate = 96000.0;
    s.frames = 96000;
    s.blocks = {1024, 333, 2048};
    s.events = {
        param(0, kO1Level, 0.7),
        param(0, kO3Offset, 7.0),
        param(0, kO3Level, 0.5),
        param(0, kSynthVol, 0.1),
        param(20001, kTune, 80.0),
        param(40002, kOctave, 2.0),
        param(60003, kO3Offset, 4.0),
    };
    expectSameAsVst2(s);
}

TEST(Render, BlocksLongerThanTheEngineTakesAreProcessedWhole) {
    Scenario s;
    s.frames = 150000;
    s.blocks = {70000, 80000};
    s.maxFrames = 80000;
    s.carrier = true;
    s.events = {param(0, kSource, 1.0), param(69999, kFormant, 5.0)};
    ClapRender clap;
    expectSameAsVst2(s, &clap);
    EXPECT_GT(rms(clap.left, 140000), 1e-3);  // not silenced
}

TEST(Render, AMissingSideChainIsSilence) {
    Scenario s;
    s.frames = 20000;
    s.blocks = {512};
    s.events = {param(0, kSource, 1.0)};
    const ClapRender withoutCarrier = renderClap(s);  // the side-chain buffer has no channel
    const std::vector<float> silentCarrier = renderVst2(s);
    EXPECT_EQ(firstDifference(withoutCarrier.left, silentCarrier), -1);

    // Fewer buffers than ports, and null channel pointers.
    ClapHost host;
    ClapInstance plugin(host);
    ASSERT_TRUE(plugin.activate(48000.0, 1, 512));
    ASSERT_TRUE(plugin.startProcessing());
    EventList in, out;
    in.add(paramValueEvent(0, kSource, 1.0));
    std::vector<float> voice = voiceSignal(s), left(512), right(512);
    float* voiceChannels[1] = {voice.data()};
    float* nullChannels[1] = {nullptr};
    float* outputChannels[2] = {left.data(), right.data()};
    clap_audio_buffer inputs[2] = {{voiceChannels, nullptr, 1, 0, 0}, {nullChannels, nullptr, 1, 0, 0}};
    clap_audio_buffer outputs[1] = {{outputChannels, nullptr, 2, 0, 0}};
    for (std::uint32_t inputCount : {1u, 2u}) {
        voiceChannels[0] = voice.data() + 512 * (inputCount - 1);
        const clap_process p{0, 512, nullptr, inputs, outputs, inputCount, 1, in.input(), out.output()};
        EXPECT_EQ(plugin.processRecord(p), kProcessContinue);
        in.clear();
    }
    const std::vector<float> expected(silentCarrier.begin() + 512, silentCarrier.begin() + 1024);
    EXPECT_EQ(left, expected);
    // No output buffer at all, and an empty block: nothing written, nothing lost.
    const clap_process none{0, 512, nullptr, inputs, nullptr, 1, 0, in.input(), out.output()};
    EXPECT_EQ(plugin.processRecord(none), kProcessContinue);
    in.add(paramValueEvent(0, kTune, 10.0));
    const clap_process empty{0, 0, nullptr, inputs, outputs, 2, 1, in.input(), out.output()};
    EXPECT_EQ(plugin.processRecord(empty), kProcessContinue);
    EXPECT_EQ(plugin.value(kTune), 10.0);
}

TEST(Render, EventsOutOfOrderOrPastTheBlockAreTakenSafely) {
    ClapHost host;
    ClapInstance plugin(host);
    ASSERT_TRUE(plugin.activate(96000.0, 1, 512));
    ASSERT_TRUE(plugin.startProcessing());
    EventList in, out;
    in.add(paramValueEvent(0, kPlayback, 1.0));
    in.add(midiEvent(300, 0x90, 60, 100));
    in.add(paramValueEvent(200, kTune, 10.0));  // before the event it follows
    in.add(midiEvent(100, 0x90, 64, 100));
    in.add(noteEvent(kEventNoteOff, 20, -1, 0.0));  // every key, out of order
    in.add(midiEvent(511, 0xB0, 64, 127));
    in.add(midiEvent(4000, 0x90, 67, 100));         // past the block's end
    in.add(paramValueEvent(9000, kFormant, 3.0));
    std::vector<float> voice = voiceLike(512, 96000.0), left(512), right(512);
    EXPECT_EQ(plugin.process(voice.data(), nullptr, left.data(), right.data(), 512, in, out), kProcessContinue);
    EXPECT_EQ(plugin.value(kTune), 10.0);
    EXPECT_EQ(plugin.value(kFormant), 3.0);
    in.clear();
    for (int block = 0; block < 20; ++block)
        plugin.process(voice.data(), nullptr, left.data(), right.data(), 512, in, out);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_GT(rms(left), 1e-4);  // the notes play
}

TEST(Render, ProcessBeforeActivationIsRefused) {
    ClapHost host;
    ClapInstance plugin(host);
    std::vector<float> buffer(64);
    EventList in, out;
    EXPECT_EQ(plugin.process(buffer.data(), nullptr, buffer.data(), buffer.data(), 64, in, out), kProcessError);
}

TEST(Bypass, FadesToTheVoiceDelayedByTheLatencyAndBackWithoutAClick) {
    Scenario s;
    s.frames = 48000;
    s.blocks = {512};
    s.carrier = true;
    s.events = {param(0, kSource, 1.0)};
    const std::vector<float> vocoded = renderVst2(s);
    s.events.push_back(param(10007, kBypass, 1.0));
    s.events.push_back(param(30011, kBypass, 0.0));
    const ClapRender r = renderClap(s);
    const std::vector<float> voice = voiceSignal(s);
    const std::size_t latency = latencyFrames(s.rate);
    const auto fade = static_cast<std::size_t>(s.rate * 0.02);

    // Up to the switch, the vocoder; once faded, the voice as late as the vocoder's signal.
    EXPECT_TRUE(std::equal(r.left.begin(), r.left.begin() + 10007, vocoded.begin()));
    for (std::size_t n = 10007 + fade; n < 30011; ++n) ASSERT_EQ(r.left[n], voice[n - latency]) << n;
    // Back to the vocoder, which kept running: the very same samples as without the bypass.
    EXPECT_TRUE(std::equal(r.left.begin() + 30011 + fade, r.left.end(), vocoded.begin() + 30011 + fade));
    // No step during either fade larger than the signals' own.
    const auto largestStep = [](const std::vector<float>& v, std::size_t from, std::size_t to) {
        float step = 0.0f;
        for (std::size_t n = from + 1; n < to; ++n) step = std::max(step, std::fabs(v[n] - v[n - 1]));
        return step;
    };
    const float ownSteps = std::max(largestStep(vocoded, 0, s.frames), largestStep(voice, 0, s.frames));
    for (std::size_t at : {std::size_t{10007}, std::size_t{30011}})
        EXPECT_LE(largestStep(r.left, at - 1, at + fade + 1), 1.05f * ownSteps) << at;
}

}  // namespace
