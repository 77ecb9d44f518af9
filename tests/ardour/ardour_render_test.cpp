// Talkforge in a real host. Ardour 7 runs headless (ardour7-lua on its dummy
// audio backend) with the built Talkforge.so, the built Talkforge.vst3 and the
// LV2 bundle (loaded by its URI), on a stereo track, parameters set through
// the host, and renders the track; the result must equal what `talkforge
// render` gives for the same input and parameters, once the frames Ardour ran
// the plug-in on before the render (and, for the VST 3 and LV2 plug-ins, the
// latency it compensates) are put ahead of the renderer's input.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plugin/lv2/ports.h"
#include "tests/process.h"
#include "tests/soundfile.h"
#include "vocoder/talkforge.h"

namespace fs = std::filesystem;
using testprocess::onPath;
using testprocess::Outcome;
using testprocess::runProgram;
using testprocess::slurp;
using testsound::readSound;
using testsound::Sound;
using testsound::writeSound;

namespace {

constexpr const char* kHostProgram = "ardour7-lua";
constexpr double kTolerance = 1e-6;
constexpr double kAudiblePeak = 0.01;  // a render quieter than this proves nothing by matching
constexpr int kHostBlock = 512;  // the period the host runs its engine with, in frames
constexpr double kTailSeconds = 0.5;  // rendered past the file's end: the lookahead and the decay
constexpr auto kHostTimeout = std::chrono::minutes(3);
constexpr auto kToolTimeout = std::chrono::minutes(1);

// What both programs get: the renderer as options, the host as the parameter
// values `talkforge params` lists for the same options.
struct RenderCase {
    std::string name;
    int rate;
    bool externalCarrier;
    std::vector<std::string> settings;
    bool vst3 = false;  // the bundle, whose external carrier comes in on its side-chain bus
    bool lv2 = false;   // the LV2 plug-in, its carrier on its side-chain pin, its stepped values as steps
};

// The drone plays at 44.1 kHz, the rate the effect is constructed for: at any
// other rate its first block still takes the drone's pitch steps from the
// construction rate's table (the table follows the host's rate from the first
// block on). The renderer sends an empty block first so that this never
// sounds; a host does not, so at 48 kHz the host's first block of silence
// would leave the oscillators at other phases.
const RenderCase kDrone{"drone", 44100, false,
                        {"--chord", "C3,E3,G3,C4", "--set", "Synth vol=0.25", "--set", "Formant=0.6"}};
// The external carrier does not run the synthesizer, so any rate will do.
const RenderCase kCarrier{"carrier", 48000, true, {"--set", "Formant=0.4", "--set", "Out.level=0.6"}};
const RenderCase kVst3Drone{"vst3-drone", kDrone.rate, false, kDrone.settings, true};
const RenderCase kVst3Carrier{"vst3-carrier", kCarrier.rate, true, kCarrier.settings, true};
// The engine is made at the host's rate in LV2, so the drone plays in tune at
// 48 kHz from its first block.
const RenderCase kLv2Drone{"lv2-drone", 48000, false, kDrone.settings, false, true};
const RenderCase kLv2Carrier{"lv2-carrier", 44100, true, kCarrier.settings, false, true};
const RenderCase* const kCases[] = {&kDrone, &kCarrier, &kVst3Drone, &kVst3Carrier, &kLv2Drone, &kLv2Carrier};

// The latency the VST 3 bundle declares at these rates.
constexpr std::size_t kVst3Latency = 508;

// A mono signal with `lead` frames of silence before it and `tail` after it.
std::vector<float> padded(const std::vector<float>& signal, std::size_t lead, std::size_t tail) {
    std::vector<float> out(lead + signal.size() + tail, 0.0f);
    std::copy(signal.begin(), signal.end(), out.begin() + static_cast<std::ptrdiff_t>(lead));
    return out;
}

// Two sawtooth waves a fifth apart: a bright carrier whose first sample is not 0.
std::vector<float> carrierSignal(std::size_t frames, int rate) {
    constexpr double kRoot = 110.0;
    constexpr double kFifth = 1.5;
    constexpr double kAmplitude = 0.25;
    std::vector<float> v(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        double sum = 0.0;
        for (double hz : {kRoot, kRoot * kFifth}) sum += 1.0 - 2.0 * std::fmod(hz * t, 1.0);
        v[i] = static_cast<float>(kAmplitude * sum);
    }
    return v;
}

std::string luaString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Parameter values by index, as `talkforge params` lists them.
using ParameterValues = std::map<int, std::string>;

ParameterValues parseParameterList(const std::string& listing) {
    static const std::regex kRow(R"(^\s*(\d+)\s.*?\s(\d\.\d{6})\s)");
    ParameterValues values;
    std::stringstream lines(listing);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line))
        if (std::regex_search(line, m, kRow)) values[std::stoi(m[1])] = m[2];
    return values;
}

// What Ardour gave for one render.
struct HostRender {
    std::size_t lead = 0;  // frames the plug-in processed before the file's first frame
    std::size_t latency = 0;  // what the host read from the plug-in and compensates in the bounce
    std::vector<std::vector<float>> channels;
};

class ArdourRender : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
    }

    void SetUp() override {
        if (!skipReason.empty()) GTEST_SKIP() << skipReason;
        ASSERT_TRUE(setupError.empty()) << setupError;
    }

    static fs::path file(const std::string& name) { return dir / name; }
    static Outcome tool(const std::vector<std::string>& args);
    static std::vector<std::string> renderOptions(const RenderCase& c);
    static std::string hostParameters(const RenderCase& c);
    static void prepareInputs(const RenderCase& c);
    static void runHost();
    static HostRender readHostRender(const RenderCase& c);

    void expectRendererAgrees(const RenderCase& c);

    static inline fs::path dir;
    static inline std::string skipReason;
    static inline std::string setupError;
    static inline std::vector<float> voice;  // the demo phrase's samples, whatever the rate
    static inline std::map<std::string, HostRender> host;
};

Outcome ArdourRender::tool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TALKFORGE_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, {}, file("tool.log"), kToolTimeout);
}

std::vector<std::string> ArdourRender::renderOptions(const RenderCase& c) {
    std::vector<std::string> options = c.settings;
    if (c.externalCarrier) options.insert(options.begin(), {"--carrier", file(c.name + "-carrier.wav").string()});
    return options;
}

// A value as Ardour sets it on a VST 3 parameter: a stepped one by its
// position (the plain value), as the engine reads the position from the value.
std::string vst3Value(int index, const std::string& value) {
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    if (p.steps == 0) return value;
    const float v = std::stof(value);
    const float rounding = p.display == ParamDisplay::kNote ? 0.5f : 0.0f;
    return std::to_string(static_cast<int>(static_cast<float>(p.steps) * v + rounding));
}

// The parameters the render sets that differ from the plug-in's defaults, as
// the session script takes them: {index, value} pairs.
std::string ArdourRender::hostParameters(const RenderCase& c) {
    std::vector<std::string> args = {"params"};
    args.insert(args.end(), c.settings.begin(), c.settings.end());
    if (c.externalCarrier) args.insert(args.end(), {"--set", "Source=1"});
    const Outcome defaults = tool({"params"});
    const Outcome chosen = tool(args);
    if (defaults.status != 0 || chosen.status != 0) throw std::runtime_error("talkforge params failed:\n" + chosen.output);
    const ParameterValues before = parseParameterList(defaults.output);
    std::string list;
    for (const auto& [index, value] : parseParameterList(chosen.output)) {
        if (before.at(index) == value) continue;
        char port[32];  // an LV2 port carries a stepped parameter's step
        std::snprintf(port, sizeof port, "%.9g", double(tf::lv2::portValueOf(index, std::stof(value))));
        list += "{" + std::to_string(index) + ", " + (c.vst3 ? vst3Value(index, value) : c.lv2 ? port : value) + "}, ";
    }
    return "{" + list + "}";
}

// The track's file: the voice left, the carrier right. With the drone the
// plug-in ignores the right channel, as the renderer's silent second input assumes.
void ArdourRender::prepareInputs(const RenderCase& c) {
    const std::vector<float> carrier = carrierSignal(voice.size(), c.rate);
    std::vector<float> track(2 * voice.size());
    for (std::size_t i = 0; i < voice.size(); ++i) {
        track[2 * i] = voice[i];
        track[2 * i + 1] = carrier[i];
    }
    writeSound(file(c.name + "-track.wav"), c.rate, 2, track);
}

void ArdourRender::SetUpTestSuite() {
    if (!onPath(kHostProgram)) {
        skipReason = std::string(kHostProgram) +
                     " is not installed: this test needs Ardour 7 (Debian package ardour, which scripts/deps installs as root)";
        return;
    }
    try {
        std::string pattern = (fs::temp_directory_path() / "talkforge-ardour-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
        dir = pattern;
        voice = readSound(DEMO_VOICE).samples;
        if (carrierSignal(1, kDrone.rate)[0] == 0.0f) throw std::runtime_error("the carrier must not start at 0");
        runHost();
    } catch (const std::exception& e) {
        setupError = e.what();
    }
}

// One Ardour process renders every case: its start-up and the plug-in scan are paid once.
void ArdourRender::runHost() {
    const fs::path config = file("config");
    fs::create_directories(config / "ardour7" / "scripts");
    fs::copy_file(fs::path(ARDOUR_SCRIPTS) / "counter.lua", config / "ardour7" / "scripts" / "counter.lua");

    const auto tailFrames = [](const RenderCase& c) { return static_cast<std::size_t>(kTailSeconds * c.rate); };
    std::ofstream job(file("job.lua"));
    job << "return {\n  plugin = " << luaString(TALKFORGE_PLUGIN) << ",\n  vst3 = " << luaString(TALKFORGE_VST3)
        << ",\n  lv2_uri = " << luaString(tf::lv2::kPluginUri)
        << ",\n  scratch = " << luaString(dir.string())
        << ",\n  block = " << kHostBlock
        << ",\n  renders = {\n";
    for (const RenderCase* c : kCases) {
        prepareInputs(*c);
        job << "    { name = " << luaString(c->name) << ", rate = " << c->rate
            << ", input = " << luaString(file(c->name + "-track.wav").string()) << ", input_frames = " << voice.size()
            << ", frames = " << voice.size() + tailFrames(*c) << ", params = " << hostParameters(*c)
            << (c->vst3 ? ", format = \"VST3\"" : c->lv2 ? ", format = \"LV2\"" : "")
            << ((c->vst3 || c->lv2) && c->externalCarrier ? ", sidechain = true" : "")
            << " },\n";
    }
    job << "  },\n}\n";
    job.close();

    // Ardour finds the LV2 bundle, and LV2's own vocabulary bundles, through LV2_PATH.
    fs::create_directories(file("lv2"));
    fs::create_directory_symlink(TALKFORGE_LV2_BUNDLE, file("lv2") / "talkforge.lv2");

    const auto started = std::chrono::steady_clock::now();
    const Outcome r = runProgram({kHostProgram, fs::path(ARDOUR_SCRIPTS) / "session.lua", file("job.lua")},
                                 {"HOME=" + dir.string(), "XDG_CONFIG_HOME=" + config.string(),
                                  "XDG_CACHE_HOME=" + file("cache").string(),
                                  "LV2_PATH=" + file("lv2").string() + ":/usr/lib/lv2"},
                                 file("ardour.log"), std::chrono::duration_cast<std::chrono::seconds>(kHostTimeout));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "Ardour rendered every case in " << seconds << " s\n";
    if (r.status != 0) throw std::runtime_error("Ardour failed (status " + std::to_string(r.status) + "):\n" + r.output);
    for (const RenderCase* c : kCases) host[c->name] = readHostRender(*c);
}

HostRender ArdourRender::readHostRender(const RenderCase& c) {
    std::stringstream result(slurp(file(c.name + ".result")));
    HostRender h;
    std::string key, value;
    while (result >> key >> value) {
        if (key == "lead") h.lead = std::stoul(value);
        if (key == "latency") h.latency = std::stoul(value);
        if (key == "channel") h.channels.push_back(readSound(value).samples);
    }
    return h;
}

void ArdourRender::expectRendererAgrees(const RenderCase& c) {
    ASSERT_TRUE(host.count(c.name));
    const HostRender& h = host.at(c.name);
    ASSERT_EQ(h.channels.size(), 2u) << "Ardour's render of '" << c.name << "' is not stereo";
    // The VST 2 module declares no latency; the VST 3 bundle and the LV2
    // plug-in declare the vocoder's, which the host compensates: its bounce
    // starts that much later in the plug-in's output.
    const std::size_t declared = c.vst3 ? kVst3Latency : c.lv2 ? std::size_t(latencyFrames(c.rate)) : 0u;
    EXPECT_EQ(h.latency, declared) << c.name;
    const std::size_t start = h.lead + h.latency;
    const std::size_t frames = h.channels[0].size();
    ASSERT_EQ(frames, voice.size() + static_cast<std::size_t>(kTailSeconds * c.rate));

    const std::size_t tail = frames - voice.size();
    writeSound(file(c.name + "-voice.wav"), c.rate, 1, padded(voice, h.lead, tail));
    if (c.externalCarrier)
        writeSound(file(c.name + "-carrier.wav"), c.rate, 1, padded(carrierSignal(voice.size(), c.rate), h.lead, tail));
    std::vector<std::string> args = {"render", file(c.name + "-voice.wav").string()};
    const std::vector<std::string> options = renderOptions(c);
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--block", std::to_string(kHostBlock), "--float", "--quiet", "-o", file(c.name + "-render.wav").string()});
    const Outcome r = tool(args);
    ASSERT_EQ(r.status, 0) << r.output;
    const Sound rendered = readSound(file(c.name + "-render.wav"));
    ASSERT_GE(rendered.frames(), start + frames);

    for (int channel = 0; channel < 2; ++channel) {
        float peak = 0.0f;
        for (float v : h.channels[channel]) peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, kAudiblePeak) << c.name << ": Ardour's render is silent on channel " << channel + 1;
        double worst = 0.0;
        std::size_t worstFrame = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            const double d = std::fabs(static_cast<double>(h.channels[channel][i]) - rendered.at(start + i, channel));
            if (d > worst) worst = d, worstFrame = i;
        }
        std::cout << c.name << ": " << h.lead << " frames before the file, latency " << h.latency << ", channel "
                  << channel + 1 << " peaks at " << peak << " and differs by at most " << worst << "\n";
        EXPECT_LE(worst, kTolerance) << c.name << ", channel " << channel + 1 << ", frame " << worstFrame;
    }
}

TEST_F(ArdourRender, DroneChordSetThroughTheHostMatchesTheRenderer) { expectRendererAgrees(kDrone); }

TEST_F(ArdourRender, ExternalCarrierOnInputTwoMatchesTheRenderer) { expectRendererAgrees(kCarrier); }

TEST_F(ArdourRender, Vst3DroneChordMatchesTheRendererBehindItsLatency) { expectRendererAgrees(kVst3Drone); }

TEST_F(ArdourRender, Vst3ExternalCarrierOnTheSideChainMatchesTheRenderer) { expectRendererAgrees(kVst3Carrier); }

TEST_F(ArdourRender, Lv2DroneChordLoadedByUriMatchesTheRendererBehindItsLatency) { expectRendererAgrees(kLv2Drone); }

TEST_F(ArdourRender, Lv2ExternalCarrierOnTheSideChainPinMatchesTheRenderer) { expectRendererAgrees(kLv2Carrier); }

// What Ardour's VST 3 scanner wrote to its cache while the host started: the
// class by its permanent id, its category, and its buses.
TEST_F(ArdourRender, Vst3ScannerListsTheBundleWithItsBusesAndCategory) {
    std::string cache;
    const fs::path folder = file("cache") / "ardour7" / "vst";
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".v3i") cache += slurp(entry.path());
    ASSERT_FALSE(cache.empty()) << "no VST 3 cache in " << folder;
    static const std::regex kInfo(R"(<VST3Info ([^>]*)>)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(cache, m, kInfo)) << cache;
    const std::string info = m[1];
    for (const char* attribute :
         {R"(uid="5653543436377674616C6B666F726765")", R"(name="Talkforge")", R"(vendor="Harrowgate Sounds")",
          R"(category="Fx|Vocals")", R"(n_inputs="2")", R"(n_outputs="2")", R"(n_aux_inputs="2")",
          R"(n_aux_outputs="0")", R"(n_midi_inputs="1")", R"(n_midi_outputs="0")"})
        EXPECT_NE(info.find(attribute), std::string::npos) << attribute << " in " << info;
}

}  // namespace
