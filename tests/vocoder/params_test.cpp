// The parameter table and the texts read through it: permanent symbols,
// display texts that stay what hosts and saved projects have seen, typed and
// host-sent texts read back, and saved state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "vocoder/paramtext.h"
#include "vocoder/parameters.h"
#include "vocoder/talkforge.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::string display(int index, float value) {
    char text[kParamTextSize] = {};
    parameterDisplay(index, value, text);
    return text;
}

TEST(ParameterTable, SymbolsArePermanentUniqueAndWellFormed) {
    // Hosts save sessions and state by these names: never change one.
    const char* const kPinned[kNumNamedParams] = {
        "mod_level", "car_level", "out_level", "formant",   "freeze",    "flat",      "tune",
        "waveform",  "o1_freq",   "o1_level",  "o2_offset", "o2_level",  "o3_offset", "o3_level",
        "o4_offset", "o4_level",  "o5_offset", "o5_level",  "o6_offset", "o6_level",  "synth_vol",
        "octave",    "freeze_key", "flat_key", "playback",  "source",
    };
    std::set<std::string> seen;
    for (const ParameterInfo& p : kParameters) {
        const std::string symbol = p.symbol;
        const std::string expected =
            p.index < kNumNamedParams ? kPinned[p.index] : "band_" + std::to_string(p.index - kBand1 + 1);
        EXPECT_EQ(symbol, expected) << p.index;
        EXPECT_TRUE(seen.insert(symbol).second) << symbol;
        EXPECT_FALSE(symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9')) << symbol;
        for (char c : symbol) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') << symbol;
        EXPECT_EQ(parameterBySymbol(symbol), &p);
    }
    EXPECT_EQ(parameterBySymbol("Mod.level"), nullptr);
}

TEST(ParameterTable, IndicesSlotsAndStepsHoldTogether) {
    std::set<int> slots;
    for (int i = 0; i < kNumParams; ++i) {
        const ParameterInfo& p = kParameters[std::size_t(i)];
        EXPECT_EQ(p.index, i);
        EXPECT_TRUE(slots.insert(p.slot).second) << i;
        EXPECT_GE(p.slot, 0);
        EXPECT_LT(p.slot, kNumParams);
        EXPECT_EQ(p.steps == 0, p.display == ParamDisplay::kDecibels) << i;
        EXPECT_GE(p.defaultValue, 0.0f);
        EXPECT_LE(p.defaultValue, 1.0f);
        EXPECT_EQ(p.choices != nullptr, p.display == ParamDisplay::kChoice) << i;
    }
    // The values the editor and the hosts have always written for a position.
    EXPECT_EQ(stepValue(kParameters[kO1Freq], 3), 3 * 0.04f);
    EXPECT_EQ(stepValue(kParameters[kWaveform], 1), 0.33333334f);
    EXPECT_EQ(stepValue(kParameters[kFreezeKey], 5), 5 * 0.16666667f);
    EXPECT_EQ(latencyFrames(48000.0), 508);
    EXPECT_EQ(latencyFrames(96000.0), 1016);
    EXPECT_EQ(latencyFrames(96000.001), 1016);  // the same float
}

// Display texts for a fine grid of values (finer where the text steps) and
// values no host should send, hashed per parameter: the texts the plug-in has
// always shown.
TEST(ParameterTexts, DisplayTextsStayWhatTheyWere) {
    const std::uint64_t kExpected[kNumParams] = {
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x7899f1204b92b349ull, 0x4936b52235e31db4ull, 0x4936b52235e31db4ull,
    0xcea9e8b656c15911ull, 0x1277b16318438669ull, 0x48800d249f5ce574ull,
    0x5c2a7cf239f1be96ull, 0x48800d249f5ce574ull, 0x5c2a7cf239f1be96ull,
    0x48800d249f5ce574ull, 0x5c2a7cf239f1be96ull, 0x48800d249f5ce574ull,
    0x5c2a7cf239f1be96ull, 0x48800d249f5ce574ull, 0x5c2a7cf239f1be96ull,
    0x48800d249f5ce574ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x371270853984d12cull, 0x1444092cfaa8ab5bull, 0x1444092cfaa8ab5bull,
    0x4936b52235e31db4ull, 0x4936b52235e31db4ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull, 0x5c2a7cf239f1be96ull,
    0x5c2a7cf239f1be96ull,
    };
    const float specials[] = {kNaN, kInf, -kInf, -1e9f, 1e9f, 1e30f, -0.0f, 1e-30f};
    for (int i = 0; i < kNumParams; ++i) {
        std::uint64_t h = 1469598103934665603ull;
        const auto add = [&](float v) {
            const std::string t = display(i, v);
            for (std::size_t k = 0; k <= t.size(); ++k) h = (h ^ static_cast<unsigned char>(t.c_str()[k])) * 1099511628211ull;
        };
        const int scale = kParameters[std::size_t(i)].steps == 0 ? 1000 : 10000;
        for (int k = -scale / 5; k <= scale * 6 / 5; ++k) add(float(k) / float(scale));
        for (float v : specials) add(v);
        EXPECT_EQ(h, kExpected[i]) << "parameter " << i << " (" << kParameters[std::size_t(i)].name << ")";
    }
    EXPECT_EQ(display(kFormant, 0.75f), "      5");
    EXPECT_EQ(display(kWaveform, 0.4f), "Square");
    EXPECT_EQ(display(kO1Freq, 0.12f), "C-1");
    EXPECT_EQ(display(kModLevel, 0.5f), "-6.02059");
    EXPECT_EQ(display(kBand1, 0.0f), "  -oo   ");
}

// A text read back gives a value that shows the same text again, for every
// position of every stepped parameter; gains come back within the text's last digit.
TEST(ParameterTexts, EveryShownTextReadsBackToItself) {
    for (const ParameterInfo& p : kParameters) {
        const int positions = p.steps == 0 ? 201 : p.steps + 1;
        for (int n = 0; n < positions; ++n) {
            const float v = p.steps == 0 ? float(n) / 200.0f : stepValue(p, n);
            const std::string shown = display(p.index, v);
            float back = -1.0f;
            ASSERT_TRUE(parameterFromText(p.index, shown, back)) << p.name << " '" << shown << "'";
            EXPECT_GE(back, 0.0f);
            EXPECT_LE(back, 1.0f);
            if (p.steps != 0) {
                EXPECT_EQ(display(p.index, back), shown) << p.name << " position " << n;
            } else if (v > 0.0f) {
                // The text cuts its digits: the value lies within its last digit (and a float's rounding).
                const std::size_t point = shown.find('.');
                const double lastDigit = std::pow(10.0, -double(shown.find_last_not_of(' ') - point));
                EXPECT_NEAR(20.0 * std::log10(back), 20.0 * std::log10(v), lastDigit + 1e-5) << p.name << " " << shown;
            } else {
                EXPECT_EQ(back, 0.0f);
            }
        }
    }
}

TEST(ParameterTexts, TypedTextsHostsSend) {
    float v = -1.0f;
    EXPECT_TRUE(parameterFromText(kModLevel, "-6 dB", v));
    EXPECT_NEAR(v, 0.501187f, 1e-6f);
    EXPECT_TRUE(parameterFromText(kModLevel, "+3", v));
    EXPECT_EQ(v, 1.0f);  // levels end at 0 dB
    EXPECT_TRUE(parameterFromText(kBand1 + 4, "-inf", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(parameterFromText(kFormant, " -3 ", v));
    EXPECT_EQ(display(kFormant, v), "     -3");
    EXPECT_TRUE(parameterFromText(kFormant, "99", v));
    EXPECT_EQ(v, 1.0f);
    EXPECT_TRUE(parameterFromText(kWaveform, "pulse 10", v));
    EXPECT_EQ(display(kWaveform, v), "Pulse 10");
    EXPECT_TRUE(parameterFromText(kO2Offset, "c2", v));
    EXPECT_EQ(display(kO2Offset, v), "C-2");
    EXPECT_TRUE(parameterFromText(kO2Offset, "F#1", v));
    EXPECT_EQ(display(kO2Offset, v), "F#1");
    for (const char* bad : {"", "loud", "1e400", "nan", "3 dBx", "Triangle", "H-2", "-"}) {
        for (int index : {int(kModLevel), int(kFormant), int(kWaveform), int(kO1Freq)}) {
            v = 0.25f;
            EXPECT_FALSE(parameterFromText(index, bad, v)) << index << " '" << bad << "'";
            EXPECT_EQ(v, 0.25f);
        }
    }
    EXPECT_FALSE(parameterFromText(-1, "0", v));
    EXPECT_FALSE(parameterFromText(kNumParams, "0", v));
}

TEST(SavedState, RoundTripsEveryValueExactly) {
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i) values[i] = float(i) / 75.0f * 0.999f + 1e-7f * float(i);
    values[kO1Freq] = stepValue(kParameters[kO1Freq], 7);
    const std::string text = writeState(values);
    EXPECT_EQ(text.rfind("talkforge-state 1\nmod_level ", 0), 0u) << text.substr(0, 40);
    float back[kNumParams] = {};
    ASSERT_TRUE(readState(text, back));
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(back[i], values[i]) << i;
}

TEST(SavedState, ToleratesUnknownAndMissingKeysAndRefusesForeignText) {
    float values[kNumParams];
    for (float& v : values) v = 0.25f;
    const std::string text =
        "talkforge-state 1\r\n"
        "tune 0.75\r\n"
        "some_future_knob 0.1\n"
        "formant   1.5  \n"      // clamped into range
        "octave nan\n"           // not a value: kept
        "flat\n"                 // no value: skipped
        "band_50 0.125";         // no line end
    ASSERT_TRUE(readState(text, values));
    EXPECT_EQ(values[kTune], 0.75f);
    EXPECT_EQ(values[kFormant], 1.0f);
    EXPECT_EQ(values[kOctave], 0.25f);
    EXPECT_EQ(values[kFlat], 0.25f);
    EXPECT_EQ(values[kBand1 + 49], 0.125f);
    EXPECT_EQ(values[kModLevel], 0.25f);  // not named: kept
    for (const char* foreign : {"", "talkforge-state 2\ntune 0.5\n", "talkforge-state\n", "mod_level 0.5\n",
                                "talkforge-state one\n", "TALKFORGE-STATE 1\n"}) {
        float untouched[kNumParams] = {};
        EXPECT_FALSE(readState(foreign, untouched)) << foreign;
        for (float v : untouched) EXPECT_EQ(v, 0.0f);
    }
}

}  // namespace
