// The live command's audio side, in this process against a private JACK
// server: what the client plays equals `talkforge render` of the same inputs
// sample for sample, its process callback allocates nothing, it follows a
// new period, and periods longer than the plug-in's largest block are split.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>

#include "tests/allocation_hooks.h"
#include "tests/live/support.h"
#include "tests/soundfile.h"
#include "tests/vocoder/signals.h"
#include "tools/live_client.h"
#include "tools/live_period.h"
#include "tools/plugin_host.h"
#include "vocoder/talkforge.h"

namespace {
// Allocations count only on the watched thread: the server's thread while it
// runs the client's process callback.
std::atomic<bool> watching{false};
std::atomic<pthread_t> watched{};
std::atomic<long> allocations{0};
}  // namespace

void noteAllocation() {
    if (watching.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), watched.load(std::memory_order_relaxed)))
        allocations.fetch_add(1, std::memory_order_relaxed);
}

bool failAllocation() { return false; }

namespace {

using namespace livetest;

constexpr int kRate = 48000;
// Periods of about 21 ms: long enough that a loaded machine does not miss one.
constexpr jack_nframes_t kPeriod = 1024;
constexpr auto kRecordTimeout = std::chrono::seconds(60);
constexpr std::uint8_t kNoteOn = 0x90, kNoteOff = 0x80, kController = 0xB0, kPitchBend = 0xE0, kProgram = 0xC0;

using Settings = std::vector<std::pair<int, float>>;

// What one comparison plays: settings, inputs (an empty carrier leaves input
// 2 silent) and MIDI; the recording is `frames` long.
struct LiveCase {
    Settings settings;
    std::vector<float> voice;
    std::vector<float> carrier;
    std::vector<MidiAt> midi;          // sent to midi_in
    std::vector<MidiAt> midiFileOnly;  // what a MIDI file can carry of it (no system messages)
    std::size_t frames = 0;
};

std::vector<float> placed(const std::vector<float>& signal, std::size_t lead, std::size_t total) {
    std::vector<float> out(total, 0.0f);
    std::copy_n(signal.begin(), std::min(signal.size(), total - lead), out.begin() + static_cast<std::ptrdiff_t>(lead));
    return out;
}

class LiveEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = scratchFolder();
        server = std::make_unique<JackServer>(kRate, kPeriod, dir / "jackd.log");
        // The client under test finds the server as the program does, by name.
        setenv("JACK_DEFAULT_SERVER", server->name().c_str(), 1);
    }
    static void TearDownTestSuite() {
        server.reset();
        fs::remove_all(dir);
    }
    void SetUp() override { ASSERT_TRUE(server->error().empty()) << server->error(); }

    static void apply(PluginHost& plugin, const Settings& settings) {
        for (const auto& [index, value] : settings) plugin.setParameter(index, value);
    }

    // Plays the case through a live client and through the renderer; both
    // outputs must be equal sample for sample.
    void expectLiveEqualsRender(const LiveCase& c) {
        PluginHost plugin(TALKFORGE_PLUGIN_FILE);
        apply(plugin, c.settings);
        LiveClient live(plugin, "Talkforge");
        live.activate();

        TestClient player("player", server->name());
        TestClient recorder("recorder", server->name());
        player.play("voice", c.voice);
        if (!c.carrier.empty()) player.play("carrier", c.carrier);
        if (!c.midi.empty()) player.playMidi("midi", c.midi);
        recorder.record("left", c.frames);
        recorder.record("right", c.frames);
        player.activate();
        recorder.activate();
        const std::string own = live.name() + ":";
        player.connect(player.name() + ":voice", own + "voice");
        if (!c.carrier.empty()) player.connect(player.name() + ":carrier", own + "carrier");
        if (!c.midi.empty()) player.connect(player.name() + ":midi", own + "midi_in");
        recorder.connect(own + "out_left", recorder.name() + ":left");
        recorder.connect(own + "out_right", recorder.name() + ":right");
        const jack_nframes_t start = player.soon();
        player.start(start);
        recorder.start(start);
        ASSERT_TRUE(recorder.waitRecorded(kRecordTimeout));
        const std::optional<jack_nframes_t> first = live.firstFrame();
        ASSERT_TRUE(first.has_value());

        // The plug-in ran `lead` frames of silence before the inputs began.
        const auto lead = static_cast<std::size_t>(start - *first);
        const std::size_t total = lead + c.frames;
        std::vector<std::string> args = {TALKFORGE_TOOL, "render", (dir / "voice.wav").string()};
        testsound::writeSound(dir / "voice.wav", kRate, 1, placed(c.voice, lead, total));
        if (!c.carrier.empty()) {
            testsound::writeSound(dir / "carrier.wav", kRate, 1, placed(c.carrier, lead, total));
            args.insert(args.end(), {"--carrier", (dir / "carrier.wav").string()});
        }
        if (!c.midiFileOnly.empty()) {
            std::vector<MidiAt> song = c.midiFileOnly;
            for (MidiAt& e : song) e.frame += static_cast<std::uint32_t>(lead);
            writeMidiFile(dir / "song.mid", kRate, song);
            args.insert(args.end(), {"--midi", (dir / "song.mid").string()});
        }
        for (const auto& [index, value] : c.settings) {
            char setting[64];
            std::snprintf(setting, sizeof setting, "%s=%.9g", kParameters[static_cast<std::size_t>(index)].name,
                          static_cast<double>(value));
            args.insert(args.end(), {"--set", setting});
        }
        args.insert(args.end(), {"--block", std::to_string(kPeriod), "--float", "--quiet", "--length",
                                 std::to_string(static_cast<double>(total) / kRate), "-o", (dir / "render.wav").string()});
        const Outcome rendered = run(args, {}, dir / "render.err");
        ASSERT_EQ(rendered.status, 0) << rendered.err;
        const testsound::Sound reference = testsound::readSound(dir / "render.wav");
        ASSERT_EQ(reference.channels, 2);
        ASSERT_GE(reference.frames(), total);

        double energy = 0.0;
        for (std::size_t ch = 0; ch < 2; ++ch) {
            const std::vector<float>& got = recorder.recording(ch);
            const std::vector<float> want = reference.channel(static_cast<int>(ch));
            const auto mismatch = std::mismatch(got.begin(), got.end(), want.begin() + static_cast<std::ptrdiff_t>(lead));
            EXPECT_TRUE(mismatch.first == got.end())
                << "channel " << ch << " differs from frame " << (mismatch.first - got.begin()) << " of "
                << c.frames << " (the plug-in's frame " << lead + static_cast<std::size_t>(mismatch.first - got.begin())
                << "): live " << *mismatch.first << ", render " << *mismatch.second
                << (live.xruns() > 0 ? " after an xrun: a missed period breaks the frame count" : "");
            for (float s : got) energy += double(s) * s;
        }
        EXPECT_GT(energy, 1.0) << "the comparison needs sound";
    }

    static inline fs::path dir;
    static inline std::unique_ptr<JackServer> server;
};

TEST_F(LiveEngine, VoiceAndCarrierFilesPlayAsTheRendererRendersThem) {
    LiveCase c;
    c.settings = {{kSource, 1.0f}, {kFormant, 0.4f}, {kOutLevel, 0.6f}};
    c.voice = voiceLike(kRate, kRate);
    const auto low = saw(kRate, 110.0, kRate), fifth = saw(kRate, 165.0, kRate);
    for (std::size_t i = 0; i < low.size(); ++i) c.carrier.push_back(0.5f * (low[i] + fifth[i]));
    c.frames = kRate + static_cast<std::size_t>(latencyFrames(kRate)) + 1000;
    expectLiveEqualsRender(c);
}

TEST_F(LiveEngine, DroneChordPlaysAsTheRendererRendersIt) {
    LiveCase c;
    // A chord of three oscillators, some of it dry on the output as well.
    c.settings = {{kSource, 0.0f},    {kPlayback, 0.0f},  {kO1Freq, 0.28f},  {kO1Level, 0.4f},
                  {kO2Offset, 0.16f}, {kO2Level, 0.3f},   {kO3Offset, 0.28f}, {kO3Level, 0.3f},
                  {kSynthVol, 0.2f},  {kFormant, 0.6f}};
    c.voice = voiceLike(kRate, kRate);
    c.frames = kRate + static_cast<std::size_t>(latencyFrames(kRate)) + 1000;
    expectLiveEqualsRender(c);
}

TEST_F(LiveEngine, MidiNotesSoundAtTheirFrames) {
    LiveCase c;
    c.settings = {{kSource, 0.0f}, {kPlayback, 1.0f}, {kSynthVol, 0.25f}};
    c.voice = voiceLike(kRate, kRate);
    // At a period's first and last frame, in the middle of one, two at the
    // same frame, and the controllers the synthesizer follows; in time order.
    c.midiFileOnly = {{0, {kNoteOn, 48, 100}},
                      {kPeriod - 1, {kNoteOn, 55, 90}},
                      {2000, {kController, 1, 90}},
                      {2001, {kPitchBend, 0, 80}},
                      {12345, {kNoteOff, 48, 0}},
                      {20000, {kNoteOn, 60, 100}},
                      {20000, {kNoteOn, 64, 100}},
                      {30000, {kProgram, 5}},
                      {40000, {kNoteOff, 55, 0}},
                      {40000 + kPeriod, {kNoteOff, 60, 0}}};
    c.midi = c.midiFileOnly;
    // A clock tick is no channel message: it must not reach the plug-in.
    c.midi.insert(c.midi.begin() + 8, MidiAt{30001, {0xF8}});
    c.frames = 45000;
    expectLiveEqualsRender(c);
}

TEST_F(LiveEngine, ProcessCallbackAllocatesNothing) {
    // The counting reaches the thread it watches.
    watched = pthread_self();
    watching = true;
    delete new int(1);
    watching = false;
    ASSERT_EQ(allocations.load(), 1);

    PluginHost plugin(TALKFORGE_PLUGIN_FILE);
    apply(plugin, {{kPlayback, 1.0f}, {kSynthVol, 0.3f}});
    LiveClient live(plugin, "Talkforge");
    live.activate();
    // Notes, bend and the mod wheel in every period, and more events in one
    // than the client takes.
    std::vector<MidiAt> midi;
    for (std::uint32_t f = 0; f < kRate; f += 100) {
        const auto note = static_cast<std::uint8_t>(48 + (f / 100) % 24);
        midi.push_back({f, {kNoteOn, note, 100}});
        midi.push_back({f + 50, {kNoteOff, note, 0}});
        midi.push_back({f + 60, {kPitchBend, 0, static_cast<std::uint8_t>(f % 128)}});
        midi.push_back({f + 70, {kController, 1, static_cast<std::uint8_t>(f % 128)}});
    }
    for (std::size_t i = 0; i <= PeriodProcessor::kMaxEvents; ++i) midi.push_back({kRate, {kController, 1, 64}});
    TestClient player("player", server->name());
    TestClient recorder("recorder", server->name());
    player.play("voice", voiceLike(kRate, kRate));
    player.playMidi("midi", midi);
    recorder.record("left", kRate + kPeriod);
    player.activate();
    recorder.activate();
    player.connect(player.name() + ":voice", live.name() + ":voice");
    player.connect(player.name() + ":midi", live.name() + ":midi_in");
    recorder.connect(live.name() + ":out_left", recorder.name() + ":left");

    allocations = 0;
    watched = live.processThread();
    watching = true;
    const jack_nframes_t start = player.soon();
    player.start(start);
    recorder.start(start);
    // Meanwhile the parameters change, as the editor changes them.
    for (int i = 0; i < 200; ++i) plugin.setParameter(kFormant, static_cast<float>(i % 21) / 20.0f);
    ASSERT_TRUE(recorder.waitRecorded(kRecordTimeout));
    watching = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GT(live.droppedMidiEvents(), 0u);
    ASSERT_TRUE(live.firstFrame().has_value());
    const auto& out = recorder.recording(0);
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](float s) { return std::fabs(s) > 0.01f; }));
}

TEST_F(LiveEngine, FollowsANewPeriod) {
    PluginHost plugin(TALKFORGE_PLUGIN_FILE);
    // The drone, dry on the output: sound without any input.
    apply(plugin, {{kO1Level, 0.5f}, {kSynthVol, 0.5f}});
    LiveClient live(plugin, "Talkforge");
    live.activate();
    EXPECT_EQ(live.period(), kPeriod);

    for (const jack_nframes_t period : {2 * kPeriod, kPeriod}) {
        TestClient recorder("recorder", server->name());
        recorder.record("left", 4 * period);
        recorder.activate();
        recorder.connect(live.name() + ":out_left", recorder.name() + ":left");
        ASSERT_EQ(jack_set_buffer_size(recorder.handle(), period), 0);
        // The client asks its main thread to restart the plug-in, as the program's loop does.
        pollfd wake{live.wakeDescriptor(), POLLIN, 0};
        ASSERT_EQ(poll(&wake, 1, 10000), 1);
        ASSERT_TRUE(live.service());
        EXPECT_EQ(live.period(), period);
        const jack_nframes_t start = recorder.soon();
        recorder.start(start);
        ASSERT_TRUE(recorder.waitRecorded(kRecordTimeout));
        const auto& out = recorder.recording(0);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s != 0.0f; }))
            << "the plug-in plays again after the change";
    }
}

// No server needed: one period of twice the largest block and more, through
// the client's period processor, against the same plug-in fed block by block.
TEST(PeriodProcessor, SplitsLongPeriodsAndDeliversMidiInTheRightBlock) {
    constexpr auto kBlock = static_cast<std::uint32_t>(kMaxBlockFrames);
    constexpr std::uint32_t kFrames = 2 * kBlock + 8930;
    const std::vector<float> voice = voiceLike(kFrames, kRate);
    const std::vector<float> silence(kFrames, 0.0f);
    const std::vector<TimedMidi> events = {{0, {kNoteOn, 48, 100}},          {kBlock - 1, {kNoteOn, 52, 100}},
                                           {kBlock, {kNoteOn, 55, 100}},     {kBlock + 1, {kNoteOff, 48, 0}},
                                           {100000, {kPitchBend, 0, 90}},    {2 * kBlock - 1, {kNoteOff, 52, 0}},
                                           {2 * kBlock, {kNoteOn, 60, 100}}, {kFrames - 1, {kNoteOff, 55, 0}}};
    const Settings settings = {{kPlayback, 1.0f}, {kSynthVol, 0.3f}};

    PluginHost split(TALKFORGE_PLUGIN_FILE);
    PluginHost direct(TALKFORGE_PLUGIN_FILE);
    for (PluginHost* p : {&split, &direct}) {
        for (const auto& [index, value] : settings) p->setParameter(index, value);
        p->start(kRate, kMaxBlockFrames);
    }
    std::vector<float> left(kFrames), right(kFrames), expected(kFrames), expectedRight(kFrames);

    PeriodProcessor processor(split);
    // System messages go nowhere; a program change keeps its two bytes.
    const std::uint8_t clock[] = {0xF8}, sysex[] = {0xF0, 0x7E, 0xF7}, program[] = {kProgram, 3};
    processor.addMidi(5, clock, 1);
    processor.addMidi(6, sysex, 3);
    processor.addMidi(7, program, 2);
    for (const TimedMidi& e : events) processor.addMidi(static_cast<std::uint32_t>(e.frame), e.bytes, 3);
    processor.run(voice.data(), silence.data(), left.data(), right.data(), kFrames);

    for (std::uint32_t at = 0; at < kFrames; at += kBlock) {
        const std::uint32_t n = std::min(kBlock, kFrames - at);
        std::vector<TimedMidi> inBlock;
        for (const TimedMidi& e : events)
            if (e.frame >= at && e.frame < at + n) inBlock.push_back(e);
        if (at == 0) inBlock.insert(inBlock.begin() + 1, TimedMidi{7, {kProgram, 3, 0}});
        direct.sendEvents(inBlock, at);
        float* in[2] = {const_cast<float*>(voice.data()) + at, const_cast<float*>(silence.data()) + at};
        float* out[2] = {expected.data() + at, expectedRight.data() + at};
        direct.process(in, out, static_cast<int>(n));
    }
    EXPECT_EQ(left, expected);
    EXPECT_EQ(right, expectedRight);
    EXPECT_TRUE(std::any_of(left.begin() + 2 * kBlock, left.end(), [](float s) { return std::fabs(s) > 0.01f; }));

    // A period with more events than the processor holds drops the rest and counts them.
    const std::uint8_t note[] = {kNoteOn, 60, 1};
    for (std::size_t i = 0; i < PeriodProcessor::kMaxEvents + 3; ++i) processor.addMidi(0, note, 3);
    processor.run(voice.data(), silence.data(), left.data(), right.data(), 64);
    EXPECT_EQ(processor.droppedEvents(), 3u);
}

}  // namespace
