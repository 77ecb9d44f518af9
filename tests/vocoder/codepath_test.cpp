// The code paths give the same output, bit for bit: long renders with every
// carrier, formant shifts both ways, Freeze and Flat toggling, MIDI playback
// with bend and vibrato, three rates and odd block sizes, through the plain
// frame-by-frame path, the SSE2 path and the AVX2 path.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <vector>

#include "tests/vocoder/probe.h"
#include "tests/vocoder/signals.h"

namespace {

enum class Carrier { Drone, External, Playback, Switching };

// A small deterministic generator, so every path sees the same script.
struct Script {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float unit() { return static_cast<float>(next() % 1001) / 1000.0f; }
    bool chance(std::uint32_t oneIn) { return next() % oneIn == 0; }
};

// Everything a render produces: both output channels and, after every block, the meters.
struct Render {
    std::vector<std::uint32_t> bits;
};

void record(Render& r, float v) { r.bits.push_back(std::bit_cast<std::uint32_t>(v)); }

void changeParameters(Probe& p, Script& s, Carrier carrier, int block) {
    if (block % 4 == 0) p.setParameter(kFormant, s.unit());  // shifts -10..+10
    if (block % 7 == 0) p.setParameter(kWaveform, s.unit());
    if (block % 5 == 0) p.setParameter(kFreeze, s.chance(3) ? 1.0f : 0.0f);
    if (block % 9 == 0) p.setParameter(kFlat, s.chance(3) ? 1.0f : 0.0f);
    if (block % 3 == 0) p.setParameter(kBand1 + static_cast<int>(s.next() % kNumBands), s.unit());
    if (block % 11 == 0) p.setParameter(kSynthVol, s.unit());
    if (block % 13 == 0) p.setParameter(kTune, s.unit());
    if (block % 17 == 0) p.setParameter(kOctave, s.unit());
    if (block % 19 == 0) p.setParameter(kOscLevelParams[s.next() % kNumOscillators], s.unit());
    if (block % 23 == 0) p.setParameter(kModLevel, 0.3f + 0.4f * s.unit());
    if (carrier == Carrier::Switching && block % 6 == 0) {
        p.setParameter(kSource, s.chance(2) ? 1.0f : 0.0f);
        p.setParameter(kPlayback, s.chance(2) ? 1.0f : 0.0f);
    }
}

void sendMidi(Probe& p, Script& s, int frames) {
    const int events = static_cast<int>(s.next() % 4);
    for (int e = 0; e < events; ++e) {
        const int frame = static_cast<int>(s.next() % static_cast<std::uint32_t>(frames));
        const int note = 36 + static_cast<int>(s.next() % 48);
        switch (s.next() % 5) {
        case 0:
        case 1:
            p.midi(0x90, note, 1 + static_cast<int>(s.next() % 127), frame);
            break;
        case 2:
            p.midi(0x80, note, 0, frame);
            break;
        case 3:
            p.midi(0xE0, static_cast<int>(s.next() % 128), static_cast<int>(s.next() % 128), frame);  // bend
            break;
        default:
            p.midi(0xB0, kCtrlModWheel, static_cast<int>(s.next() % 128), frame);  // vibrato
            break;
        }
    }
}

// A voice-like modulator with a pause, during which the leveling gain rises, and a sawtooth.
struct Inputs {
    std::vector<float> mod, car;
    Inputs(float rate, double seconds) {
        const auto total = static_cast<std::size_t>(seconds * rate);
        mod = voiceLike(total, rate);
        std::fill(mod.begin() + static_cast<long>(total / 3), mod.begin() + static_cast<long>(total / 2), 0.0f);
        car = saw(total, 97.0, rate);
    }
};

// Renders the inputs through a fresh effect; `pathOf(block)` chooses the path for each block.
template <class PathOf>
Render render(float rate, const Inputs& inputs, Carrier carrier, PathOf pathOf) {
    static constexpr int kBlockSizes[] = {1, 37, 300, 511, 2, 1023, 64, 4099, 255, 7};
    auto p = makeProbe();
    p->setRate(rate);
    LevelMeterRecord meters;
    p->attachLevelMeters(&meters);
    for (int k = 0; k < kNumOscillators; ++k) {
        p->setParameter(kOscLevelParams[k], 0.2f + 0.1f * static_cast<float>(k));
        p->setParameter(kOscPitchParams[k], 0.1f * static_cast<float>(k));
    }
    p->setParameter(kSynthVol, 0.3f);
    p->setParameter(kSource, carrier == Carrier::External ? 1.0f : 0.0f);
    p->setParameter(kPlayback, carrier == Carrier::Playback ? 1.0f : 0.0f);

    const std::vector<float>& mod = inputs.mod;
    const std::vector<float>& car = inputs.car;
    const std::size_t total = mod.size();
    Script script{static_cast<std::uint32_t>(rate) + static_cast<std::uint32_t>(carrier)};
    Render r;
    int block = 0;
    for (std::size_t at = 0; at < total; ++block) {
        const auto frames = std::min<std::size_t>(kBlockSizes[block % std::size(kBlockSizes)], total - at);
        changeParameters(*p, script, carrier, block);
        if (carrier == Carrier::Playback || carrier == Carrier::Switching) {
            sendMidi(*p, script, static_cast<int>(frames));
        }
        EXPECT_TRUE(p->useCodePath(pathOf(block)));
        std::vector<float> m(mod.begin() + static_cast<long>(at), mod.begin() + static_cast<long>(at + frames));
        std::vector<float> c(car.begin() + static_cast<long>(at), car.begin() + static_cast<long>(at + frames));
        std::vector<float> out1(frames), out2(frames);
        float* in[2] = {m.data(), c.data()};
        float* out[2] = {out1.data(), out2.data()};
        p->processBlock(in, out, static_cast<int>(frames));
        for (std::size_t i = 0; i < frames; ++i) {
            record(r, out1[i]);
            record(r, out2[i]);
        }
        for (float v : {meters.modMeter, meters.carMeter, meters.outMeter}) record(r, v);
        for (float v : p->bandMeters().bandMeter) record(r, v);
        at += frames;
    }
    return r;
}

// Index of the first difference, or -1.
long firstDifference(const Render& a, const Render& b) {
    if (a.bits.size() != b.bits.size()) return 0;
    const auto d = std::mismatch(a.bits.begin(), a.bits.end(), b.bits.begin());
    return d.first == a.bits.end() ? -1 : d.first - a.bits.begin();
}

const char* nameOf(Carrier c) {
    switch (c) {
    case Carrier::Drone:
        return "drone";
    case Carrier::External:
        return "external";
    case Carrier::Playback:
        return "playback";
    default:
        return "switching";
    }
}

}  // namespace

TEST(CodePaths, ANewInstanceTakesTheFastestThisProcessorSupports) {
    auto p = makeProbe();
    EXPECT_EQ(p->codePath(), defaultCodePath());
    EXPECT_TRUE(codePathSupported(CodePath::kSse2));
    EXPECT_TRUE(codePathSupported(CodePath::kFrameByFrame));
    const char* wanted = std::getenv("TALKFORGE_CODE_PATH");
    const std::string_view forced = wanted ? wanted : "";
    if (forced == "sse2") {
        EXPECT_EQ(defaultCodePath(), CodePath::kSse2);
    } else if (forced == "frames") {
        EXPECT_EQ(defaultCodePath(), CodePath::kFrameByFrame);
    } else {
        EXPECT_EQ(defaultCodePath() == CodePath::kAvx2, codePathSupported(CodePath::kAvx2));
    }
    // A path the processor lacks is refused and the instance keeps its own.
    if (!codePathSupported(CodePath::kAvx2)) {
        EXPECT_FALSE(p->useCodePath(CodePath::kAvx2));
        EXPECT_EQ(p->codePath(), defaultCodePath());
    }
}

TEST(CodePaths, EveryPathGivesTheSameOutputBitForBit) {
    if (!codePathSupported(CodePath::kAvx2)) {
        std::printf("This processor has no AVX2: only the SSE2 path is compared.\n");
    }
    const CodePath staged[] = {CodePath::kSse2, CodePath::kAvx2};
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        const Inputs inputs(rate, 2.5);
        for (Carrier carrier : {Carrier::Drone, Carrier::External, Carrier::Playback, Carrier::Switching}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << nameOf(carrier));
            const Render plain = render(rate, inputs, carrier, [](int) { return CodePath::kFrameByFrame; });
            for (CodePath path : staged) {
                if (!codePathSupported(path)) continue;
                const Render r = render(rate, inputs, carrier, [path](int) { return path; });
                EXPECT_EQ(firstDifference(plain, r), -1) << "path " << static_cast<int>(path);
            }
            // The paths share their state: switching between them at any block changes nothing.
            const Render mixed = render(rate, inputs, carrier, [](int block) {
                const CodePath fastest = defaultCodePath();
                const CodePath cycle[] = {CodePath::kFrameByFrame, CodePath::kSse2, fastest};
                return cycle[block % 3];
            });
            EXPECT_EQ(firstDifference(plain, mixed), -1) << "switching paths";
        }
    }
}

TEST(CodePaths, TheLaneChecksOfTheBandStatesFindWhatThePlainCheckFinds) {
    FilterBank fb;
    float* const arrays[] = {fb.modStage1.s1, fb.modStage1.s2, fb.modStage2.s1, fb.modStage2.s2,
                             fb.carStage1.s1, fb.carStage1.s2, fb.carStage2.s1, fb.carStage2.s2,
                             fb.envLevel,     fb.envVelocity,  fb.bandLevel};
    const auto check = [&fb](bool finite) {
        EXPECT_EQ(fb.bandStatesFinite(), finite);
        EXPECT_EQ(bandStatesFiniteSse2(fb), finite);
        if (codePathSupported(CodePath::kAvx2)) {
            EXPECT_EQ(bandStatesFiniteAvx2(fb), finite);
        }
    };
    for (std::size_t a = 0; a < std::size(arrays); ++a) {
        for (int band : {0, 5, 47, kNumFilterBands - 1}) {
            SCOPED_TRACE(testing::Message() << "array " << a << ", band " << band);
            for (float value : {NAN, INFINITY, -INFINITY}) {
                fb.reset();
                arrays[a][band] = value;
                check(false);
            }
            for (float value : {-3.4e38f, 3.4e38f, 1e-40f, -0.0f}) {
                fb.reset();
                arrays[a][band] = value;
                check(true);
            }
        }
    }
}
