// The stock controls driven through the headless binding: scripted presses
// and drags through each tracking loop, and the pixels they draw.
#include <cmath>
#include <cstring>

#include "support.h"

using namespace guitest;
namespace headless = tf::headless;
namespace platform = tf::platform;

namespace {

constexpr unsigned kLeft = platform::kButtonLeft;
constexpr unsigned kRight = platform::kButtonRight;
constexpr unsigned kShift = platform::kModifierShift;
constexpr unsigned kCtrl = platform::kModifierControl;
constexpr unsigned kAlt = platform::kModifierAlt;

class ControlsTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        editor->setKnobMode(0);
    }
    void TearDown() override {
        editor->setKnobMode(0);
        GuiTest::TearDown();
    }
    // A press at points[0] moving through the rest with `buttons` held, then
    // released, delivered as the window would deliver it.
    void gesture(unsigned buttons, std::vector<CPoint> points) {
        headless::clearMouse();  // what the last gesture did not read
        for (const CPoint& p : points) headless::pushMouse(buttons, p);
        headless::pushMouse(0, points.back());
        headless::queueMouseDown(window(), points.front());
        platform::processEvents(window());
    }
    void click(unsigned buttons, CPoint where) { gesture(buttons, {where}); }
    // Knob-relative points of the test knob at (20, 20) with radius 20.
    static CPoint knobAt(int x, int y) { return CPoint(20 + x, 20 + y); }
    CRotaryKnob* addKnob(float value) {
        auto* k = new CRotaryKnob(CRect(20, 20, 60, 60), &listener, 9);
        k->setValue(value);
        k->markDirty(false);
        frame->addView(k);
        return k;
    }
    // A momentary button at (100, 20)-(121, 51), red when off and green when
    // on, in a frame painted once.
    CMomentaryButton* addMomentary(std::int32_t tag) {
        CResBitmap* images = bitmapOf(bands(21, 31, {kRed, kGreen}));
        auto* b = new CMomentaryButton(CRect(100, 20, 121, 51), &listener, tag, images, 31);
        images->release();
        frame->addView(b);
        firstPaint();
        return b;
    }
    std::string editCalls() const {
        std::string s;
        for (const auto& c : effect.calls) s += std::string(1, c.kind) + std::to_string(c.index) + " ";
        return s;
    }
};

}  // namespace

// ---- Knob -------------------------------------------------------------------

TEST_F(ControlsTest, KnobValueOfAPointRunsClockwiseWithTheGapSplitAtTheBottom) {
    CRotaryKnob* k = addKnob(0.0f);
    EXPECT_FLOAT_EQ(k->valueFromPoint(CPoint(20, 0)), 0.5f);          // top
    EXPECT_NEAR(k->valueFromPoint(CPoint(40, 20)), 1.0f - 45.0f / 270.0f, 1e-5);  // right
    EXPECT_NEAR(k->valueFromPoint(CPoint(0, 20)), 45.0f / 270.0f, 1e-5);          // left
    EXPECT_FLOAT_EQ(k->valueFromPoint(CPoint(0, 40)), 0.0f);          // lower left: the start
    EXPECT_FLOAT_EQ(k->valueFromPoint(CPoint(40, 40)), 1.0f);         // lower right: the end
    EXPECT_FLOAT_EQ(k->valueFromPoint(CPoint(20, 40)), 0.0f);         // straight down: minimum
    EXPECT_FLOAT_EQ(k->valueFromPoint(CPoint(21, 40)), 1.0f);         // just right of it: maximum
}

TEST_F(ControlsTest, CircularPressJumpsToTheAngleInsideBeginAndEndEdit) {
    CRotaryKnob* k = addKnob(0.2f);
    firstPaint();
    gesture(kLeft, {knobAt(20, 0), knobAt(40, 20)});
    EXPECT_EQ(listener.values.size(), 2u);
    EXPECT_FLOAT_EQ(listener.values[0], 0.5f);
    EXPECT_NEAR(k->getValue(), 1.0f - 45.0f / 270.0f, 1e-5);
    EXPECT_EQ(editCalls(), "b9 e9 ");
    EXPECT_EQ(headless::pendingMouseStates(), 0);
}

TEST_F(ControlsTest, CircularDragAcrossTheBottomGapStaysAtTheMaximum) {
    CRotaryKnob* k = addKnob(0.0f);
    firstPaint();
    gesture(kLeft, {knobAt(35, 35), knobAt(21, 39), knobAt(20, 40), knobAt(5, 35), knobAt(2, 30)});
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f}));  // no call while it stays put
    EXPECT_EQ(k->getValue(), 1.0f);
    // And back the other way from the minimum.
    listener.values.clear();
    gesture(kLeft, {knobAt(2, 38), knobAt(20, 40), knobAt(38, 38)});
    EXPECT_EQ(k->getValue(), 0.0f);
}

TEST_F(ControlsTest, LinearDragTakes200PixelsForTheRangeAnd300WithShift) {
    editor->setKnobMode(CEditorBase::kKnobModeLinear);
    CRotaryKnob* k = addKnob(0.2f);
    firstPaint();
    gesture(kLeft, {CPoint(40, 40), CPoint(90, 40)});  // 50 right
    EXPECT_NEAR(k->getValue(), 0.45f, 1e-5);
    gesture(kLeft, {CPoint(40, 40), CPoint(40, 0), CPoint(20, 0)});  // 40 up, then 20 left
    EXPECT_NEAR(k->getValue(), 0.55f, 1e-5);
    gesture(kLeft | kShift, {CPoint(40, 40), CPoint(10, 40)});  // 30 left, fine
    EXPECT_NEAR(k->getValue(), 0.45f, 1e-5);
    gesture(kLeft, {CPoint(40, 40), CPoint(400, 40)});  // far beyond: clamped
    EXPECT_EQ(k->getValue(), 1.0f);
    gesture(kLeft, {CPoint(40, 40), CPoint(40, 200), CPoint(40, 240)});  // 200 down: the whole range
    EXPECT_EQ(k->getValue(), 0.0f);
}

TEST_F(ControlsTest, LinearShiftChangeMidDragDoesNotJump) {
    editor->setKnobMode(CEditorBase::kKnobModeLinear);
    CRotaryKnob* k = addKnob(0.2f);
    firstPaint();
    headless::pushMouse(kLeft, CPoint(40, 40));
    headless::pushMouse(kLeft, CPoint(80, 40));            // d = 40: 0.4
    headless::pushMouse(kLeft | kShift, CPoint(110, 40));  // Shift comes with d = 70
    headless::pushMouse(kLeft | kShift, CPoint(140, 40));
    headless::pushMouse(0, CPoint(140, 40));
    headless::queueMouseDown(window(), CPoint(40, 40));
    platform::processEvents(window());
    // The switch keeps the value the old step gives at the switching position,
    // and moves 1/300 per pixel after it. (At d = 0 nothing changed: no call.)
    ASSERT_EQ(listener.values.size(), 3u);
    EXPECT_NEAR(listener.values[0], 0.4f, 1e-5);
    EXPECT_NEAR(listener.values[1], 0.55f, 1e-5);
    EXPECT_NEAR(listener.values[2], 0.65f, 1e-5);
    EXPECT_NEAR(k->getValue(), 0.65f, 1e-5);
}

TEST_F(ControlsTest, AltSwapsCircularAndLinear) {
    CRotaryKnob* k = addKnob(0.2f);
    firstPaint();
    gesture(kLeft | kAlt, {knobAt(20, 0), knobAt(30, 0)});  // mode 0 + Alt: linear, 10 right
    EXPECT_NEAR(k->getValue(), 0.25f, 1e-5);
    editor->setKnobMode(CEditorBase::kKnobModeLinear);
    gesture(kLeft | kAlt, {knobAt(20, 0)});  // mode 2 + Alt: circular
    EXPECT_FLOAT_EQ(k->getValue(), 0.5f);
}

TEST_F(ControlsTest, CtrlClickSetsTheDefaultAndTellsTheListenerOnce) {
    CRotaryKnob* k = addKnob(0.9f);
    firstPaint();
    click(kLeft | kCtrl, knobAt(5, 5));
    EXPECT_EQ(k->getValue(), 0.5f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f}));
    EXPECT_EQ(editCalls(), "");  // not a drag: no edit bracket
    click(kLeft | kCtrl, knobAt(5, 5));  // already at the default: not dirty, no call
    EXPECT_EQ(listener.values.size(), 1u);
    click(kLeft | kCtrl | kShift, knobAt(20, 0));  // not exactly left + Ctrl: a drag
    EXPECT_EQ(editCalls(), "b9 e9 ");
}

TEST_F(ControlsTest, KnobIgnoresOtherButtonsAndDisabledInput) {
    CRotaryKnob* k = addKnob(0.3f);
    firstPaint();
    click(kRight, knobAt(20, 0));
    EXPECT_EQ(k->getValue(), 0.3f);
    k->setMouseEnabled(false);
    click(kLeft, knobAt(20, 0));
    EXPECT_EQ(k->getValue(), 0.3f);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(ControlsTest, KnobWheelStepsByTheWheelStepAndATenthWithShift) {
    CRotaryKnob* k = addKnob(0.5f);
    CPaintContext context(frame);
    EXPECT_TRUE(k->onWheel(&context, knobAt(5, 5), 2.0f));
    EXPECT_NEAR(k->getValue(), 0.7f, 1e-6);
    headless::setKeyDown(platform::Key::shift, true);
    k->onWheel(&context, knobAt(5, 5), -1.0f);
    EXPECT_NEAR(k->getValue(), 0.69f, 1e-6);
    headless::setKeyDown(platform::Key::shift, false);
    k->onWheel(&context, knobAt(5, 5), 10.0f);
    EXPECT_EQ(k->getValue(), 1.0f);
    EXPECT_EQ(listener.values.size(), 3u);
}

TEST_F(ControlsTest, FilmstripShowsImageKFromKOverNMinusOne) {
    CResBitmap* strip = bitmapOf(tf::raster::Surface(44, 37 * 34));
    auto* k = new CFilmstripKnob(CRect(0, 0, 44, 34), nullptr, 0, strip, 37, 34);
    strip->release();
    frame->addView(k);
    auto offsetAt = [k](float v) {
        k->setValue(v);
        return k->stripOffset();
    };
    EXPECT_EQ(offsetAt(0.0f), 0);
    EXPECT_EQ(offsetAt(0.03f), 34);
    EXPECT_EQ(offsetAt(0.5f), 18 * 34);
    EXPECT_EQ(offsetAt(0.999f), 35 * 34);
    EXPECT_EQ(offsetAt(1.0f), 36 * 34);  // the last image only at 1
    EXPECT_EQ(offsetAt(-0.5f), 0);
    EXPECT_EQ(offsetAt(7.0f), 36 * 34);  // beyond the strip: the last image
    EXPECT_EQ(offsetAt(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(offsetAt(std::numeric_limits<float>::infinity()), 36 * 34);
}

TEST_F(ControlsTest, FilmstripDrawsTheImageOfItsValue) {
    CResBitmap* strip = bitmapOf(bands(10, 8, {kRed, kGreen, kBlue}));
    auto* k = new CFilmstripKnob(CRect(30, 30, 40, 38), nullptr, 0, strip, 3, 8);
    strip->release();
    frame->addView(k);
    firstPaint();
    EXPECT_EQ(screenAt(30, 30), kRed);
    k->setValue(0.5f);
    frame->idle();
    EXPECT_EQ(screenAt(30, 30), kGreen);
    EXPECT_EQ(screenAt(39, 37), kGreen);
    EXPECT_EQ(screenAt(40, 38), kBlack);
    k->setValue(1.0f);
    frame->idle();
    EXPECT_EQ(screenAt(35, 35), kBlue);
}

// ---- Buttons ----------------------------------------------------------------

TEST_F(ControlsTest, ToggleFlipsOnEachLeftClickAndDrawsAtOnce) {
    CResBitmap* images = bitmapOf(bands(21, 31, {kRed, kGreen}));
    auto* b = new CToggleButton(CRect(10, 60, 31, 91), &listener, 4101, images);
    images->release();
    listener.redraw = false;
    frame->addView(b);
    firstPaint();
    EXPECT_EQ(screenAt(15, 70), kRed);
    click(kLeft, CPoint(15, 70));
    EXPECT_EQ(b->getValue(), 1.0f);
    EXPECT_EQ(screenAt(15, 70), kGreen);  // drawn in the press, before any idle
    click(kLeft, CPoint(31, 91));         // the bottom-right corner counts
    EXPECT_EQ(b->getValue(), 0.0f);
    click(kRight, CPoint(15, 70));
    EXPECT_EQ(b->getValue(), 0.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
    b->setValue(0.7f);  // trunc(0.7) is 0: the next click turns it on
    click(kLeft, CPoint(15, 70));
    EXPECT_EQ(b->getValue(), 1.0f);
    EXPECT_EQ(editCalls(), "");
}

TEST_F(ControlsTest, MomentaryIsOnWhileHeldAndEndsOff) {
    CMomentaryButton* b = addMomentary(4);
    const CPoint in(110, 30);
    gesture(kLeft, {in});
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(editCalls(), "b4 e4 ");
    EXPECT_EQ(b->getValue(), 0.0f);
}

TEST_F(ControlsTest, MomentaryDraggedOutReportsOffThenOffAgain) {
    addMomentary(4);
    // Watch the screen while the button is held.
    std::vector<tf::raster::Pixel> seen;
    effect.onHostIdle = [&] { seen.push_back(screenAt(110, 30)); };
    headless::setClock(1000);
    gesture(kLeft, {CPoint(110, 30), CPoint(121, 51), CPoint(122, 51), CPoint(150, 60)});
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 0.0f}));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), kGreen);  // shown on while held inside
}

TEST_F(ControlsTest, MomentaryLoopRunsWhileAModifierIsHeld) {
    addMomentary(5);
    headless::pushMouse(kLeft, CPoint(110, 30));  // the press
    headless::pushMouse(kShift, CPoint(110, 30));  // button up, Shift still down
    headless::pushMouse(kShift, CPoint(110, 30));
    headless::pushMouse(0, CPoint(110, 30));
    headless::queueMouseDown(window(), CPoint(110, 30));
    platform::processEvents(window());
    EXPECT_EQ(headless::pendingMouseStates(), 0);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
}

// ---- Level meter ------------------------------------------------------------

TEST_F(ControlsTest, LevelMeterUncoversTheOnImageAndFallsByTheFallAmount) {
    CResBitmap* on = bitmapOf(bands(10, 6, {kGreen}));
    CResBitmap* off = bitmapOf(bands(10, 6, {kRed}));
    auto* m = new CLevelMeter(CRect(0, 100, 10, 106), nullptr, 0, on, off, 10);
    on->release();
    off->release();
    frame->addView(m);
    auto lit = [this] {
        int n = 0;
        for (int x = 0; x < 12; ++x) n += frame->getSurface().pixel(x, 103) == kGreen;
        return n;
    };
    m->setValue(1.0f);
    frame->redraw(m);
    EXPECT_EQ(lit(), 10);
    m->setFallAmount(0.25f);
    std::vector<int> fall;
    for (int i = 0; i < 5; ++i) {
        m->setValue(0.0f);  // as the editor sets it from its level at each pass
        frame->redraw(m);
        fall.push_back(lit());
    }
    EXPECT_EQ(fall, (std::vector<int>{8, 5, 3, 0, 0}));  // 0.75, 0.5, 0.25, 0
    EXPECT_EQ(frame->getSurface().pixel(9, 103), kRed);
    m->setFallAmount(1.0f);
    m->setValue(0.44f);
    frame->redraw(m);
    EXPECT_EQ(lit(), 4);
    m->setValue(0.0f);  // a fall of 1 drops at once
    frame->redraw(m);
    EXPECT_EQ(lit(), 0);
    m->setValue(5.0f);
    frame->redraw(m);
    EXPECT_EQ(m->getValue(), 1.0f);
}

// ---- Text -------------------------------------------------------------------

TEST_F(ControlsTest, TextDisplayDrawsABoxOutlineAndCentredText) {
    auto* t = new CTextDisplay(CRect(10, 10, 60, 25), nullptr, 0);
    t->setFont(6);
    t->setFontColor(kYellowCColor);
    t->setValueToText([](float v, char* text) { std::snprintf(text, kTextSize, "%d", int(v)); });
    t->setValue(88.0f);
    CResBitmap* back = bitmapOf(bands(200, 120, {kWhite}));
    frame->setBackground(back);
    back->release();
    frame->addView(t);
    firstPaint();
    EXPECT_EQ(screenAt(9, 9), kWhite);
    EXPECT_EQ(screenAt(10, 10), kBlack);  // outline through the corners
    EXPECT_EQ(screenAt(60, 25), kBlack);
    EXPECT_EQ(screenAt(61, 25), kWhite);
    int yellowish = 0, left = 100, right = -1;
    for (int y = 11; y < 25; ++y)
        for (int x = 11; x < 60; ++x)
            if (tf::raster::redOf(screenAt(x, y)) > 128 && tf::raster::blueOf(screenAt(x, y)) < 64) {
                ++yellowish;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GT(yellowish, 10);
    EXPECT_NEAR((left + right) / 2.0, 35.0, 2.0);
}

TEST_F(ControlsTest, TextFieldEditsInPlaceAndReportsOnlyAChange) {
    auto* f = new CTextField(CRect(20, 80, 47, 91), &listener, 4096, "12");
    f->setFont(6);
    f->setFontColor(kYellowCColor);
    frame->addView(f);
    firstPaint();

    headless::queueEdit({std::string("42"), headless::EditEnd::returnKey, {}});
    click(kLeft, CPoint(30, 85));
    ASSERT_EQ(headless::editBoxesShown().size(), 1u);
    const headless::ShownEditBox& shown = headless::editBoxesShown()[0];
    EXPECT_EQ(shown.box.area, CRect(20, 80, 47, 91));  // exactly over the control
    EXPECT_EQ(shown.initialText, "12");
    EXPECT_EQ(shown.box.font.pixelSize, 9);
    EXPECT_FALSE(shown.box.font.bold);
    EXPECT_EQ(shown.box.align, tf::raster::TextAlign::center);
    EXPECT_STREQ(f->getText(), "42");
    EXPECT_EQ(listener.values.size(), 1u);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_GT(headless::modalIdleCalls(), 0);

    headless::queueEdit({std::nullopt, headless::EditEnd::focusLost, {}});  // nothing typed
    click(kLeft, CPoint(30, 85));
    headless::queueEdit({std::string("42"), headless::EditEnd::returnKey, {}});  // same text again
    click(kLeft, CPoint(30, 85));
    EXPECT_EQ(listener.values.size(), 1u);
    EXPECT_EQ(headless::editBoxesShown().size(), 3u);

    click(kRight, CPoint(30, 85));  // only the left button edits
    f->setMouseEnabled(false);
    click(kLeft, CPoint(30, 85));
    EXPECT_EQ(headless::editBoxesShown().size(), 3u);
}

TEST_F(ControlsTest, AClickElsewhereClosesTheEditBoxFirstThenArrives) {
    auto* f = new CTextField(CRect(20, 80, 47, 91), &listener, 4096, "1");
    CResBitmap* images = bitmapOf(bands(21, 31, {kRed, kGreen}));
    auto* b = new CToggleButton(CRect(100, 60, 121, 91), &listener, 4101, images);
    images->release();
    frame->addView(f);
    frame->addView(b);
    firstPaint();
    headless::queueEdit({std::string("77"), headless::EditEnd::clickAt, CPoint(110, 70)});
    // The left button is down for both presses; nothing reads the location.
    headless::pushMouse(kLeft, CPoint(30, 85));
    headless::pushMouse(kLeft, CPoint(110, 70));
    headless::queueMouseDown(window(), CPoint(30, 85));
    platform::processEvents(window());
    EXPECT_STREQ(f->getText(), "77");
    EXPECT_EQ(b->getValue(), 1.0f);
    // The field's change was reported before the button's.
    EXPECT_EQ(listener.values, (std::vector<float>{0.0f, 1.0f}));
}

TEST_F(ControlsTest, TextFieldShowsItsDisplayConversion) {
    auto* f = new CTextField(CRect(20, 80, 47, 91), &listener, 4096, "123456789");
    static std::string lastShown;
    f->setTextToShown([](const char* text, char* shown) {
        std::snprintf(shown, kTextSize, "%.6s", text);
        lastShown = shown;
    });
    frame->addView(f);
    firstPaint();
    EXPECT_EQ(lastShown, "123456");
    std::string longText(400, 'x');
    f->setText(longText.c_str());
    EXPECT_EQ(std::strlen(f->getText()), 255u);
}

// ---- Popup list -------------------------------------------------------------

namespace {

CPopupList* makeList(RecordingListener* l) {
    auto* p = new CPopupList(CRect(120, 80, 168, 91), l, 7, nullptr, kCheckStyle);
    for (const char* e : {"SAW", "SQUARE", "-", "-GGREY", "-TTITLE", "PULSE"}) p->addEntry(e);
    return p;
}

}  // namespace

TEST_F(ControlsTest, PopupListShowsAllEntriesBelowItWithTheCurrentChecked) {
    CPopupList* p = makeList(&listener);
    frame->addView(p);
    firstPaint();
    EXPECT_EQ(p->getCurrent(), 0);  // the first entry added

    headless::queueMenuChoice(1);
    click(kLeft, CPoint(130, 85));
    ASSERT_EQ(headless::menusShown().size(), 1u);
    const headless::ShownMenu& m = headless::menusShown()[0];
    EXPECT_EQ(m.where, CPoint(120, 91));  // the control's bottom-left corner
    ASSERT_EQ(m.entries.size(), 6u);
    EXPECT_EQ(m.entries[0].text, "SAW");
    EXPECT_EQ(m.entries[0].flags, platform::kMenuChecked);
    EXPECT_EQ(m.entries[1].flags, 0u);
    EXPECT_EQ(m.entries[2].flags, platform::kMenuSeparator);
    EXPECT_EQ(m.entries[3].text, "GREY");
    EXPECT_EQ(m.entries[3].flags, platform::kMenuGreyed);
    EXPECT_EQ(m.entries[4].text, "TITLE");
    EXPECT_EQ(m.entries[4].flags, platform::kMenuDisabled);
    EXPECT_EQ(p->getCurrent(), 1);
    EXPECT_EQ(p->getValue(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f}));
    EXPECT_EQ(frame->getFocusView(), nullptr);

    click(kRight, CPoint(130, 85));  // the right button opens it too; dismissed
    ASSERT_EQ(headless::menusShown().size(), 2u);
    int checked = 0;
    for (const auto& e : headless::menusShown()[1].entries) checked += (e.flags & platform::kMenuChecked) != 0;
    EXPECT_EQ(checked, 1);
    EXPECT_NE(headless::menusShown()[1].entries[1].flags & platform::kMenuChecked, 0u);
    EXPECT_EQ(p->getCurrent(), 1);
    EXPECT_EQ(listener.values.size(), 1u);

    headless::queueMenuChoice(3);  // greyed: cannot be chosen
    click(kLeft, CPoint(130, 85));
    EXPECT_EQ(p->getCurrent(), 1);
    EXPECT_EQ(listener.values.size(), 1u);

    p->setMouseEnabled(false);
    click(kLeft, CPoint(130, 85));
    EXPECT_EQ(headless::menusShown().size(), 3u);
}

TEST_F(ControlsTest, PopupListDismissedWithoutAChoiceRedrawsNothing) {
    CPopupList* p = makeList(&listener);
    frame->addView(p);
    firstPaint();
    editor->idle();
    editor->idle();
    const int presents = headless::presentCount(window());
    click(kLeft, CPoint(130, 85));
    EXPECT_EQ(headless::presentCount(window()), presents);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(ControlsTest, PopupListSetCurrentDirectAndCounted) {
    CPopupList* p = makeList(&listener);
    frame->addView(p);
    p->markDirty(false);
    EXPECT_TRUE(p->setCurrent(5));
    EXPECT_TRUE(p->isDirty());
    EXPECT_FALSE(p->setCurrent(2));  // a separator
    EXPECT_FALSE(p->setCurrent(6));
    EXPECT_FALSE(p->setCurrent(-1));
    EXPECT_EQ(p->getCurrent(), 5);
    EXPECT_TRUE(p->setCurrent(2, false));  // SAW, SQUARE, GREY: the third choosable is GREY
    EXPECT_EQ(p->getCurrent(), 3);
    EXPECT_TRUE(p->setCurrent(3, false));
    EXPECT_EQ(p->getCurrent(), 5);
    EXPECT_FALSE(p->setCurrent(4, false));
}

TEST_F(ControlsTest, PopupListHoldsAtMost1024EntriesAndBreaksColumnsOnlyForShortLists) {
    auto* p = new CPopupList(CRect(120, 80, 168, 91), &listener, 7);
    frame->addView(p);
    EXPECT_EQ(p->getCurrent(), -1);
    for (int i = 0; i < 1024; ++i) ASSERT_TRUE(p->addEntry(std::to_string(i).c_str()));
    EXPECT_FALSE(p->addEntry("one too many"));
    EXPECT_EQ(p->getNbEntries(), 1024);
    EXPECT_TRUE(p->setCurrent(1023));
    EXPECT_FALSE(p->setCurrent(1024));
    p->setColumnLength(10);
    click(kLeft, CPoint(130, 85));
    for (const auto& e : headless::menusShown().back().entries)
        EXPECT_EQ(e.flags & platform::kMenuColumnBreak, 0u);  // 1024 entries: one column

    p->removeAllEntries();
    for (int i = 0; i < 25; ++i) p->addEntry("x");
    click(kLeft, CPoint(130, 85));
    const auto& entries = headless::menusShown().back().entries;
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ((entries[std::size_t(i)].flags & platform::kMenuColumnBreak) != 0, i == 10 || i == 20) << i;
}

TEST_F(ControlsTest, EmptyPopupListDrawsNothing) {
    auto* p = new CPopupList(CRect(120, 80, 168, 91), &listener, 7);
    frame->addView(p);
    firstPaint();
    EXPECT_EQ(screenAt(120, 80), kBlack);
    EXPECT_EQ(screenAt(168, 91), kBlack);
    p->setBackColor(kWhiteCColor);
    p->addEntry("NONE");
    p->markDirty(true);
    frame->idle();
    EXPECT_EQ(screenAt(130, 82), kWhite);
}

// ---- The editor closed from inside the host's idle ------------------------
// A host may answer the idle that a drag, an edit or an open menu calls with
// effEditClose. The window goes at once; the gesture ends without touching
// freed controls (the sanitizer run checks) and without acting further.

namespace {

class ClosedDuringGesture : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        headless::setClock(1000);  // long after the editor's last pacing tick: the host's idle runs at once
        effect.onHostIdle = [this] {
            ++hostIdles;
            editor->close();
        };
    }
    int hostIdles = 0;
};

}  // namespace

TEST_F(ClosedDuringGesture, AKnobDragEndsItsEditAndStopsMoving) {
    CRotaryKnob* k = addKnob(0.2f);
    k->retain();  // to look at it after its frame is gone
    firstPaint();
    gesture(kLeft, {knobAt(20, 0), knobAt(40, 20), knobAt(40, 40), knobAt(0, 40)});
    EXPECT_EQ(hostIdles, 1);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(headless::liveWindows(), 0);
    EXPECT_EQ(editCalls(), "b9 e9 ");
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f}));  // only the press, before the close
    EXPECT_EQ(k->getRefCount(), 1);  // the frame let go of it
    k->release();
    headless::clearMouse();
}

TEST_F(ClosedDuringGesture, AMomentaryButtonStillEndsOff) {
    addMomentary(4);
    gesture(kLeft, {CPoint(110, 30), CPoint(111, 30), CPoint(112, 30)});
    EXPECT_EQ(hostIdles, 1);
    EXPECT_EQ(editCalls(), "b4 e4 ");
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
    headless::clearMouse();
}

TEST_F(ClosedDuringGesture, AnOpenEditBoxDropsItsText) {
    frame->addView(new CTextField(CRect(20, 80, 47, 91), &listener, 4096, "12"));
    firstPaint();
    headless::queueEdit({std::string("42"), headless::EditEnd::returnKey, {}});
    click(kLeft, CPoint(30, 85));
    EXPECT_EQ(hostIdles, 1);
    EXPECT_TRUE(listener.values.empty());
    EXPECT_EQ(headless::liveWindows(), 0);
}

TEST_F(ClosedDuringGesture, AnOpenMenuChoosesNothing) {
    frame->addView(makeList(&listener));
    firstPaint();
    headless::queueMenuChoice(1);
    click(kLeft, CPoint(130, 85));
    EXPECT_EQ(hostIdles, 1);
    EXPECT_TRUE(listener.values.empty());
    EXPECT_EQ(headless::liveWindows(), 0);
}

TEST_F(ClosedDuringGesture, TheEditorOpensAgainAfterwards) {
    addKnob(0.5f);
    firstPaint();
    gesture(kLeft, {knobAt(20, 0), knobAt(40, 20)});
    effect.onHostIdle = nullptr;
    editor->open(&parentToken);
    ASSERT_NE(editor->getFrame(), nullptr);
    EXPECT_TRUE(editor->getFrame()->isOpen());
    EXPECT_EQ(headless::liveWindows(), 1);
    headless::clearMouse();
}
