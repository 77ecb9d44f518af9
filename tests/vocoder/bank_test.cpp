// Filter bank, envelope followers, band gains, formant shift, leveling and meters.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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

}  // namespace

TEST(DecimationKernel, SymmetricWithAZeroThirtyThirdTap) {
    EXPECT_EQ(kDecimationKernel[0], -0.000751f);
    EXPECT_EQ(kDecimationKernel[15], 0.27911f);
    for (int i = 0; i < kDecimationTaps; ++i) EXPECT_EQ(kDecimationKernel[i], kDecimationKernel[31 - i]);
    EXPECT_EQ(kDecimationKernel[32], 0.0f);
}

TEST(FilterBank, DecimatorWeightsTheOldestSampleWithTapZero) {
    FilterBank fb;
    for (int t = 0; t < kRingSize; ++t) fb.push(t == 5 ? 1.0f : 0.0f, t == 30 ? 2.0f : 0.0f);
    fb.analyse(false);
    EXPECT_EQ(fb.modHist[0], kDecimationKernel[5]);
    EXPECT_EQ(fb.carHist[0], 2.0f * kDecimationKernel[30]);
    // A constant sums the taps in order.
    for (int t = 0; t < kRingSize; ++t) fb.push(1.0f, 1.0f);
    fb.analyse(false);
    float sum = 0.0f;
    for (int i = 0; i < kDecimationTaps; ++i) sum = sum + kDecimationKernel[i];
    EXPECT_EQ(fb.modHist[0], sum);
    EXPECT_NEAR(sum, 0.91472f, 1e-5);
    EXPECT_EQ(fb.modHist[1], kDecimationKernel[5]);  // the history shifted
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
    // From rest, the first section has answered the impulse but the second not yet.
    EXPECT_EQ(fb.modStage1.s1[7], kBandFilterColumns.c[0][7]);
    EXPECT_EQ(fb.modStage2.s1[7], 0.0f);
    feedBands(fb, 0.0f);
    EXPECT_EQ(fb.modStage2.s1[7], kBandFilterColumns.c[5][7] * kBandFilterColumns.c[0][7]);
}

TEST(EnvelopeFollower, StepResponse) {
    float e = 0.0f, v = 0.0f, peak = 0.0f;
    int peakStep = 0;
    for (int step = 1; step <= 1200; ++step) {
        followEnvelope(e, v, 1.0f);
        if (e > peak) {
            peak = e;
            peakStep = step;
        }
        if (step == 200) {
            EXPECT_NEAR(e, 0.98f, 0.005f);
        }
        if (step >= 800) {
            ASSERT_NEAR(e, 1.0f, 0.005f) << step;
        }
    }
    EXPECT_NEAR(peak, 1.17f, 0.005f);
    EXPECT_NEAR(peakStep, 300, 15);
}

TEST(EnvelopeFollower, FreezeHoldsTheEnvelopesWhileTheFiltersRun) {
    FilterBank fb;
    for (int n = 0; n < 500; ++n) feedBands(fb, n % 2 ? 1.0f : -1.0f);
    const float held = fb.envLevel[53];
    const float stage = fb.modStage2.s1[53];
    ASSERT_GT(held, 0.01f);
    for (int n = 0; n < 50; ++n) feedBands(fb, 0.0f, true);
    EXPECT_EQ(fb.envLevel[53], held);
    EXPECT_NE(fb.modStage2.s1[53], stage);
}

TEST(BandGains, SlidersFlatAndTheOuterBands) {
    FilterBank fb;
    EXPECT_EQ(fb.bandGainCurve[33], 1.0f);
    EXPECT_EQ(fb.bandGainCurve[66], 4.0f);
    float sliders[kNumBandSliders];
    for (int i = 0; i < kNumBandSliders; ++i) sliders[i] = 0.5f;
    sliders[0] = 1.0f;
    sliders[10] = 0.0f;
    sliders[49] = 0.25f;
    fb.setBandGains(sliders, false);
    EXPECT_EQ(fb.gain[0], 4.0f);
    EXPECT_EQ(fb.gain[1], 4.0f);
    EXPECT_EQ(fb.gain[2], 4.0f);
    EXPECT_EQ(fb.gain[3], 1.0f);
    EXPECT_EQ(fb.gain[12], 0.0f);
    EXPECT_EQ(fb.gain[51], fb.bandGainCurve[17]);  // trunc(16.5 + 0.5)
    EXPECT_EQ(fb.gain[52], fb.gain[51]);
    EXPECT_EQ(fb.gain[53], fb.gain[51]);
    fb.setBandGains(sliders, true);
    for (float g : fb.gain) EXPECT_EQ(g, 1.0f);
    sliders[3] = 7.0f;
    sliders[4] = -3.0f;
    sliders[5] = NAN;
    fb.setBandGains(sliders, false);
    EXPECT_EQ(fb.gain[5], 4.0f);
    EXPECT_EQ(fb.gain[6], 0.0f);
    EXPECT_EQ(fb.gain[7], 0.0f);
}

TEST(FormantShift, ModulatorBandJShapesCarrierBandJPlusShift) {
    for (int shift : {0, 3, 10, -1, -10}) {
        for (int j : {0, 9, 20, 44, 53}) {
            FilterBank fb;
            fb.formantShift = shift;
            for (int n = 0; n < 40; ++n) feedBands(fb, n % 3 ? 0.5f : -1.0f, true);
            // Only modulator band j has a level, now and in the previous step.
            for (int k = 0; k < kNumFilterBands; ++k) fb.envLevel[k] = fb.bandLevel[k] = k == j ? 1.0f : 0.0f;
            const float s = feedBands(fb, 0.25f, true);
            const int k = j + shift;
            const float expected = k < 0 || k >= kNumFilterBands ? 0.0f
                                   : k % 2                        ? fb.carStage2.s1[k]
                                                                  : -fb.carStage2.s1[k];
            EXPECT_EQ(s, expected) << "shift " << shift << " band " << j;
        }
    }
}

TEST(FormantShift, LowerCarrierBandsReadThePreviousStepsLevel) {
    FilterBank fb;
    for (int n = 0; n < 40; ++n) feedBands(fb, n % 2 ? 0.5f : -1.0f, true);
    std::fill(std::begin(fb.envLevel), std::end(fb.envLevel), 0.0f);
    std::fill(std::begin(fb.bandLevel), std::end(fb.bandLevel), 0.0f);
    fb.bandLevel[30] = 1.0f;  // set in the previous step, gone in this one
    fb.formantShift = -4;
    const float s = feedBands(fb, 0.0f, true);
    EXPECT_EQ(s, -fb.carStage2.s1[26]);
    fb.bandLevel[30] = 1.0f;
    fb.formantShift = 4;
    EXPECT_EQ(feedBands(fb, 0.0f, true), 0.0f);
}

TEST(Leveling, GainStepResponse) {
    Leveling lev;
    float peak = 0.0f;
    int peakStep = 0;
    for (int step = 1; step <= 1500; ++step) {
        lev.smoothGain(1.0f);
        if (lev.outputGain > peak) {
            peak = lev.outputGain;
            peakStep = step;
        }
        if (step == 200) {
            EXPECT_NEAR(lev.outputGain, 0.91f, 0.005f);
        }
    }
    EXPECT_NEAR(peak, 1.04f, 0.005f);
    EXPECT_NEAR(peakStep, 300, 20);
    EXPECT_NEAR(lev.outputGain, 1.0f, 1e-5f);
}

TEST(Leveling, ImpulseReachesTheOutput477FramesLater) {
    Leveling lev;
    std::vector<float> out;
    int phase = 0;
    for (int frame = 0; frame < 600; ++frame) {
        phase = (phase + 1) % kDecimation;
        if (phase == 0) lev.level(out.empty() ? 1.0f : 0.0f, 1.0f);
        if (phase == 0 || !out.empty()) {
            lev.outputGain = 1.0f;
            out.push_back(lev.vocoded(phase));
        }
    }
    int first = -1;
    for (std::size_t i = 0; i < out.size() && first < 0; ++i)
        if (out[i] != 0.0f) first = static_cast<int>(i);
    ASSERT_EQ(first, 477);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(out[477 + i], kDecimationKernel[i] * kInterpGain) << i;
    EXPECT_EQ(out[477 + 33], 0.0f);
}

TEST(Leveling, PeaksDecayAndASilentSumAsksForTheLargestGain) {
    Leveling lev;
    lev.level(0.0f, 1.0f);
    EXPECT_EQ(lev.carPeak, 1.0f + 1.0f * kPeakDecay);
    EXPECT_EQ(lev.gainSmooth1.vel, kSmootherStep * 64.0f);  // ratio limited to 64
    lev.level(0.5f, 0.0f);
    EXPECT_EQ(lev.vocPeak, 0.5f + 0.5f * kPeakDecay);
    EXPECT_EQ(lev.vocRing[1], 0.5f);
    EXPECT_EQ(lev.vocRingPos, 2);
}

TEST(Meters, Scale) {
    EXPECT_DOUBLE_EQ(meterValue(1.0), 1.0);
    EXPECT_NEAR(meterValue(0.5), 0.85, 1e-12);
    EXPECT_NEAR(meterValue(0.0098), 0.0, 0.001);
    EXPECT_NEAR(meterValue(0x1p-24), -2.6, 1e-12);
    EXPECT_EQ(meterValue(0.0), -INFINITY);
}

TEST(Meters, OnlyRaiseAndMarkFresh) {
    LevelMeterRecord levels;
    BandMeterRecord bands;
    float bandPeak[kNumFilterBands] = {};
    bandPeak[2] = 1.0f / 3.0f;
    bandPeak[51] = 0.5f;
    bandPeak[0] = bandPeak[52] = 1.0f;  // outer bands have no meter
    BlockPeaks peaks{1.0f, 0.25f, 0x1p-24f};
    publishMeters(levels, bands, peaks, bandPeak);
    EXPECT_FLOAT_EQ(levels.modMeter, 1.0f);
    EXPECT_FLOAT_EQ(levels.carMeter, 0.7f);
    EXPECT_EQ(levels.outMeter, 0.0f);
    EXPECT_EQ(levels.modMeterFresh, 1);
    EXPECT_EQ(levels.carMeterFresh, 1);
    EXPECT_EQ(levels.outMeterFresh, 0);
    EXPECT_NEAR(bands.bandMeter[0], 1.0f, 1e-6);
    EXPECT_EQ(bands.bandMeterHold[0], 3);
    EXPECT_NEAR(bands.bandMeter[49], meterValue(1.5), 1e-6);
    for (int i = 1; i < 49; ++i) EXPECT_EQ(bands.bandMeterHold[i], 0) << i;
    EXPECT_EQ(bands.bandMeter[50], 0.0f);

    levels.modMeterFresh = 0;
    bands.bandMeterHold[0] = 1;
    peaks.mod = 0.9f;
    bandPeak[2] = 0.3334f;  // slightly above: raised and held again
    publishMeters(levels, bands, peaks, bandPeak);
    EXPECT_FLOAT_EQ(levels.modMeter, 1.0f);
    EXPECT_EQ(levels.modMeterFresh, 0);
    EXPECT_EQ(bands.bandMeterHold[0], 3);
}
