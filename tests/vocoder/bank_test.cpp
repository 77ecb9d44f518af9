// Filter bank, envelope followers, band gains, formant shift, leveling and meters.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <utility>

#include "vocoder/filterbank.h"
#include "vocoder/leveling.h"
#include "vocoder/meters.h"

namespace {

// Feeds one decimated sample to both signals and runs the bands.
float feedBands(FilterBank& fb, float x, bool frozen = false) {
    for (float* h : {fb.modHist, fb.carHist}) {
        h[2] = h[1];
        h[1] = h[0];
        h[0] = x;
    }
    return fb.runBands(frozen);
}

// The largest value `step` returns over `steps` calls, and the call that returned it; `check` sees each value.
template <typename Step, typename Check>
std::pair<float, int> peakOf(int steps, Step step, Check check) {
    float peak = 0.0f;
    int at = 0;
    for (int i = 1; i <= steps; ++i) {
        const float v = step();
        if (v > peak) {
            peak = v;
            at = i;
        }
        check(i, v);
    }
    return {peak, at};
}

}  // namespace

TEST(FilterBank, DecimatorWeightsTheOldestSampleWithTapZero) {
    FilterBank fb;
    for (int t = 0; t < kRingSize; ++t) fb.push(t == 5 ? 1.0f : 0.0f, t == 30 ? 2.0f : 0.0f);
    fb.analyse(false);
    EXPECT_EQ(fb.modHist[0], kDecimationKernel[5]);
    EXPECT_EQ(fb.carHist[0], 2.0f * kDecimationKernel[30]);
    EXPECT_EQ(kDecimationKernel[5], kDecimationKernel[26]);
    EXPECT_EQ(kDecimationKernel[32], 0.0f);
}

TEST(FilterBank, UnityGainAtEachBandsPeakFrequency) {
    for (int k = 0; k < kNumFilterBands; ++k) {
        FilterBank fb;
        const double w = 2.0 * std::numbers::pi * kBandPeakHz[k] / 16000.0;
        float peak = 0.0f;
        for (int n = 0; n < 5000; ++n) {
            feedBands(fb, static_cast<float>(std::sin(w * n)), true);
            if (n > 4000) peak = std::max(peak, std::fabs(fb.modStage2.s1[k]));
        }
        EXPECT_NEAR(peak, 1.0f, 0.005f) << "band " << k << " at " << kBandPeakHz[k] << " Hz";
    }
}

TEST(FilterBank, SecondSectionTakesTheFirstSectionsPreviousOutput) {
    FilterBank fb;
    feedBands(fb, 1.0f);
    EXPECT_EQ(fb.modStage1.s1[7], kBandFilterColumns.c[0][7]);
    EXPECT_EQ(fb.modStage2.s1[7], 0.0f);
    feedBands(fb, 0.0f);
    EXPECT_EQ(fb.modStage2.s1[7], kBandFilterColumns.c[5][7] * kBandFilterColumns.c[0][7]);
}

TEST(EnvelopeFollower, StepResponse) {
    float e = 0.0f, v = 0.0f;
    const auto [peak, at] = peakOf(
        1200, [&] { followEnvelope(e, v, 1.0f); return e; },
        [](int step, float level) {
            if (step == 200) {
                EXPECT_NEAR(level, 0.98f, 0.005f);
            }
            if (step >= 800) {
                EXPECT_NEAR(level, 1.0f, 0.005f) << step;
            }
        });
    EXPECT_NEAR(peak, 1.17f, 0.005f);
    EXPECT_NEAR(at, 300, 15);
}

TEST(Leveling, GainStepResponse) {
    Leveling lev;
    const auto [peak, at] = peakOf(
        1500, [&] { lev.smoothGain(1.0f); return lev.outputGain; },
        [](int step, float gain) {
            if (step == 200) {
                EXPECT_NEAR(gain, 0.91f, 0.005f);
            }
            if (step == 1500) {
                EXPECT_NEAR(gain, 1.0f, 1e-5f);
            }
        });
    EXPECT_NEAR(peak, 1.04f, 0.005f);
    EXPECT_NEAR(at, 300, 20);
}

TEST(Leveling, ImpulseReachesTheOutput477FramesLater) {
    Leveling lev;
    std::vector<float> out;  // from the frame of the step that wrote the impulse
    for (int frame = 1; frame <= 600; ++frame) {
        const int phase = frame % kDecimation;
        if (phase == 0) lev.level(out.empty() ? 1.0f : 0.0f, 1.0f);
        lev.outputGain = 1.0f;
        if (phase == 0 || !out.empty()) out.push_back(lev.vocoded(phase));
    }
    const auto first = std::find_if(out.begin(), out.end(), [](float v) { return v != 0.0f; }) - out.begin();
    ASSERT_EQ(first, 477);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(out[477 + i], kDecimationKernel[i] * kInterpGain) << i;
    EXPECT_EQ(out[477 + 33], 0.0f);
}

TEST(BandGains, SlidersFlatAndTheOuterBands) {
    FilterBank fb;
    float sliders[kNumBands];
    std::fill(std::begin(sliders), std::end(sliders), 0.5f);
    sliders[0] = 1.0f;
    sliders[10] = 0.0f;
    sliders[49] = 0.25f;
    sliders[20] = 7.0f;
    sliders[21] = NAN;
    fb.setBandGains(sliders, false);
    EXPECT_EQ(fb.gain[3], 1.0f);
    for (int k : {0, 1, 2}) EXPECT_EQ(fb.gain[k], 4.0f);
    EXPECT_EQ(fb.gain[12], 0.0f);
    for (int k : {51, 52, 53}) EXPECT_EQ(fb.gain[k], fb.bandGainCurve[17]);  // trunc(16.5 + 0.5)
    EXPECT_EQ(fb.gain[22], 4.0f);  // clamped into the curve
    EXPECT_EQ(fb.gain[23], 0.0f);  // NaN counts as 0
    fb.setBandGains(sliders, true);
    for (float g : fb.gain) EXPECT_EQ(g, 1.0f);
}

TEST(FormantShift, ModulatorBandJShapesCarrierBandJPlusShift) {
    for (int shift : {0, 3, 10, -1, -10}) {
        for (int j : {0, 9, 30, 44, 53}) {
            FilterBank fb;
            fb.formantShift = shift;
            for (int n = 0; n < 40; ++n) feedBands(fb, n % 3 ? 0.5f : -1.0f, true);
            // Only band j has a level. A negative shift reads the previous step's
            // level, which is gone in this step.
            for (int k = 0; k < kNumFilterBands; ++k) {
                fb.bandLevel[k] = k == j ? 1.0f : 0.0f;
                fb.envLevel[k] = shift < 0 ? 0.0f : fb.bandLevel[k];
            }
            const float s = feedBands(fb, 0.25f, true);
            const int k = j + shift;
            const float z = k < 0 || k >= kNumFilterBands ? 0.0f : fb.carStage2.s1[k];
            EXPECT_EQ(s, k % 2 ? z : -z) << "shift " << shift << " band " << j;
        }
    }
}

TEST(Meters, ScaleRaiseAndHold) {
    EXPECT_DOUBLE_EQ(meterValue(1.0), 1.0);
    EXPECT_NEAR(meterValue(0.5), 0.85, 1e-12);
    EXPECT_NEAR(meterValue(0x1p-24), -2.6, 1e-12);
    EXPECT_EQ(meterValue(0.0), -INFINITY);

    LevelMeterRecord levels;
    BandMeterRecord bands;
    float bandPeak[kNumFilterBands] = {};
    bandPeak[2] = 0.5f / 3.0f;
    bandPeak[0] = bandPeak[52] = 1.0f;  // the outer bands have no meter
    publishMeters(levels, bands, {1.0f, 0.25f, 0x1p-24f}, bandPeak);
    EXPECT_FLOAT_EQ(levels.modMeter, 1.0f);
    EXPECT_FLOAT_EQ(levels.carMeter, 0.7f);
    EXPECT_EQ(levels.outMeter, 0.0f);  // -2.6 raises nothing
    EXPECT_EQ(levels.modMeterFresh + levels.carMeterFresh + levels.outMeterFresh, 2);
    EXPECT_NEAR(bands.bandMeter[0], 0.85f, 1e-6);
    EXPECT_EQ(bands.bandMeterHold[0], 3);
    EXPECT_EQ(std::count(bands.bandMeterHold, bands.bandMeterHold + kNumFilterBands, 0), kNumFilterBands - 1);

    levels.modMeterFresh = 0;
    bands.bandMeterHold[0] = 1;
    bandPeak[2] *= 1.001f;  // only slightly above: raised and held again
    publishMeters(levels, bands, {0.9f, 0.0f, 0.0f}, bandPeak);
    EXPECT_EQ(levels.modMeterFresh, 0);
    EXPECT_EQ(bands.bandMeterHold[0], 3);
}

namespace {

// The meters as the plain formula raises them, for comparison.
void publishPlainly(LevelMeterRecord& levels, BandMeterRecord& bands, const BlockPeaks& peaks, const float* bandPeak) {
    const auto value = [](double peak) { return 0.15 * std::log(peak) / std::log(2.0) + 1.0; };
    const auto raise = [&](Relaxed<float>& meter, Relaxed<std::uint8_t>& fresh, float peak) {
        if (const double v = value(peak); v > meter) {
            meter = static_cast<float>(v);
            fresh = 1;
        }
    };
    raise(levels.modMeter, levels.modMeterFresh, peaks.mod);
    raise(levels.carMeter, levels.carMeterFresh, peaks.car);
    raise(levels.outMeter, levels.outMeterFresh, peaks.out);
    for (int i = 0; i < kNumBands; ++i) {
        if (const double v = value(3.0 * bandPeak[i + kFirstMeteredBand]); v > bands.bandMeter[i]) {
            bands.bandMeter[i] = static_cast<float>(v);
            bands.bandMeterHold[i] = 3;
        }
    }
}

}  // namespace

// publishMeters skips the logarithm where it can tell the meter stays; the
// meters come out the same to the bit over long random runs, with the
// reader's falls in between and peaks placed right at the meters' values.
TEST(Meters, SameBitsAsThePlainFormula) {
    std::mt19937 rng(20261208);
    const auto unit = [&] { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); };
    const auto oneIn = [&](int n) { return rng() % static_cast<unsigned>(n) == 0; };
    LevelMeterRecord levels, plainLevels;
    BandMeterRecord bands, plainBands;
    // A peak near the one whose meter value is `meter` (or anything, now and then).
    const auto peakNear = [&](float meter, double boost) -> float {
        switch (rng() % 16) {
        case 0: return 0.0f;
        case 1: return std::numeric_limits<float>::denorm_min() * static_cast<float>(rng() % 1000);
        case 2: return oneIn(50) ? (oneIn(2) ? INFINITY : NAN) : 1.0f;
        case 3: return static_cast<float>(std::exp2(-150.0 + 160.0 * unit()));
        default: break;
        }
        if (!std::isfinite(meter)) meter = 0.0f;
        const double target = std::exp2((meter - 1.0) / 0.15) / boost;
        float p = static_cast<float>(target * (1.0 + (unit() - 0.6) * (oneIn(3) ? 1e-2 : 1e-6)));
        for (unsigned k = rng() % 4; k > 0; --k) p = std::nextafter(p, oneIn(2) ? 0.0f : 2.0f);  // a few ulps off
        return p;
    };
    const auto fall = [](LevelMeterRecord& l, BandMeterRecord& b) {
        for (auto [level, fresh] : {std::pair{&l.modMeter, &l.modMeterFresh}, std::pair{&l.carMeter, &l.carMeterFresh},
                                    std::pair{&l.outMeter, &l.outMeterFresh}}) {
            if (!std::isfinite(*level)) *level = 0.0f;  // as the editor does
            if (*fresh)
                *fresh = 0;
            else if (*level > 0.0f)
                *level -= 1.0f / 62.0f;
        }
        for (int i = 0; i < kNumBands; ++i) {
            if (!std::isfinite(b.bandMeter[i])) b.bandMeter[i] = 0.0f;
            if (b.bandMeterHold[i] > 0)
                --b.bandMeterHold[i];
            else if (b.bandMeter[i] > 0.0f)
                b.bandMeter[i] = std::max(b.bandMeter[i] - 0.02f, 0.0f);
        }
    };
    const auto bits = [](float x) { return std::bit_cast<std::uint32_t>(x); };
    int raised = 0;
    for (int block = 0; block < 20000; ++block) {
        const BlockPeaks peaks{peakNear(levels.modMeter, 1.0), peakNear(levels.carMeter, 1.0),
                               peakNear(levels.outMeter, 1.0)};
        float bandPeak[kNumFilterBands];
        for (int k = 0; k < kNumFilterBands; ++k) {
            const int i = std::clamp(k - kFirstMeteredBand, 0, kNumBands - 1);
            bandPeak[k] = peakNear(bands.bandMeter[i], 3.0);
        }
        publishMeters(levels, bands, peaks, bandPeak);
        publishPlainly(plainLevels, plainBands, peaks, bandPeak);
        ASSERT_EQ(bits(levels.modMeter), bits(plainLevels.modMeter)) << block;
        ASSERT_EQ(bits(levels.carMeter), bits(plainLevels.carMeter)) << block;
        ASSERT_EQ(bits(levels.outMeter), bits(plainLevels.outMeter)) << block;
        ASSERT_EQ(levels.modMeterFresh + 2 * levels.carMeterFresh + 4 * levels.outMeterFresh,
                  plainLevels.modMeterFresh + 2 * plainLevels.carMeterFresh + 4 * plainLevels.outMeterFresh)
            << block;
        for (int i = 0; i < kNumBands; ++i) {
            ASSERT_EQ(bits(bands.bandMeter[i]), bits(plainBands.bandMeter[i])) << block << " band " << i;
            ASSERT_EQ(bands.bandMeterHold[i], plainBands.bandMeterHold[i]) << block << " band " << i;
            raised += bands.bandMeterHold[i] == 3;
        }
        if (oneIn(3)) {
            fall(levels, bands);
            fall(plainLevels, plainBands);
        }
        if (oneIn(500)) {  // values a reader may leave behind
            const float odd[] = {NAN, -INFINITY, INFINITY, -0.3f, 7.0f};
            const float x = odd[rng() % 5];
            const int i = static_cast<int>(rng() % kNumBands);
            levels.carMeter = plainLevels.carMeter = x;
            bands.bandMeter[i] = plainBands.bandMeter[i] = x;
        }
    }
    EXPECT_GT(raised, 100000);  // both outcomes were tried often
}
