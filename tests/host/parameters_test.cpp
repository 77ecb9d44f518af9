// The 76 parameters as a host sees them: values, names, labels, display texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/testhost.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::string display(TestHost& host, VstInt32 index, float value) {
    host.setParameter(index, value);
    return host.paramDisplay(index);
}

TEST(Parameters, StartFromTheEmptyProgram) {
    TestHost host;
    for (VstInt32 i = 0; i < 76; ++i) {
        const bool half = i <= 3 || i == 6 || i == 21 || i >= 26;
        EXPECT_EQ(host.getParameter(i), half ? 0.5f : 0.0f) << "parameter " << i;
    }
    EXPECT_EQ(host.getParameter(-1), 0.0f);
    EXPECT_EQ(host.getParameter(76), 0.0f);
}

TEST(Parameters, StoreAnyValueUnchangedAndIgnoreOtherIndices) {
    TestHost host;
    for (float v : {-3.0f, 0.25f, 7.5f, kInf}) {
        host.setParameter(7, v);
        EXPECT_EQ(host.getParameter(7), v);
    }
    host.setParameter(7, kNaN);
    EXPECT_TRUE(std::isnan(host.getParameter(7)));
    host.setParameter(-1, 0.9f);
    host.setParameter(76, 0.9f);
    host.setParameter(4096, 0.9f);
    for (VstInt32 i = 0; i < 76; ++i) {
        if (i == 7) continue;
        EXPECT_NE(host.getParameter(i), 0.9f);
    }
}

TEST(Parameters, NamesAndLabels) {
    TestHost host;
    const char* names[26] = {"Mod.level", "Car.level", "Out.level", "Formant",  "Freeze",    "Flat",     "Tune",
                             "Waveform",  "O1 freq",   "O1 level",  "O2 offset", "O2 level", "O3 offset", "O3 level",
                             "O4 offset", "O4 level",  "O5 offset", "O5 level",  "O6 offset", "O6 level", "Synth vol",
                             "Octave",    "FreezeKey", "FlatKey",   "Playback",  "Source"};
    for (VstInt32 i = 0; i < 26; ++i) EXPECT_EQ(host.paramName(i), names[i]);
    EXPECT_EQ(host.paramName(26), "Band 1");
    EXPECT_EQ(host.paramName(75), "Band 50");
    for (VstInt32 i = 0; i < 76; ++i) {
        const bool dB = i <= 2 || (i >= 9 && i <= 19 && i % 2 == 1) || i == 20;
        EXPECT_EQ(host.paramLabel(i), dB ? "dB" : " ") << "parameter " << i;
    }
}

TEST(Parameters, TextQueriesOutsideTheTableLeaveTheBufferAlone) {
    TestHost host;
    for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        for (VstInt32 index : {-1, 76, 1 << 30}) {
            char buffer[16];
            std::memset(buffer, 'x', sizeof buffer);
            host.dispatch(op, index, 0, buffer);
            EXPECT_EQ(buffer[0], 'x');
        }
}

TEST(Parameters, TextsFitTheConventionalBuffers) {
    TestHost host;
    // Eight characters and a NUL for displays and labels; names up to nine.
    for (VstInt32 i = 0; i < 76; ++i)
        for (float v : {0.0f, 0.5f, 1.0f, -1.0f, 1e9f, kNaN, kInf, -kInf}) {
            host.setParameter(i, v);
            char buffer[32];
            std::memset(buffer, '#', sizeof buffer);
            host.dispatch(effGetParamDisplay, i, 0, buffer);
            EXPECT_LE(strnlen(buffer, sizeof buffer), 8u) << "parameter " << i << " value " << v;
            EXPECT_EQ(buffer[10], '#');
            std::memset(buffer, '#', sizeof buffer);
            host.dispatch(effGetParamName, i, 0, buffer);
            EXPECT_LE(strnlen(buffer, sizeof buffer), 9u);
            EXPECT_EQ(buffer[10], '#');
        }
}

TEST(ParameterDisplay, LevelsAndBandsInDecibels) {
    TestHost host;
    EXPECT_EQ(display(host, 0, 0.5f), "-6.02059");
    EXPECT_EQ(display(host, 2, 1.0f), "0.000000");
    EXPECT_EQ(display(host, 9, 0.0f), "  -oo   ");
    EXPECT_EQ(display(host, 20, 0.001f), "-60.0000");
    EXPECT_EQ(display(host, 40, 2.0f), "6.020599");
    EXPECT_EQ(display(host, 75, kNaN), "  -oo   ");
}

TEST(ParameterDisplay, SteppedValuesTruncateThenOffset) {
    TestHost host;
    EXPECT_EQ(display(host, 3, 0.0f), "    -10");
    EXPECT_EQ(display(host, 3, 0.5f), "      0");
    EXPECT_EQ(display(host, 3, 1.0f), "     10");
    EXPECT_EQ(display(host, 6, 0.494f), "     -1");
    EXPECT_EQ(display(host, 6, 0.5f), "      0");
    EXPECT_EQ(display(host, 6, 1.0f), "     50");
    EXPECT_EQ(display(host, 21, 0.49f), "     -1");
    EXPECT_EQ(display(host, 21, 0.5f), "      0");
    EXPECT_EQ(display(host, 21, 0.99f), "      0");
    EXPECT_EQ(display(host, 21, 1.0f), "      1");
    EXPECT_EQ(display(host, 22, 0.84f), "      5");
    EXPECT_EQ(display(host, 23, 1.0f), "      6");
    for (VstInt32 sw : {4, 5, 24, 25}) {
        EXPECT_EQ(display(host, sw, 0.99f), "      0");
        EXPECT_EQ(display(host, sw, 1.0f), "      1");
    }
}

TEST(ParameterDisplay, WaveformAndNoteNames) {
    TestHost host;
    EXPECT_EQ(display(host, 7, 0.0f), "Sawtooth");
    EXPECT_EQ(display(host, 7, 0.3f), "Sawtooth");
    EXPECT_EQ(display(host, 7, 1.0f / 3.0f), "Square");
    EXPECT_EQ(display(host, 7, 0.7f), "Pulse 25");
    EXPECT_EQ(display(host, 7, 0.99f), "Pulse 25");
    EXPECT_EQ(display(host, 7, 1.0f), "Pulse 10");
    EXPECT_EQ(display(host, 8, 0.0f), "A-0");
    EXPECT_EQ(display(host, 8, 0.04f), "A#0");
    EXPECT_EQ(display(host, 10, 3.0f / 25.0f), "C-1");
    EXPECT_EQ(display(host, 18, 1.0f), "A#2");
}

TEST(ParameterDisplay, OutOfRangeValuesClampIntoTheTables) {
    TestHost host;
    EXPECT_EQ(display(host, 7, -5.0f), "Sawtooth");
    EXPECT_EQ(display(host, 7, 5.0f), "Pulse 10");
    EXPECT_EQ(display(host, 7, kNaN), "Sawtooth");
    EXPECT_EQ(display(host, 7, kInf), "Pulse 10");
    EXPECT_EQ(display(host, 8, -1.0f), "A-0");
    EXPECT_EQ(display(host, 8, 3.0f), "C-7");  // beyond the slider range, still a note
    EXPECT_EQ(display(host, 8, 100.0f), "B-8");
    EXPECT_EQ(display(host, 8, kNaN), "A-0");
    EXPECT_EQ(display(host, 3, kNaN), "    -10");
    EXPECT_EQ(display(host, 3, 1e30f), "99999990");
    EXPECT_EQ(display(host, 3, -1e30f), "-1000000");
    EXPECT_EQ(display(host, 4, 2.0f), "      2");
}

}  // namespace
