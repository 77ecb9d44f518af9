// The bundle through the LV2 tools: lv2_validate (with sord_validate) finds
// no error, lv2info shows the ports, the latency and the presets, lv2file
// (at block 512 and an odd block) and lv2apply (a frame at a time) render
// what `talkforge render` renders through the VST 2 module, sample for
// sample, and lv2bench runs the plug-in at four block sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/lv2/ports.h"
#include "resources/presets.h"
#include "tests/process.h"
#include "tests/soundfile.h"

namespace fs = std::filesystem;
using testprocess::Outcome;

namespace {

constexpr auto kTimeout = std::chrono::seconds(120);
constexpr float kAudiblePeak = 0.01f;  // a render quieter than this proves nothing by matching

struct RenderCase {
    std::string name;
    int rate;
    bool externalCarrier;
    std::vector<std::string> settings;  // `talkforge render` options
};

const RenderCase kCases[] = {
    {"drone", 44100, false, {"--chord", "C3,E3,G3,C4", "--set", "Synth vol=0.25", "--set", "Formant=0.6"}},
    {"carrier", 48000, true, {"--set", "Formant=0.4", "--set", "Out.level=0.6"}},
    // Freeze set from the first frame holds the silent envelopes of the start
    // (the render is silent); Flat, the other envelope switch, sounds.
    {"formant-flat", 48000, false,
     {"--chord", "C2,G2", "--set", "Formant=0.3", "--set", "Flat=1", "--set", "Waveform=0.6666667", "--set",
      "Octave=0"}},
};

// A port value as a text that reads back as the same float.
std::string text(float v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.9g", double(v));
    return t;
}

class Lv2Tools : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
    }
    void SetUp() override { ASSERT_TRUE(setupError.empty()) << setupError; }

    static fs::path file(const std::string& name) { return dir / name; }
    static Outcome run(const std::vector<std::string>& args, const std::string& log);
    static std::map<std::string, float> portValues(const RenderCase& c);
    static void expectSameRender(const testsound::Sound& lv2, const testsound::Sound& vst2, const std::string& what);

    static inline fs::path dir;
    static inline std::string setupError;
    static inline std::vector<std::string> environment;
};

Outcome Lv2Tools::run(const std::vector<std::string>& args, const std::string& log) {
    std::vector<std::string> env = environment;
    // The tools that load the module get the sanitizer's runtime first, in the sanitizer build.
    const char* preload = std::getenv("TF_LV2_TOOL_PRELOAD");
    if (preload && *preload && (args[0] == "lv2file" || args[0] == "lv2apply" || args[0] == "lv2bench"))
        env.push_back(std::string("LD_PRELOAD=") + preload);
    return testprocess::runProgram(args, env, file(log + ".log"), kTimeout);
}

void Lv2Tools::SetUpTestSuite() {
    try {
        std::string pattern = (fs::temp_directory_path() / "talkforge-lv2-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
        dir = pattern;
        // The hosts find the bundle, and LV2's own vocabulary bundles, through LV2_PATH.
        fs::create_directories(file("lv2"));
        fs::create_directory_symlink(TALKFORGE_LV2_BUNDLE, file("lv2") / "talkforge.lv2");
        environment = {"LV2_PATH=" + file("lv2").string() + ":/usr/lib/lv2"};
        for (const RenderCase& c : kCases) {
            const Outcome s = run({"sox", DEMO_VOICE, "-r", std::to_string(c.rate), "-c", "1", "-e", "floating-point",
                                   file(c.name + "-voice.wav").string()},
                                  "sox");
            if (s.status != 0) throw std::runtime_error("sox failed: " + s.output);
        }
    } catch (const std::exception& e) {
        setupError = e.what();
    }
}

// The LV2 port values for a case's settings: what `talkforge params` lists
// for them, where it differs from the defaults, as port values.
std::map<std::string, float> Lv2Tools::portValues(const RenderCase& c) {
    const auto listing = [&](const std::vector<std::string>& settings) {
        std::vector<std::string> args = {TALKFORGE_TOOL, "params"};
        args.insert(args.end(), settings.begin(), settings.end());
        const Outcome r = run(args, "params");
        if (r.status != 0) throw std::runtime_error("talkforge params failed: " + r.output);
        static const std::regex kRow(R"(^\s*(\d+)\s.*?\s(-?\d\.\d{6})\s)");
        std::map<int, std::string> values;
        std::stringstream lines(r.output);
        std::string line;
        std::smatch m;
        while (std::getline(lines, line))
            if (std::regex_search(line, m, kRow)) values[std::stoi(m[1])] = m[2];
        return values;
    };
    std::vector<std::string> settings = c.settings;
    if (c.externalCarrier) settings.insert(settings.end(), {"--set", "Source=1"});
    const std::map<int, std::string> before = listing({}), after = listing(settings);
    std::map<std::string, float> ports;
    for (const auto& [index, text] : after)
        if (before.at(index) != text)
            ports[kParameters[std::size_t(index)].symbol] = tf::lv2::portValueOf(index, std::stof(text));
    return ports;
}

// The LV2 render has the input's length; the renderer's runs on by the latency.
void Lv2Tools::expectSameRender(const testsound::Sound& lv2, const testsound::Sound& vst2, const std::string& what) {
    ASSERT_EQ(lv2.channels, 2) << what;
    ASSERT_EQ(lv2.rate, vst2.rate) << what;
    ASSERT_GE(vst2.frames(), lv2.frames()) << what;
    float peak = 0.0f;
    for (int ch = 0; ch < 2; ++ch) {
        for (std::size_t i = 0; i < lv2.frames(); ++i) {
            peak = std::max(peak, std::fabs(lv2.at(i, ch)));
            if (lv2.at(i, ch) != vst2.at(i, ch)) {
                ADD_FAILURE() << what << ": channel " << ch + 1 << " differs first at frame " << i << ": "
                              << lv2.at(i, ch) << " against " << vst2.at(i, ch);
                break;
            }
        }
    }
    EXPECT_GT(peak, kAudiblePeak) << what << " is silent";
}

TEST_F(Lv2Tools, ValidatesWithoutError) {
    const Outcome r = run({"lv2_validate", TALKFORGE_LV2_BUNDLE "/manifest.ttl", TALKFORGE_LV2_BUNDLE "/talkforge.ttl",
                           TALKFORGE_LV2_BUNDLE "/presets.ttl"},
                          "validate");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Found 0 errors"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("error:"), std::string::npos) << r.output;
}

TEST_F(Lv2Tools, Lv2infoShowsThePortsTheLatencyAndThePresets) {
    const Outcome r = run({"lv2info", tf::lv2::kPluginUri}, "lv2info");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Has latency:       yes, reported by port " + std::to_string(tf::lv2::kLatencyPort)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Presets:"), std::string::npos);
    for (const tf::presets::Preset& p : tf::presets::presets())
        EXPECT_NE(r.output.find(" " + std::string(p.name) + "\n"), std::string::npos) << p.name;
    EXPECT_NE(r.output.find(tf::lv2::kUiUri), std::string::npos);
    for (const ParameterInfo& p : kParameters)
        EXPECT_NE(r.output.find(std::string("Symbol:      ") + p.symbol + "\n"), std::string::npos) << p.symbol;
    for (const tf::lv2::FixedPort& f : tf::lv2::kFixedPorts)
        EXPECT_NE(r.output.find(std::string("Symbol:      ") + f.symbol + "\n"), std::string::npos) << f.symbol;
}

TEST_F(Lv2Tools, Lv2fileAndLv2applyRenderWhatTheVst2ModuleRenders) {
    for (const RenderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const testsound::Sound voice = testsound::readSound(file(c.name + "-voice.wav"));
        std::vector<float> carrier(voice.frames(), 0.0f);
        if (c.externalCarrier)
            for (std::size_t i = 0; i < carrier.size(); ++i)
                carrier[i] = float(0.25 * (2.0 - 2.0 * std::fmod(110.0 * double(i) / c.rate, 1.0) -
                                           2.0 * std::fmod(165.0 * double(i) / c.rate, 1.0)));
        testsound::writeSound(file(c.name + "-carrier.wav"), c.rate, 1, carrier);
        std::vector<float> both(2 * voice.frames());
        for (std::size_t i = 0; i < voice.frames(); ++i) both[2 * i] = voice.samples[i], both[2 * i + 1] = carrier[i];
        testsound::writeSound(file(c.name + "-in.wav"), c.rate, 2, both);

        std::vector<std::string> render = {TALKFORGE_TOOL, "render", file(c.name + "-voice.wav").string()};
        if (c.externalCarrier) render.insert(render.end(), {"--carrier", file(c.name + "-carrier.wav").string()});
        render.insert(render.end(), c.settings.begin(), c.settings.end());
        render.insert(render.end(), {"--float", "--quiet", "-o", file(c.name + "-vst2.wav").string()});
        const Outcome v = run(render, "render");
        ASSERT_EQ(v.status, 0) << v.output;
        const testsound::Sound vst2 = testsound::readSound(file(c.name + "-vst2.wav"));

        const std::map<std::string, float> ports = portValues(c);
        for (int block : {512, 441}) {
            std::vector<std::string> args = {"lv2file", "-i", file(c.name + "-in.wav").string(), "-o",
                                             file(c.name + "-lv2file.wav").string(), "-b", std::to_string(block)};
            for (const auto& [symbol, value] : ports) args.insert(args.end(), {"-p", symbol + ":" + text(value)});
            args.push_back(tf::lv2::kPluginUri);
            const Outcome r = run(args, "lv2file");
            ASSERT_EQ(r.status, 0) << r.output;
            expectSameRender(testsound::readSound(file(c.name + "-lv2file.wav")), vst2,
                             "lv2file at block " + std::to_string(block));
        }
        std::vector<std::string> args = {"lv2apply", "-i", file(c.name + "-in.wav").string(), "-o",
                                         file(c.name + "-lv2apply.wav").string()};
        for (const auto& [symbol, value] : ports) args.insert(args.end(), {"-c", symbol, text(value)});
        args.push_back(tf::lv2::kPluginUri);
        const Outcome r = run(args, "lv2apply");
        ASSERT_EQ(r.status, 0) << r.output;
        expectSameRender(testsound::readSound(file(c.name + "-lv2apply.wav")), vst2, "lv2apply");
    }
}

// Every preset of the library that plays without MIDI, loaded by lv2file,
// sounds as the renderer makes it sound through the VST 2 module.
TEST_F(Lv2Tools, PresetsSoundAsTheRendererPlaysThem) {
    const testsound::Sound voice = testsound::readSound(file("carrier-voice.wav"));
    std::vector<float> carrier(voice.frames()), both(2 * voice.frames());
    for (std::size_t i = 0; i < carrier.size(); ++i) {
        carrier[i] = float(0.2 * (1.0 - 2.0 * std::fmod(98.0 * double(i) / voice.rate, 1.0)));
        both[2 * i] = voice.samples[i];
        both[2 * i + 1] = carrier[i];
    }
    testsound::writeSound(file("preset-carrier.wav"), voice.rate, 1, carrier);
    testsound::writeSound(file("preset-in.wav"), voice.rate, 2, both);
    int played = 0;
    for (const tf::presets::Preset& p : tf::presets::presets()) {
        if (p.values[kPlayback] != 0.0f) continue;  // MIDI presets need notes, which lv2file cannot send
        SCOPED_TRACE(std::string(p.name));
        std::vector<std::string> render = {TALKFORGE_TOOL, "render", file("carrier-voice.wav").string(),
                                           "--preset", std::string(p.name)};
        if (p.values[kSource] != 0.0f) render.insert(render.end(), {"--carrier", file("preset-carrier.wav").string()});
        render.insert(render.end(), {"--float", "--quiet", "-o", file("preset-vst2.wav").string()});
        const Outcome v = run(render, "render");
        ASSERT_EQ(v.status, 0) << v.output;
        const Outcome r = run({"lv2file", "-i", file("preset-in.wav").string(), "-o", file("preset-lv2.wav").string(),
                               "-P", std::string(p.name), tf::lv2::kPluginUri},
                              "lv2file");
        ASSERT_EQ(r.status, 0) << r.output;
        expectSameRender(testsound::readSound(file("preset-lv2.wav")), testsound::readSound(file("preset-vst2.wav")),
                         "the preset " + std::string(p.name));
        ++played;
    }
    EXPECT_GE(played, 10);
}

TEST_F(Lv2Tools, Lv2benchRunsThePluginAtEveryBlockSize) {
    for (int block : {1, 37, 512, 4096}) {
        const Outcome r = run({"lv2bench", "-b", std::to_string(block), "-n", "48000", tf::lv2::kPluginUri}, "lv2bench");
        ASSERT_EQ(r.status, 0) << r.output;
        // One line: the seconds taken, then the plug-in's URI.
        std::smatch m;
        const std::regex line(std::string(R"((^|\n)([0-9.]+) )") + tf::lv2::kPluginUri);
        ASSERT_TRUE(std::regex_search(r.output, m, line)) << "block " << block << ": " << r.output;
        EXPECT_GT(std::stod(m[2]), 0.0) << block;
        std::cout << "lv2bench, block " << block << ": " << m[2] << " s for 48000 frames\n";
    }
}

}  // namespace
