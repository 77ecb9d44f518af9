// Talkforge in a real host. Ardour 7 runs headless (ardour7-lua on its dummy
// audio backend) with the built Talkforge.so, and the built Talkforge.vst3, on
// a stereo track, parameters set through the host, and renders the track; the
// result must equal what `talkforge render` gives for the same input and
// parameters, once the frames Ardour ran the plug-in on before the render
// (and, for the VST 3 bundle, the latency it compensates) are put ahead of
// the renderer's input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

#include "vocoder/talkforge.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kHostProgram = "ardour7-lua";
constexpr double kTolerance = 1e-6;
constexpr double kAudiblePeak = 0.01;  // a render quieter than this proves nothing by matching
constexpr int kHostBlock = 512;  // the period the host runs its engine with, in frames
constexpr double kTailSeconds = 0.5;  // rendered past the file's end: the lookahead and the decay
constexpr auto kHostTimeout = std::chrono::minutes(3);
constexpr auto kToolTimeout = std::chrono::minutes(1);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

// What both programs get: the renderer as options, the host as the parameter
// values `talkforge params` lists for the same options.
struct RenderCase {
    std::string name;
    int rate;
    bool externalCarrier;
    std::vector<std::string> settings;
    bool vst3 = false;  // the bundle, whose external carrier comes in on its side-chain bus
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
const RenderCase* const kCases[] = {&kDrone, &kCarrier, &kVst3Drone, &kVst3Carrier};

// The latency the VST 3 bundle declares at these rates.
constexpr std::size_t kVst3Latency = 508;

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    float at(std::size_t frame, int channel) const {
        return samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    }
};

Sound readSound(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    Sound s{info.samplerate, info.channels, std::vector<float>(static_cast<std::size_t>(info.frames * info.channels))};
    sf_readf_float(file, s.samples.data(), info.frames);
    sf_close(file);
    return s;
}

void writeSound(const fs::path& path, int rate, int channels, const std::vector<float>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
    sf_close(file);
}

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

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Outcome {
    int status = -1;  // exit status, 128 + signal, or -1 when it timed out
    std::string output;  // standard output and error together
};

// Runs a program (found through PATH) with these variables added to the
// environment, its output captured; it is killed once the time is up.
Outcome runProgram(const std::vector<std::string>& args, const std::vector<std::string>& variables,
                   const fs::path& log, std::chrono::seconds timeout) {
    std::vector<std::string> env = variables;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(variables.begin(), variables.end(), [&](const std::string& v) { return v.rfind(key, 0) == 0; }))
            env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return {-1, "cannot start " + args[0] + ": " + std::strerror(rc)};

    Outcome r;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.output = slurp(log) + "\n(killed after " + std::to_string(timeout.count()) + " s)";
            return r;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.output = slurp(log);
    return r;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    return false;
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
    for (const auto& [index, value] : parseParameterList(chosen.output))
        if (before.at(index) != value)
            list += "{" + std::to_string(index) + ", " + (c.vst3 ? vst3Value(index, value) : value) + "}, ";
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
        << ",\n  scratch = " << luaString(dir.string())
        << ",\n  block = " << kHostBlock
        << ",\n  renders = {\n";
    for (const RenderCase* c : kCases) {
        prepareInputs(*c);
        job << "    { name = " << luaString(c->name) << ", rate = " << c->rate
            << ", input = " << luaString(file(c->name + "-track.wav").string()) << ", input_frames = " << voice.size()
            << ", frames = " << voice.size() + tailFrames(*c) << ", params = " << hostParameters(*c)
            << (c->vst3 ? ", format = \"VST3\"" : "") << (c->vst3 && c->externalCarrier ? ", sidechain = true" : "")
            << " },\n";
    }
    job << "  },\n}\n";
    job.close();

    const auto started = std::chrono::steady_clock::now();
    const Outcome r = runProgram({kHostProgram, fs::path(ARDOUR_SCRIPTS) / "session.lua", file("job.lua")},
                                 {"HOME=" + dir.string(), "XDG_CONFIG_HOME=" + config.string(),
                                  "XDG_CACHE_HOME=" + file("cache").string()},
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
    // The VST 2 module declares no latency; the bundle declares the vocoder's,
    // which the host compensates: its bounce starts that much later in the
    // plug-in's output.
    EXPECT_EQ(h.latency, c.vst3 ? kVst3Latency : 0u) << c.name;
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
