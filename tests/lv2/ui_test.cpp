// The LV2 UI module on a real X server, loaded and driven as a host does:
// embedded in a host window, port events shown at once and equal to the
// headless editor's drawing, clicks turned into port writes inside touch
// gestures, meters raised from the DSP's messages and falling again, the
// sustain pedal's freeze shown, and 200 open/close cycles.
#include <gtest/gtest.h>

#include <vector>

#include "editor/keyboard.h"
#include "editor/layout.h"
#include "gui/platform/raster/png.h"
#include "plugin/lv2/ports.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui-x11/xsession.h"
#include "tests/lv2/lv2host.h"

namespace {

using editortest::centreOf;
using editortest::headlessPanel;
using lv2test::UiHost;
using tf::xtest::XSession;
using namespace tf::lv2;

constexpr int kWidth = 640;
constexpr int kHeight = 385;

class Lv2Ui : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << "no X display with XTest";
        ASSERT_TRUE(ui.open(session.parent()));
        ASSERT_NE(ui.widget(), 0u);
        // A host sends every control port's value once the UI is there.
        for (const ParameterInfo& p : kParameters) ui.portEvent(std::uint32_t(p.index), ports[std::size_t(p.index)]);
    }
    // The port values as parameter values, as the headless editor draws them.
    std::vector<float> values() const {
        std::vector<float> v;
        for (const ParameterInfo& p : kParameters) v.push_back(parameterValueOf(p.index, ports[std::size_t(p.index)]));
        return v;
    }
    void port(std::int32_t index, float value) {
        ports[std::size_t(index)] = value;
        ui.portEvent(std::uint32_t(index), value);
    }
    tf::raster::Surface shown() { return session.grab(ui.widget(), CRect(0, 0, kWidth, kHeight)); }
    // Idles the UI as a host does until it shows `expected`.
    long differenceFrom(const tf::raster::Surface& expected, int timeoutMs = 3000) {
        tf::xtest::waitFor([&] { return tf::xtest::differingPixels(shown(), expected) == 0; }, [&] { ui.idle(); },
                           timeoutMs);
        return tf::xtest::differingPixels(shown(), expected);
    }
    std::vector<UiHost::Write> floatWrites() const {
        std::vector<UiHost::Write> w;
        for (const UiHost::Write& x : ui.writes)
            if (x.format == 0) w.push_back(x);
        return w;
    }

    static std::vector<float> defaults() {
        std::vector<float> v;
        for (const ParameterInfo& p : kParameters) v.push_back(portRange(p.index).defaultValue);
        v[kOctave] = 1;  // a session's values, not the defaults
        v[kFormant] = -4;
        v[kO1Level] = 1.0f;
        v[kO1Freq] = 7;
        v[kBand1 + 10] = 0.2f;
        v[kWaveform] = 3;
        return v;
    }

    lv2test::Bundle bundle;
    XSession session{kWidth, kHeight};
    UiHost ui{bundle};
    std::vector<float> ports = defaults();
};

TEST_F(Lv2Ui, ShowsTheHostsValuesAsTheHeadlessEditorDrawsThem) {
    EXPECT_EQ(ui.resizedWidth, kWidth);
    EXPECT_EQ(ui.resizedHeight, kHeight);
    EXPECT_EQ(session.childWindow(), ui.widget());
    EXPECT_EQ(differenceFrom(headlessPanel(values())), 0);
    tf::raster::writePng(shown(), std::string(TF_ARTEFACT_DIR) + "/lv2-ui.png");
    // A host's own change shows at once; none of it goes back to the host.
    port(kOctave, -1);
    port(kBand1 + 3, 1.0f);
    port(kFreezeKey, 5);
    EXPECT_EQ(differenceFrom(headlessPanel(values())), 0);
    EXPECT_TRUE(floatWrites().empty());
    // The UI asked the DSP for meters as it opened.
    ASSERT_FALSE(ui.writes.empty());
    EXPECT_EQ(ui.writes[0].port, std::uint32_t(kMidiPort));
    EXPECT_EQ(ui.writes[0].type, kMeterRequestUri);
}

TEST_F(Lv2Ui, ClicksBecomePortWritesInsideTouchGestures) {
    session.click(centreOf(layout::kOctaveButtons[0]), ui.widget());
    ASSERT_TRUE(tf::xtest::waitFor([&] { return !floatWrites().empty(); }, [&] { ui.idle(); }));
    ASSERT_EQ(floatWrites().size(), 1u);
    EXPECT_EQ(floatWrites()[0].port, std::uint32_t(kOctave));
    EXPECT_EQ(floatWrites()[0].value, -1.0f);  // the port's step, not the parameter's value
    ASSERT_EQ(ui.touches.size(), 2u);
    EXPECT_EQ(ui.touches[0].port, std::uint32_t(kOctave));
    EXPECT_TRUE(ui.touches[0].grabbed);
    EXPECT_FALSE(ui.touches[1].grabbed);

    // The keyboard sets its parameters without a gesture, as in VST 2.
    ui.writes.clear();
    ui.touches.clear();
    const CPoint key = CKeyboardBitmap::dotPosition(4);
    session.click({layout::kKeyboard.left + key.x + 5, layout::kKeyboard.top + 50}, ui.widget());
    ASSERT_TRUE(tf::xtest::waitFor([&] { return floatWrites().size() >= 2; }, [&] { ui.idle(); }));
    EXPECT_TRUE(ui.touches.empty());
    bool keyWritten = false;
    for (const UiHost::Write& w : floatWrites()) keyWritten |= w.value == 4.0f && w.port >= kO2Offset && w.port <= kO6Offset;
    EXPECT_TRUE(keyWritten);

    // The window shows the edits, as the headless editor does with the same values.
    for (const UiHost::Write& w : floatWrites()) ports[w.port] = w.value;
    ports[kOctave] = -1;
    EXPECT_EQ(differenceFrom(headlessPanel(values())), 0);
}

TEST_F(Lv2Ui, WithoutTouchTheWritesStillGo) {
    ui.close();
    ASSERT_TRUE(ui.open(session.parent(), false));
    session.click(centreOf(layout::kSourceButtons[1]), ui.widget());
    ASSERT_TRUE(tf::xtest::waitFor([&] { return !floatWrites().empty(); }, [&] { ui.idle(); }));
    EXPECT_EQ(floatWrites()[0].port, std::uint32_t(kSource));
    EXPECT_EQ(floatWrites()[0].value, 1.0f);
    EXPECT_TRUE(ui.touches.empty());
}

TEST_F(Lv2Ui, MetersRiseFromTheDspsMessagesAndFallAgain) {
    const tf::raster::Surface still = headlessPanel(values());
    ASSERT_EQ(differenceFrom(still), 0);
    std::vector<float> meters(kNumMeterValues, 0.4f);
    const auto metersShown = [&] {
        const tf::raster::Surface s = shown();
        long lit = 0;
        for (const CRect& r : layout::kMeters)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) lit += s.pixel(x, y) != still.pixel(x, y);
        return lit;
    };
    ui.meters(meters);
    ASSERT_TRUE(tf::xtest::waitFor([&] { return metersShown() > 0; }, [&] { ui.idle(); }));
    // The spectrum moved too.
    const tf::raster::Surface s = shown();
    long spectrum = 0;
    for (int y = layout::kSpectrum.top; y < layout::kSpectrum.bottom; ++y)
        for (int x = layout::kSpectrum.left; x < layout::kSpectrum.right; ++x) spectrum += s.pixel(x, y) != still.pixel(x, y);
    EXPECT_GT(spectrum, 0);
    // With no more messages they fall back to nothing, at the editor's pace
    // (a thirtieth of a second per step, 26 steps).
    EXPECT_EQ(differenceFrom(still, 15000), 0);
    // A UI that stays open asks again, twice a second.
    ui.writes.clear();
    tf::xtest::waitFor([&] { return !ui.writes.empty(); }, [&] { ui.idle(); }, 1500);
    ASSERT_FALSE(ui.writes.empty());
    EXPECT_EQ(ui.writes[0].type, kMeterRequestUri);
}

TEST_F(Lv2Ui, TheSustainPedalsFreezeFromTheDspShows) {
    ui.parameterChange(kFreeze, 1.0f);
    std::vector<float> v = values();
    v[kFreeze] = 1.0f;
    EXPECT_EQ(differenceFrom(headlessPanel(v)), 0);
    EXPECT_TRUE(floatWrites().empty());  // the host's port is not written
    ui.parameterChange(kFreeze, 0.0f);
    EXPECT_EQ(differenceFrom(headlessPanel(values())), 0);
}

// Under LeakSanitizer in the sanitizer build: nothing may be left over.
TEST_F(Lv2Ui, TwoHundredOpenCloseCycles) {
    for (int i = 0; i < 200; ++i) {
        ui.close();
        ASSERT_TRUE(ui.open(session.parent())) << i;
        ui.portEvent(kTune, 3);
        ui.idle();
    }
    ui.close();
    EXPECT_EQ(session.childWindow(), 0u);
}

TEST(Lv2UiRefusal, NoParentOrAnotherPluginIsRefused) {
    lv2test::Bundle bundle;
    UiHost ui(bundle);
    EXPECT_FALSE(ui.open(0));
}

}  // namespace
