// Writes what a host gets from the plug-in (long renders as raw 32-bit
// floats, every parameter's display text over a fine grid of values) so that
// the Linux and the Windows builds can be compared byte for byte:
//   tf_crosscheck write FOLDER [PLUGIN]    (the build's plug-in, or PLUGIN)
//   tf_crosscheck compare FOLDER_A FOLDER_B
// The input signals are made with additions, multiplications and a fixed
// random sequence only, so both builds feed the plug-in the very same
// samples without depending on their math libraries.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/testhost.h"
#include "vocoder/parameters.h"

namespace {

// ---- Signals -------------------------------------------------------------

// A fixed pseudo-random sequence (a 32-bit linear congruential generator).
class Noise {
public:
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;  // -1 .. 1
    }

private:
    std::uint32_t state = 12345u;
};

// A sawtooth from a phase accumulator: exact arithmetic, no table.
class Saw {
public:
    float next(double freq, double rate) {
        phase += freq / rate;
        phase -= std::floor(phase);
        return static_cast<float>(2.0 * phase - 1.0);
    }

private:
    double phase = 0.0;
};

// A two-pole resonator with its coefficients given for a 48 kHz grid; the
// formants of the test voice need not sit on exact frequencies.
class Resonator {
public:
    Resonator(double a1, double a2, double gain) : a1_(a1), a2_(a2), gain_(gain) {}
    double next(double x) {
        const double y = gain_ * x + a1_ * y1_ - a2_ * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double a1_, a2_, gain_;
    double y1_ = 0.0, y2_ = 0.0;
};

// Something like speech: a glottal buzz whose pitch glides, through two
// formant resonators that move with the syllable, with noise bursts between
// syllables and a gate that opens and closes in syllables.
std::vector<float> voice(std::size_t n, double rate) {
    std::vector<float> out(n);
    Saw glottis;
    Noise noise;
    Resonator f1(1.9836, 0.9950, 0.02), f2(1.8460, 0.9900, 0.03), f3(1.5021, 0.9850, 0.04);
    const auto syllable = static_cast<std::size_t>(rate / 4.0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t s = i / syllable, at = i % syllable;
        const double t = static_cast<double>(at) / static_cast<double>(syllable);
        const double pitch = 110.0 + 40.0 * static_cast<double>(s % 5) + 30.0 * t;
        const double buzz = glottis.next(pitch, rate);
        const double voiced = f1.next(buzz) + (s % 2 ? f2.next(buzz) : f3.next(buzz));
        const double gate = t < 0.1 ? t * 10.0 : t > 0.8 ? (1.0 - t) * 5.0 : 1.0;
        double sample = (s % 7 == 6) ? 0.3 * noise.next() * gate : voiced * gate;
        if (s % 11 == 10) sample = 0.0;  // a pause
        out[i] = static_cast<float>(sample);
    }
    return out;
}

// A bright carrier: two detuned sawtooths and a little noise.
std::vector<float> carrier(std::size_t n, double rate) {
    std::vector<float> out(n);
    Saw a, b;
    Noise noise;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = 0.4f * a.next(98.0, rate) + 0.3f * b.next(147.3, rate) + 0.02f * noise.next();
    return out;
}

// ---- Renders -------------------------------------------------------------

struct Scenario {
    const char* name;
    float rate;
    double seconds;
    std::size_t block;
    // Parameters and MIDI before the first block.
    std::function<void(TestHost&)> setUp;
    // Called before each block with the block's first frame.
    std::function<void(TestHost&, std::size_t frame, std::size_t blockFrames)> beforeBlock;
};

void drone(TestHost& host) {
    for (int k = 0; k < 3; ++k) host.setParameter(kOscLevelParams[static_cast<std::size_t>(k)], 0.7f);
    host.setParameter(kO2Offset, 0.28f);
    host.setParameter(kO3Offset, 0.48f);
}

std::vector<Scenario> scenarios() {
    std::vector<Scenario> list;
    list.push_back({"drone-44100", 44100.0f, 20.0, 512,
                    [](TestHost& h) {
                        drone(h);
                        h.setParameter(kSynthVol, 0.2f);
                    },
                    [](TestHost& h, std::size_t frame, std::size_t) {
                        // The formant and a band level move once a second.
                        const auto second = static_cast<float>(frame / 44100);
                        h.setParameter(kFormant, std::fmod(0.1f + 0.07f * second, 1.0f));
                        h.setParameter(kBand1 + static_cast<int>(second) % kNumBands, 0.2f);
                    }});
    list.push_back({"external-48000", 48000.0f, 20.0, 333,
                    [](TestHost& h) {
                        h.setParameter(kSource, 1.0f);
                        h.setParameter(kCarLevel, 0.6f);
                    },
                    [](TestHost& h, std::size_t frame, std::size_t) {
                        const double t = static_cast<double>(frame) / 48000.0;
                        h.setParameter(kFreeze, t >= 5.0 && t < 7.0 ? 1.0f : 0.0f);
                        h.setParameter(kFlat, t >= 12.0 && t < 14.0 ? 1.0f : 0.0f);
                        h.setParameter(kFormant, t < 10.0 ? 0.2f : 0.85f);
                    }});
    list.push_back({"playback-96000", 96000.0f, 20.0, 256,
                    [](TestHost& h) {
                        h.setParameter(kPlayback, 1.0f);
                        h.setParameter(kWaveform, 2.0f / 3.0f);
                        h.setParameter(kSynthVol, 0.1f);
                    },
                    [](TestHost& h, std::size_t frame, std::size_t blockFrames) {
                        // A chord every half second, bends and the wheel in between.
                        const std::size_t period = 48000;
                        const std::size_t at = frame % period;
                        if (at < blockFrames) {
                            const int root = 40 + static_cast<int>((frame / period) % 12);
                            const int offset = static_cast<int>(period - at) % static_cast<int>(blockFrames);
                            std::vector<TestHost::Midi> midi;
                            for (int k = 0; k < 6; ++k) midi.push_back({0x80, root - 1 + 2 * k, 0, 0});
                            for (int k = 0; k < 6; ++k) midi.push_back({0x90, root + 3 * k, 60 + 10 * k, offset});
                            h.sendMidi(midi);
                        } else if (at % 8192 < blockFrames) {
                            const int bend = static_cast<int>((frame / 8192) * 977 % 16384);
                            h.sendMidi({{0xE0, bend & 0x7f, bend >> 7, 3},
                                        {0xB0, 1, static_cast<int>((frame / 8192) * 13 % 128), 5}});
                        }
                    }});
    list.push_back({"pulse-tune-44100", 44100.0f, 20.0, 1024,
                    [](TestHost& h) {
                        drone(h);
                        h.setParameter(kWaveform, 1.0f);
                        h.setParameter(kTune, 0.71f);
                        h.setParameter(kOctave, 1.0f);
                        Noise levels;
                        for (int b = 0; b < kNumBands; ++b) h.setParameter(kBand1 + b, 0.5f + 0.5f * levels.next());
                    },
                    [](TestHost& h, std::size_t frame, std::size_t) {
                        const auto step = static_cast<int>(frame / 88200);
                        h.setParameter(kOctave, static_cast<float>(step % 3) * 0.5f);
                        h.setParameter(kO1Freq, static_cast<float>(step % 25) / 24.0f);
                    }});
    return list;
}

// Renders one scenario; output 1 (output 2 must equal it).
bool render(const Scenario& s, std::vector<float>& out) {
    const auto n = static_cast<std::size_t>(s.seconds * s.rate);
    const auto mod = voice(n, s.rate);
    const auto car = carrier(n, s.rate);
    TestHost host;
    if (!host.effect) return false;
    host.setSampleRate(s.rate);
    host.dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(s.block));
    host.dispatch(effMainsChanged, 0, 1);
    s.setUp(host);
    out.assign(n, 0.0f);
    std::vector<float> in1(s.block), in2(s.block), out1(s.block), out2(s.block);
    for (std::size_t at = 0; at < n; at += s.block) {
        const std::size_t frames = std::min(s.block, n - at);
        s.beforeBlock(host, at, frames);
        std::copy_n(mod.begin() + static_cast<std::ptrdiff_t>(at), frames, in1.begin());
        std::copy_n(car.begin() + static_cast<std::ptrdiff_t>(at), frames, in2.begin());
        float* in[2] = {in1.data(), in2.data()};
        float* outs[2] = {out1.data(), out2.data()};
        host.effect->processReplacing(host.effect, in, outs, static_cast<VstInt32>(frames));
        if (!std::equal(out1.begin(), out1.begin() + static_cast<std::ptrdiff_t>(frames), out2.begin())) {
            std::fprintf(stderr, "%s: the outputs differ in the block at %zu\n", s.name, at);
            return false;
        }
        std::copy_n(out1.begin(), frames, out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return true;
}

// ---- Texts ---------------------------------------------------------------

constexpr int kGridSteps = 20000;

// Every parameter's name, label and display text at values k / kGridSteps,
// shifted by a fraction of a step that differs per parameter (so the level
// parameters, which share one conversion, see different values), plus values
// a host may send outside 0..1; then the names of the programs.
std::vector<std::string> texts() {
    std::vector<std::string> lines;
    TestHost host;
    if (!host.effect) return lines;
    const float outside[] = {-1.0f, -0.25f, 1.0000001f, 1.5f, 2.0f, 1e9f, -1e9f, INFINITY, -INFINITY, NAN};
    for (int p = 0; p < kNumParams; ++p) {
        lines.push_back(std::to_string(p) + " name " + host.paramName(p) + " label " + host.paramLabel(p));
        auto show = [&](float v) {
            host.setParameter(p, v);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &v, sizeof bits);
            char value[16];
            std::snprintf(value, sizeof value, "%08x", static_cast<unsigned>(bits));
            lines.push_back(std::to_string(p) + " " + value + " " + host.paramDisplay(p));
        };
        for (int k = 0; k <= kGridSteps; ++k) {
            const double shift = k == 0 || k == kGridSteps ? 0.0 : static_cast<double>(p) / kNumParams;
            show(static_cast<float>((k + shift) / kGridSteps));
        }
        for (float v : outside) show(v);
    }
    for (int i = 0; i < kNumPrograms; ++i) {
        char name[64] = {};
        host.dispatch(effGetProgramNameIndexed, i, 0, name);
        lines.push_back("program " + std::to_string(i) + " " + name);
    }
    return lines;
}

// ---- Files ---------------------------------------------------------------

bool writeFile(const std::string& path, const void* data, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
    return static_cast<bool>(out);
}

std::vector<char> readFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr const char* kTextsFile = "texts.txt";

int write(const std::string& folder) {
    for (const Scenario& s : scenarios()) {
        std::vector<float> out;
        if (!render(s, out) || !writeFile(folder + "/" + s.name + ".f32", out.data(), out.size() * sizeof(float))) {
            std::fprintf(stderr, "%s: render failed\n", s.name);
            return 1;
        }
        std::printf("%s: %zu samples\n", s.name, out.size());
    }
    std::string all;
    for (const std::string& line : texts()) all += line + "\n";
    if (all.empty() || !writeFile(folder + "/" + kTextsFile, all.data(), all.size())) {
        std::fprintf(stderr, "texts: failed\n");
        return 1;
    }
    std::printf("texts: %zu bytes\n", all.size());
    return 0;
}

// Reports the first difference of each pair of files; 0 when all are equal.
int compare(const std::string& a, const std::string& b) {
    int differences = 0;
    for (const Scenario& s : scenarios()) {
        const std::string file = std::string(s.name) + ".f32";
        bool okA = false, okB = false;
        const auto x = readFile(a + "/" + file, okA), y = readFile(b + "/" + file, okB);
        if (!okA || !okB || x.empty()) {
            std::printf("%s: missing\n", file.c_str());
            ++differences;
            continue;
        }
        const std::size_t samples = std::min(x.size(), y.size()) / sizeof(float);
        std::size_t first = samples, count = 0;
        for (std::size_t i = 0; i < samples; ++i) {
            if (std::equal(x.begin() + static_cast<std::ptrdiff_t>(i * sizeof(float)),
                           x.begin() + static_cast<std::ptrdiff_t>((i + 1) * sizeof(float)),
                           y.begin() + static_cast<std::ptrdiff_t>(i * sizeof(float))))
                continue;
            first = std::min(first, i);
            ++count;
        }
        if (x.size() != y.size() || count > 0) {
            std::printf("%s: %zu and %zu samples, %zu differ, the first at %zu\n", file.c_str(),
                        x.size() / sizeof(float), y.size() / sizeof(float), count, first);
            ++differences;
        } else {
            std::printf("%s: %zu samples, identical\n", file.c_str(), samples);
        }
    }
    bool okA = false, okB = false;
    const auto x = readFile(a + "/" + kTextsFile, okA), y = readFile(b + "/" + kTextsFile, okB);
    std::size_t lines = 0, differing = 0;
    {
        std::string la, lb;
        std::size_t i = 0, j = 0;
        auto nextLine = [](const std::vector<char>& v, std::size_t& at, std::string& line) {
            line.clear();
            if (at >= v.size()) return false;
            while (at < v.size() && v[at] != '\n') line.push_back(v[at++]);
            ++at;
            return true;
        };
        for (;;) {
            const bool hasA = nextLine(x, i, la), hasB = nextLine(y, j, lb);
            if (!hasA && !hasB) break;
            ++lines;
            if (la != lb) {
                if (differing < 20) std::printf("text: \"%s\" | \"%s\"\n", la.c_str(), lb.c_str());
                ++differing;
            }
        }
    }
    if (!okA || !okB || x.empty() || differing > 0) {
        std::printf("%s: %zu of %zu lines differ\n", kTextsFile, differing, lines);
        ++differences;
    } else {
        std::printf("%s: %zu lines, identical\n", kTextsFile, lines);
    }
    return differences == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && (argc == 3 || argc == 4)) {
        if (argc == 4) PluginLibrary::use(argv[3]);
        return write(argv[2]);
    }
    if (mode == "compare" && argc == 4) return compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s write FOLDER [PLUGIN] | compare FOLDER_A FOLDER_B\n", argv[0]);
    return 2;
}
