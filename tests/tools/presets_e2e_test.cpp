// Presets through the renderer: --preset from the library, a program file or a
// bank, talkforge presets, params --save and bad files; and every preset of
// the library rendered with the demo phrase and with a sung line, measured
// (level, peak, DC, long-term spectrum) and compared with every other.
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "resources/presets.h"
#include "tests/tools/e2e.h"
#include "tools/fxp.h"
#include "vocoder/talkforge.h"

namespace {

using tf::presets::Preset;

// --- Presets on the command line ----------------------------------------------------

const fs::path kPresetDir = TALKFORGE_PRESET_DIR;
const std::string kBank = (kPresetDir / "Talkforge Library.fxb").string();

const Preset& preset(std::string_view name) {
    const Preset* p = tf::presets::findPreset(name);
    if (!p) throw std::invalid_argument(std::string(name));
    return *p;
}

// The values `talkforge params` lists, by index.
std::vector<float> listedValues(const std::string& table) {
    std::vector<float> values;
    std::istringstream lines(table);
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            if (word.size() == 8 && word[1] == '.') {  // 0.500000
                values.push_back(std::stof(word));
                break;
            }
    }
    return values;
}

void expectValues(const std::vector<float>& listed, const std::array<float, kNumParams>& values, const std::string& what) {
    ASSERT_EQ(listed.size(), values.size()) << what;
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(listed[i], values[i], 1e-6) << what << ": parameter " << i;
}

TEST_F(Talkforge, PresetsListsTheLibraryWithWhatEachIsFor) {
    const Outcome r = run({"presets"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    for (const Preset& p : tf::presets::presets()) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind(std::string(p.name), 0), 0u) << line;
        EXPECT_NE(line.find(std::string(p.description)), std::string::npos) << line;
        EXPECT_LE(line.size(), 80u) << line;
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
}

TEST_F(Talkforge, PresetComesFromTheLibraryAProgramFileOrABankProgram) {
    const Preset& whisper = preset("Whisper");
    const std::vector<std::pair<std::string, const Preset*>> sources = {
        {"wHiSpEr", &whisper},
        {(kPresetDir / "Whisper.fxp").string(), &whisper},
        {kBank + ":whisper", &whisper},  // by name, any case
        {kBank + ":12", &tf::presets::presets()[11]},  // by number
        {kBank, &tf::presets::presets()[0]},  // the bank's current program
    };
    for (const auto& [source, expected] : sources) {
        const Outcome r = run({"params", "--preset", source});
        ASSERT_EQ(r.status, 0) << source << ": " << r.err;
        expectValues(listedValues(r.out), expected->values, source);
    }
    // params shows the preset's carrier switches: it has no inputs to decide them.
    const Outcome input2 = run({"params", "--preset", "Synth on Input 2"});
    EXPECT_EQ(listedValues(input2.out)[kSource], 1.0f);
}

TEST_F(Talkforge, ChordAndSetApplyAfterThePreset) {
    std::array<float, kNumParams> expected = preset("Robot Chord").values;
    expected[kFormant] = 1.0f;
    expected[kO1Freq] = 0.0f;  // C2, the keyboard's first key, alone at full level
    expected[kO1Level] = 1.0f;
    for (int osc = 1; osc < kNumOscillators; ++osc) expected[static_cast<std::size_t>(kOscLevelParams[std::size_t(osc)])] = 0.0f;
    const Outcome r = run({"params", "--set", "Formant=1", "--chord", "C2", "--preset", "robot chord"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectValues(listedValues(r.out), expected, "preset, chord and setting");
}

// A render's inputs choose the carrier and the playback mode over the preset's.
TEST_F(Talkforge, RenderInputsChooseTheCarrierOverThePreset) {
    const std::string v = voice(1.0);
    auto rendered = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", v, "--preset", "Synth on Input 2", "--float", "-o", file("out.wav").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return readAudio(file("out.wav"));
    };
    const Audio plain = rendered({});
    EXPECT_GT(rmsOf(plain), 0.03) << "the preset's drone plays";
    EXPECT_EQ(plain.data, rendered({"--set", "Source=0"}).data);
    EXPECT_NE(plain.data, rendered({"--set", "Source=1"}).data);
}

TEST_F(Talkforge, ParamsSaveWritesTheSettingsAsAProgramFile) {
    const std::string saved = file("My Phone.fxp").string();
    Outcome r = run({"params", "--preset", "Telephone", "--set", "Formant=0.6", "--save", saved});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("wrote " + saved + ": program 'My Phone'"), std::string::npos) << r.out;
    const std::string bytes = slurp(saved);
    const tf::fxp::PresetFile file = tf::fxp::read(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_EQ(file.programs.size(), 1u);
    EXPECT_EQ(file.programs[0].name, "My Phone");
    std::array<float, kNumParams> expected = preset("Telephone").values;
    expected[kFormant] = 0.6f;
    EXPECT_EQ(file.programs[0].values, expected);

    r = run({"params", "--preset", saved});
    ASSERT_EQ(r.status, 0) << r.err;
    expectValues(listedValues(r.out), expected, "the saved file");
    EXPECT_EQ(listing(), std::vector<std::string>{"My Phone.fxp"});
}

TEST_F(Talkforge, BadPresetsAreRefusedAndNothingIsWritten) {
    const std::string v = voice(0.5);
    const std::string good = slurp(kPresetDir / "Robot Chord.fxp");
    auto variant = [&](const std::string& name, std::size_t at, const std::string& bytes, std::size_t size = 360) {
        std::string b = good;
        b.replace(at, bytes.size(), bytes);
        b.resize(size);
        writeBytes(file(name), std::vector<std::uint8_t>(b.begin(), b.end()));
    };
    variant("short.fxp", 0, "", 200);
    variant("riff.fxp", 0, "RIFF");
    variant("riff.fxb", 0, "RIFF");
    variant("program.fxb", 0, "");
    variant("chunk.fxp", 8, "FPCh");
    variant("other.fxp", 16, "AbCd");
    variant("count.fxp", 24, std::string("\0\0\0\x4b", 4));
    variant("nan.fxp", 56 + 4 * 3, std::string("\x7f\xc0\0\0", 4));
    variant("loud.fxp", 56 + 4 * 2, std::string("\x3f\xc0\0\0", 4));  // 1.5
    fs::create_directory(file("folder.fxp"));
    const std::vector<BadCase> cases = {
        {"truncated", {"$D/short.fxp"}, "truncated: the file ends after 200 bytes"},
        {"wrong magic", {"$D/riff.fxp"}, "it begins with 'RIFF', not 'CcnK' (byte 0)"},
        {"chunk", {"$D/chunk.fxp"}, "opaque chunk ('FPCh')"},
        {"another plug-in", {"$D/other.fxp"}, "its ID is 'AbCd', Talkforge's is '467v' (byte 16)"},
        {"75 values", {"$D/count.fxp"}, "holds 75 parameter values; Talkforge has 76 (byte 24)"},
        {"not a number", {"$D/nan.fxp"}, "parameter 3 (Formant) is nan, not a number (byte 68)"},
        {"out of range", {"$D/loud.fxp"}, "parameter 2 (Out.level) is 1.5, outside 0 to 1 (byte 64)"},
        {"a directory", {"$D/folder.fxp"}, "is a directory"},
        {"missing file", {"$D/none.fxp"}, "preset file '$D/none.fxp': No such file"},
        {"unknown name", {"Robo Chord"}, "did you mean 'Robot Chord'?"},
        {"a bank that is none", {"$D/riff.fxb:Robot Chord"}, "preset bank '$D/riff.fxb': the file is not a VST 2 preset"},
        {"a program as a bank", {"$D/program.fxb:Robot Chord"}, "holds one program, not a bank"},
        {"no such program", {kBank + ":Nothing"}, "holds no program named 'Nothing' (its programs: 'Robot Chord', "},
        {"program number 17", {kBank + ":17"}, "holds no program named '17'"},
    };
    const std::string out = file("out.wav").string();
    writeBytes(out, {'k', 'e', 'e', 'p'});
    const auto before = listing();
    for (const BadCase& c : cases) {
        std::string presetArg = c.args[0], message = c.message;
        for (std::string* text : {&presetArg, &message})
            if (const auto at = text->find("$D"); at != std::string::npos) text->replace(at, 2, dir.string());
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"render", v, "--preset", presetArg, "-o", out},
              std::vector<std::string>{"params", "--preset", presetArg, "--save", file("saved.fxp").string()}}) {
            const Outcome r = run(args);
            EXPECT_NE(r.status, 0) << c.what;
            EXPECT_NE(r.err.find(message), std::string::npos) << c.what << ": " << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
            EXPECT_EQ(slurp(out), "keep") << c.what;
            EXPECT_EQ(listing(), before) << c.what;
        }
    }
    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"params", "--save", file("x.fxb").string()}, "a program file's name ends in .fxp"},
             {{"params", "--preset", "Helium", "--preset", "Monster"}, "--preset given twice"},
             {{"render", v, "--save", file("x.fxp").string(), "-o", out}, "does not apply to 'render'"},
         }) {
        const Outcome r = run(args);
        EXPECT_NE(r.status, 0) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(listing(), before) << message;
    }
}

// --- Measurements --------------------------------------------------------------------

// Long-term spectra in third-octave bands from 100 Hz to 8 kHz.
constexpr int kSpectrumBands = 20;
constexpr double kLowestBandHz = 100.0;
constexpr std::size_t kFftSize = 4096;
using Spectrum = std::array<double, kSpectrumBands>;

void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k, w *= step) {
                const auto u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

// The level of each band in dB, from the power spectrum averaged over
// half-overlapping Hann windows.
Spectrum longTermSpectrum(const Audio& a) {
    std::vector<double> power(kFftSize / 2 + 1, 0.0);
    std::vector<std::complex<double>> frame(kFftSize);
    for (std::size_t start = 0; start + kFftSize <= a.frames(); start += kFftSize / 2) {
        for (std::size_t i = 0; i < kFftSize; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / kFftSize);
            frame[i] = hann * a.at(start + i);
        }
        fft(frame);
        for (std::size_t k = 0; k < power.size(); ++k) power[k] += std::norm(frame[k]);
    }
    Spectrum bands{};
    const double binHz = static_cast<double>(a.rate) / kFftSize;
    for (int b = 0; b < kSpectrumBands; ++b) {
        const double centre = kLowestBandHz * std::pow(2.0, b / 3.0);
        const double lo = centre * std::pow(2.0, -1.0 / 6.0), hi = centre * std::pow(2.0, 1.0 / 6.0);
        double sum = 1e-30;
        for (std::size_t k = 0; k < power.size(); ++k) {
            const double hz = static_cast<double>(k) * binHz;
            if (hz >= lo && hz < hi) sum += power[k];
        }
        bands[static_cast<std::size_t>(b)] = 10.0 * std::log10(sum);
    }
    return bands;
}

struct Measurement {
    double peakDb = 0.0;
    double rmsDb = 0.0;
    double dcDb = 0.0;  // the mean, in dB below full scale
    Spectrum spectrum{};
};

double toDb(double level) { return 20.0 * std::log10(std::max(level, 1e-12)); }

Measurement measure(const Audio& a) {
    Measurement m;
    double sum = 0.0;
    for (std::size_t f = 0; f < a.frames(); ++f) sum += a.at(f);
    m.peakDb = toDb(peakOf(a));
    m.rmsDb = toDb(rmsOf(a));
    m.dcDb = toDb(std::fabs(sum) / static_cast<double>(std::max<std::size_t>(a.frames(), 1)));
    m.spectrum = longTermSpectrum(a);
    return m;
}

// How different two sounds are, whatever their levels: the RMS difference in
// dB between their long-term spectra, each taken relative to its own mean.
double spectralDistance(const Spectrum& a, const Spectrum& b) {
    double meanA = 0.0, meanB = 0.0;
    for (int i = 0; i < kSpectrumBands; ++i) meanA += a[std::size_t(i)], meanB += b[std::size_t(i)];
    meanA /= kSpectrumBands, meanB /= kSpectrumBands;
    double sum = 0.0;
    for (int i = 0; i < kSpectrumBands; ++i) {
        const double d = (a[std::size_t(i)] - meanA) - (b[std::size_t(i)] - meanB);
        sum += d * d;
    }
    return std::sqrt(sum / kSpectrumBands);
}

// --- Rendering the presets -----------------------------------------------------------

bool usesPedal(const Preset& p) {
    const ParameterInfo& freezeKey = kParameters[kFreezeKey];
    const float pedal = stepValue(freezeKey, kKeyMidi64);
    return p.values[kFreezeKey] == pedal || p.values[kFlatKey] == pedal;
}

// The inputs the presets are designed with (scripts/preset-inputs), made once.
class PresetSound : public Talkforge {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "talkforge-preset-inputs-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        inputs = pattern;
        const std::string command = std::string(TALKFORGE_SOURCE_DIR "/scripts/preset-inputs '") + inputs.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { fs::remove_all(inputs); }

    // Renders a preset as a user would try it: with the synth on input 2 when
    // it takes its carrier there, with the melody (and its sustain pedal) when
    // it plays from MIDI or listens to the pedal. As long as the voice.
    Audio render(const Preset& preset, const std::string& voicePath, const std::string& out) {
        const Audio voiceAudio = readAudio(voicePath);
        char length[32];
        std::snprintf(length, sizeof length, "%.6f",
                      static_cast<double>(voiceAudio.frames()) / static_cast<double>(voiceAudio.rate));
        std::vector<std::string> args = {"render", voicePath, "--preset", std::string(preset.name), "--length",
                                         length, "--float", "--quiet", "-o", out};
        if (preset.values[kSource] == 1.0f) args.insert(args.end(), {"--carrier", (inputs / "carrier.wav").string()});
        if (preset.values[kPlayback] == 1.0f || usesPedal(preset)) {
            args.insert(args.end(), {"--midi", (inputs / "melody.mid").string()});
            if (preset.values[kPlayback] != 1.0f) args.insert(args.end(), {"--set", "Playback=0"});
        }
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << preset.name << ": " << r.err;
        return readAudio(out);
    }

    static fs::path inputs;
};

fs::path PresetSound::inputs;

// Each preset with the demo phrase and the sung line: not silent, peaks below
// -0.5 dBFS, no DC, and its long-term spectrum at least kMinDistance dB from
// every other preset's. TALKFORGE_PRESET_RENDERS=DIR keeps the demo renders
// there (scripts/preset-pictures draws them).
TEST_F(PresetSound, EveryPresetSoundsCleanAndUnlikeAnyOther) {
    constexpr double kMaxPeakDb = -0.5;
    constexpr double kMinRmsDb = -30.0;
    constexpr double kMaxDcDb = -60.0;
    constexpr double kMinDistanceDb = 4.0;
    const char* keep = std::getenv("TALKFORGE_PRESET_RENDERS");
    const std::map<std::string, std::string> voices = {{"demo", TALKFORGE_DEMO_VOICE},
                                                       {"sung", (inputs / "sung.wav").string()}};
    for (const auto& [voiceName, voicePath] : voices) {
        std::vector<Measurement> results;
        for (const Preset& preset : tf::presets::presets()) {
            const std::string out = file(std::string(preset.name) + ".wav").string();
            const Measurement m = measure(render(preset, voicePath, out));
            std::printf("%-5s %-22s peak %6.1f dBFS  RMS %6.1f dBFS  DC %6.1f dBFS\n", voiceName.c_str(),
                        std::string(preset.name).c_str(), m.peakDb, m.rmsDb, m.dcDb);
            EXPECT_LE(m.peakDb, kMaxPeakDb) << preset.name << " with the " << voiceName << " voice";
            EXPECT_GE(m.rmsDb, kMinRmsDb) << preset.name << " with the " << voiceName << " voice";
            EXPECT_LE(m.dcDb, kMaxDcDb) << preset.name << " with the " << voiceName << " voice";
            results.push_back(m);
            if (keep && voiceName == "demo") fs::copy_file(out, fs::path(keep) / fs::path(out).filename(),
                                                           fs::copy_options::overwrite_existing);
            fs::remove(out);
        }
        const auto library = tf::presets::presets();
        double closest = 1e9;
        for (std::size_t i = 0; i < results.size(); ++i)
            for (std::size_t j = i + 1; j < results.size(); ++j) {
                const double d = spectralDistance(results[i].spectrum, results[j].spectrum);
                closest = std::min(closest, d);
                EXPECT_GE(d, kMinDistanceDb) << library[i].name << " and " << library[j].name << " with the "
                                             << voiceName << " voice";
                if (d < kMinDistanceDb + 1.5)
                    std::printf("%-5s close: %s / %s %.2f dB\n", voiceName.c_str(), std::string(library[i].name).c_str(),
                                std::string(library[j].name).c_str(), d);
            }
        std::printf("%-5s closest pair %.2f dB apart\n", voiceName.c_str(), closest);
    }
}

}  // namespace
