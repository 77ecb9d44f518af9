// The editor's own controls on the open panel: the chord keyboard, the band
// sliders and the spectrum display.
#include <cmath>
#include <limits>

#include "editor/keyboard.h"
#include "editor/sliders.h"
#include "editor/spectrum.h"
#include "fixture.h"

using namespace editortest;
namespace headless = tf::headless;
namespace platform = tf::platform;

namespace {

constexpr unsigned kLeft = platform::kButtonLeft;
constexpr unsigned kRight = platform::kButtonRight;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class PanelControls : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        openEditor();
    }
};

// ---- Keyboard -------------------------------------------------------------

class Keyboard : public PanelControls {
protected:
    // A click at a keyboard-local point.
    void press(int dx, int dy) { click({layout::kKeyboard.left + dx, layout::kKeyboard.top + dy}); }
    void pressKey(int key) {
        const CPoint d = CKeyboardBitmap::dotPosition(key);
        press(d.x + 5, d.y < 41 ? 30 : 50);
    }
    float level(int osc) { return param(kOscLevelParams[std::size_t(osc)]); }
    float pitch(int osc) { return param(kOscPitchParams[std::size_t(osc)]); }
    // The innermost blue of a dot at the key's position on the screen.
    bool dotShown(int key) {
        const CPoint d = CKeyboardBitmap::dotPosition(key);
        return screenAt(layout::kKeyboard.left + d.x + 5, layout::kKeyboard.top + d.y + 5) == 0x0000c0;
    }
};

}  // namespace

TEST(KeyboardKeys, HitTablesFollowTheKeysWithBoundsExcluded) {
    EXPECT_EQ(CKeyboardBitmap::keyAt({12, 41}), 1);    // row 41: the black keys' band
    EXPECT_EQ(CKeyboardBitmap::keyAt({13, 41}), -1);   // lo < x < hi
    EXPECT_EQ(CKeyboardBitmap::keyAt({6, 0}), -1);
    EXPECT_EQ(CKeyboardBitmap::keyAt({7, 0}), 1);
    EXPECT_EQ(CKeyboardBitmap::keyAt({5, 42}), 0);     // row 42: white keys by column
    EXPECT_EQ(CKeyboardBitmap::keyAt({12, 42}), 2);
    EXPECT_EQ(CKeyboardBitmap::keyAt({150, 62}), 24);
    EXPECT_EQ(CKeyboardBitmap::keyAt({151, 62}), 24);  // the right edge still hits the last key
    EXPECT_EQ(CKeyboardBitmap::keyAt({30, 20}), -1);   // the upper part of a white key
    const int white[] = {0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19, 21, 23, 24};
    for (int w = 0; w < 15; ++w) EXPECT_EQ(CKeyboardBitmap::keyAt({10 * w + 5, 50}), white[w]) << w;
    const int lo[] = {6, 19, 35, 47, 59, 76, 88, 105, 117, 128};
    const int hi[] = {13, 26, 43, 54, 66, 83, 95, 112, 124, 135};
    const int black[] = {1, 3, 6, 8, 10, 13, 15, 18, 20, 22};
    for (int b = 0; b < 10; ++b) {
        EXPECT_EQ(CKeyboardBitmap::keyAt({lo[b] + 1, 10}), black[b]) << b;
        EXPECT_EQ(CKeyboardBitmap::keyAt({hi[b] - 1, 10}), black[b]) << b;
    }
}

TEST(KeyboardKeys, APitchNamesTheKeyItRoundsToAndNoKeyPastTheLast) {
    EXPECT_EQ(CKeyboardBitmap::keyOfPitch(0.0f), 0);
    EXPECT_EQ(CKeyboardBitmap::keyOfPitch(7 * 0.04f), 7);
    EXPECT_EQ(CKeyboardBitmap::keyOfPitch(0.97f), 24);
    EXPECT_EQ(CKeyboardBitmap::keyOfPitch(-0.03f), 0);  // trunc(-0.25): toward zero
    EXPECT_EQ(CKeyboardBitmap::keyOfPitch(kNaN), 0);    // NaN counts as 0
    for (float p : {0.98f, 1.0f, 40.0f, -0.1f, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(CKeyboardBitmap::keyOfPitch(p), -1) << p;
    const int dotX[] = {0, 4, 10, 16, 20, 30, 33, 40, 45, 50, 57, 60, 70, 74, 80, 86, 90, 100, 103, 110, 115, 120, 127, 130, 140};
    for (int k = 0; k < 25; ++k) {
        EXPECT_EQ(CKeyboardBitmap::dotPosition(k).x, dotX[k]) << k;
        const bool blackKey = k % 12 == 1 || k % 12 == 3 || k % 12 == 6 || k % 12 == 8 || k % 12 == 10;
        EXPECT_EQ(CKeyboardBitmap::dotPosition(k).y, blackKey ? 20 : 45) << k;
    }
}

TEST_F(Keyboard, AClickPutsTheFirstSilentOscillatorOnTheKeyAndAnotherTakesItOff) {
    for (int osc = 0; osc < 6; ++osc) setParam(kOscLevelParams[std::size_t(osc)], 0.0f);
    idle();
    pressKey(7);
    EXPECT_EQ(pitch(0), 7 * 0.04f);
    EXPECT_EQ(level(0), 1.0f);
    EXPECT_TRUE(dotShown(7));
    EXPECT_TRUE(take('a').empty());  // not told to the host as automation
    pressKey(7);
    EXPECT_EQ(level(0), 0.0f);
    EXPECT_EQ(pitch(0), 7 * 0.04f);  // left where it was
    EXPECT_FALSE(dotShown(7));

    setParam(kO1Level, 0.5f);
    setParam(kO3Level, 0.001f);  // tiny, but sounding
    pressKey(13);
    EXPECT_EQ(level(1), 1.0f);
    EXPECT_EQ(pitch(1), 13 * 0.04f);
    idle();
    EXPECT_TRUE(dotShown(13));
    EXPECT_TRUE(dotShown(CKeyboardBitmap::keyOfPitch(pitch(2))));  // the tiny level shows too
}

TEST_F(Keyboard, SixSoundingOscillatorsTakeNoMoreAndAMissLeavesAllAlone) {
    for (int osc = 0; osc < 6; ++osc) {
        setParam(kOscPitchParams[std::size_t(osc)], float(osc) * 0.04f);
        setParam(kOscLevelParams[std::size_t(osc)], 1.0f);
    }
    pressKey(20);
    press(30, 20);  // the upper part of a white key: no key
    for (int osc = 0; osc < 6; ++osc) {
        EXPECT_EQ(level(osc), 1.0f);
        EXPECT_EQ(pitch(osc), float(osc) * 0.04f);
    }
}

TEST_F(Keyboard, APitchWithNoKeyDrawsNoDotButStillSounds) {
    for (int osc = 0; osc < 6; ++osc) setParam(kOscLevelParams[std::size_t(osc)], 0.0f);
    setParam(kO1Freq, 0.99f);  // rounds to 25: no key
    setParam(kO1Level, 1.0f);
    setParam(kO2Offset, kNaN);
    setParam(kO2Level, 1.0f);
    idle();
    pressKey(24);  // oscillators 0 and 1 sound: the new note goes to 2
    EXPECT_EQ(level(2), 1.0f);
    EXPECT_EQ(pitch(2), 24 * 0.04f);
    EXPECT_EQ(param(kO1Freq), 0.99f);
    EXPECT_TRUE(dotShown(0));  // NaN counts as the lowest key
}

// ---- Band sliders ---------------------------------------------------------

namespace {

class Sliders : public PanelControls {
protected:
    CPoint at(int dx, int dy) const { return {layout::kSliders.left + dx, layout::kSliders.top + dy}; }
    float band(int b) { return param(kBand1 + b); }
};

constexpr float kStep = 1.0f / 66.0f;

}  // namespace

TEST_F(Sliders, AClickSetsTheBandUnderItToTheRowsLevel) {
    click(at(0, 0));
    EXPECT_EQ(band(0), 66 * kStep);
    EXPECT_FLOAT_EQ(band(0), 1.0f);
    click(at(599, 75));
    EXPECT_EQ(band(49), 0.0f);
    click(at(12 * 10 + 3, 38));
    EXPECT_EQ(band(10), 33 * kStep);
    EXPECT_TRUE(take('a').empty());  // not told to the host as automation
}

TEST_F(Sliders, AFastDragWritesOnlyTheBandsItWasSeenAt) {
    for (int b = 0; b < 50; ++b) setParam(kBand1 + b, 0.5f);
    gesture(kLeft, at(2, 71), {at(300, 71), at(598, 71)});
    EXPECT_EQ(band(0), 0.0f);
    EXPECT_EQ(band(25), 0.0f);
    EXPECT_EQ(band(49), 0.0f);
    for (int b : {1, 24, 26, 48}) EXPECT_EQ(band(b), 0.5f) << b;
    gesture(kLeft, at(590, 40), {at(700, -40)});  // beyond the edges: the nearest band and level
    EXPECT_EQ(band(49), 1.0f);
}

TEST_F(Sliders, TheRightButtonSnapsToThreeLevelsByStep) {
    click(at(5, 24), kRight);  // m = 47
    EXPECT_EQ(band(0), 0.5f);
    click(at(5, 23), kRight);  // m = 48
    EXPECT_EQ(band(0), 1.0f);
    click(at(5, 46), kRight);  // m = 25
    EXPECT_EQ(band(0), 0.0f);
}

TEST_F(Sliders, ShiftMovesEveryBandAndShiftRightSnapsThemByRow) {
    headless::setKeyDown(platform::Key::shift, true);
    for (auto [dy, v] : {std::pair{25, 1.0f}, {26, 0.5f}, {48, 0.0f}}) {
        click(at(100, dy), kRight);
        for (int b = 0; b < 50; ++b) ASSERT_EQ(band(b), v) << dy << " " << b;
    }
    gesture(kLeft, at(40, 71), {at(400, 38), at(200, 5)});
    for (int b = 0; b < 50; ++b) ASSERT_EQ(band(b), 66 * kStep) << b;
    headless::setKeyDown(platform::Key::shift, false);
}

TEST(SliderImages, ALevelShowsTheImageOfItsNearestStep) {
    EXPECT_EQ(CSliders::imageOf(1.0f), 66);
    EXPECT_EQ(CSliders::imageOf(0.0f), 0);
    EXPECT_EQ(CSliders::imageOf(0.5f), 33);
    EXPECT_EQ(CSliders::imageOf(33 * kStep), 33);
    for (float v : {5.0f, 1e30f}) EXPECT_EQ(CSliders::imageOf(v), 66);
    for (float v : {-1.0f, -1e30f, kNaN}) EXPECT_EQ(CSliders::imageOf(v), 0);
}

// ---- Spectrum -------------------------------------------------------------

TEST(SpectrumBars, RowsFollowTheLevelUpToFullHeight) {
    EXPECT_EQ(CSpectrumAnlyzer::barRows(1.0f), 56);
    EXPECT_EQ(CSpectrumAnlyzer::barRows(5.0f), 56);
    EXPECT_EQ(CSpectrumAnlyzer::barRows(0.5f), 28);
    EXPECT_EQ(CSpectrumAnlyzer::barRows(0.009f), 1);
    EXPECT_EQ(CSpectrumAnlyzer::barRows(0.008f), 0);
    for (float v : {-0.5f, -std::numeric_limits<float>::infinity(), kNaN}) EXPECT_EQ(CSpectrumAnlyzer::barRows(v), 0);
    EXPECT_EQ(CSpectrumAnlyzer::barRows(std::numeric_limits<float>::infinity()), 56);
}

TEST_F(PanelControls, SpectrumBarsAreCyanColumnsGrowingFromRow57) {
    BandMeterRecord& b = controller.bandMeters();
    b.bandMeter[0] = 1.0f;
    b.bandMeter[1] = 0.5f;
    b.bandMeter[2] = -0.5f;
    b.bandMeter[49] = 5.0f;
    for (int i = 0; i < 50; ++i) b.bandMeterHold[i] = 3;
    idle();
    const CRect s = layout::kSpectrum;
    auto cyan = [&](int x, int y) { return screenAt(s.left + x, s.top + y) == 0x00ffff; };
    // Bar 0: columns 4..10, rows 2..57.
    EXPECT_TRUE(cyan(4, 2));
    EXPECT_TRUE(cyan(10, 57));
    EXPECT_FALSE(cyan(3, 30));
    EXPECT_FALSE(cyan(11, 30));
    EXPECT_FALSE(cyan(4, 1));
    EXPECT_FALSE(cyan(4, 58));
    // Bar 1: 28 rows, 30..57.
    EXPECT_TRUE(cyan(16, 30));
    EXPECT_FALSE(cyan(16, 29));
    // Bar 2: negative, nothing.
    for (int y = 0; y < 59; ++y) EXPECT_FALSE(cyan(30, y)) << y;
    // Bar 49 ends at column 598.
    EXPECT_TRUE(cyan(598, 2));
    EXPECT_FALSE(cyan(599, 2));
}
