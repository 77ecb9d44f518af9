// The view model: hit-testing, dirty marks, the frame's drawing and update,
// the editor base and its paced idle.
#include "support.h"

using namespace guitest;
namespace headless = tf::headless;

namespace {

// A view that fills its rectangle and records what happens to it.
class ProbeView : public CViewBase {
public:
    ProbeView(const CRect& r, std::vector<std::string>* out, std::string id, CColorRGB c = kRedCColor)
        : CViewBase(r), log(out), name(std::move(id)), colour(c) {}
    void draw(CPaintContext* context) override {
        ++draws;
        context->setFillColor(colour);
        CRect r = size;
        r.left -= 1, r.top -= 1;  // fillRect leaves the left column and top row
        context->fillRect(r);
    }
    void onMouseDown(CPaintContext*, CPoint where) override {
        log->push_back(name + "@" + std::to_string(where.x) + "," + std::to_string(where.y));
    }
    void loseFocus(CPaintContext*) override { log->push_back(name + " lost focus"); }
    bool onWheel(CPaintContext*, CPoint, float distance) override {
        log->push_back(name + " wheel " + std::to_string(int(distance)));
        return true;
    }
    std::vector<std::string>* log;
    std::string name;
    CColorRGB colour;
    int draws = 0;
};

// A value control that draws its value as a grey level.
class LevelControl : public CValueControl {
public:
    explicit LevelControl(const CRect& r) : CValueControl(r, nullptr, 0) {}
    void draw(CPaintContext* context) override {
        ++draws;
        const auto g = std::uint8_t(value * 255.0f);
        context->setFillColor(CColorRGB{g, g, g, 0});
        context->fillRect(CRect(size.left - 1, size.top - 1, size.right, size.bottom));
    }
    int draws = 0;
};

class ModelTest : public GuiTest {
protected:
    void press(CPoint where) {
        headless::pushMouse(tf::platform::kButtonLeft, where);
        headless::queueMouseDown(window(), where);
        tf::platform::processEvents(window());
    }
    std::vector<std::string> log;
};

}  // namespace

TEST_F(ModelTest, PressesReachTheLastAddedEnabledViewEdgesIncluded) {
    frame->addView(new ProbeView(CRect(10, 10, 50, 40), &log, "a"));
    frame->addView(new ProbeView(CRect(40, 30, 80, 60), &log, "b"));
    auto* disabled = new ProbeView(CRect(0, 0, 100, 100), &log, "off");
    disabled->setMouseEnabled(false);
    frame->addView(disabled);
    firstPaint();

    press(CPoint(50, 40));  // a's bottom-right corner, inside b too: b was added later
    press(CPoint(50, 20));  // a's right edge
    press(CPoint(10, 10));  // a's top-left corner
    press(CPoint(80, 60));  // b's bottom-right corner
    press(CPoint(81, 60));  // nothing but the disabled view
    press(CPoint(9, 10));
    EXPECT_EQ(log, (std::vector<std::string>{"b@50,40", "a@50,20", "a@10,10", "b@80,60"}));
}

TEST_F(ModelTest, WheelGoesToTheViewUnderThePointerEvenIfMouseDisabled) {
    auto* v = new ProbeView(CRect(10, 10, 50, 40), &log, "a");
    v->setMouseEnabled(false);
    frame->addView(v);
    headless::setPointer(CPoint(20, 20));
    EXPECT_TRUE(editor->onWheel(3.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"a wheel 3"}));
}

TEST_F(ModelTest, APressTakesTheFocusAwayFirst) {
    auto* a = new ProbeView(CRect(10, 10, 50, 40), &log, "a");
    auto* b = new ProbeView(CRect(60, 10, 90, 40), &log, "b");
    frame->addView(a);
    frame->addView(b);
    firstPaint();
    frame->setFocusView(a);
    frame->setFocusView(b);  // a loses it
    press(CPoint(20, 20));   // b loses it, then a gets the press
    EXPECT_EQ(log, (std::vector<std::string>{"a lost focus", "b lost focus", "a@20,20"}));
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(ModelTest, ValueControlIsDirtyWhileItsValueDiffersFromTheDrawnOne) {
    LevelControl c(CRect(0, 0, 10, 10));
    EXPECT_TRUE(c.isDirty());  // drawn value 1, value 0
    c.markDirty(false);
    EXPECT_FALSE(c.isDirty());
    EXPECT_EQ(c.getDrawnValue(), 0.0f);
    c.setValue(0.25f);
    EXPECT_TRUE(c.isDirty());
    c.markDirty(false);
    c.markDirty(true);
    EXPECT_TRUE(c.isDirty());
    EXPECT_EQ(c.getDrawnValue(), -1.0f);
    c.setValue(-1.0f);
    c.markDirty(true);
    EXPECT_EQ(c.getDrawnValue(), 0.0f);  // still differs from the value
    c.setValue(3.0f);
    c.clampValue();
    EXPECT_EQ(c.getValue(), 1.0f);
    c.setValue(std::numeric_limits<float>::quiet_NaN());
    c.clampValue();
    EXPECT_EQ(c.getValue(), 0.0f);
}

TEST_F(ModelTest, FrameIdleDrawsOnlyDirtyViewsAndOnlyAfterTheFirstPaint) {
    auto* a = new LevelControl(CRect(10, 10, 20, 20));
    auto* b = new LevelControl(CRect(30, 10, 40, 20));
    frame->addView(a);
    frame->addView(b);
    EXPECT_TRUE(frame->isFirstPaintPending());
    firstPaint();  // the window's first expose: a full draw
    EXPECT_FALSE(frame->isFirstPaintPending());
    EXPECT_EQ(a->draws, 1);
    // A full draw keeps the views' pending updates.
    EXPECT_TRUE(a->isDirty());
    frame->idle();  // the frame itself starts dirty: everything again, views still dirty
    frame->idle();  // now the views' own updates
    EXPECT_EQ(a->draws, 3);
    EXPECT_FALSE(a->isDirty());
    const int presents = headless::presentCount(window());
    frame->idle();  // nothing dirty: nothing drawn, nothing shown
    EXPECT_EQ(a->draws, 3);
    EXPECT_EQ(headless::presentCount(window()), presents);

    b->setValue(1.0f);
    a->setValue(0.5f);
    headless::queuePaint(window());
    firstPaint();  // an expose in between draws all and keeps both updates pending
    EXPECT_EQ(a->draws, 4);
    frame->idle();
    EXPECT_EQ(a->draws, 5);
    EXPECT_EQ(b->draws, 5);
    EXPECT_EQ(headless::presentCount(window()), presents + 2);  // one transfer per pass
    EXPECT_EQ(screenAt(35, 15), kWhite);
    EXPECT_EQ(screenAt(15, 15), 0x7f7f7fu);

    b->setValue(0.0f);
    frame->idle();
    EXPECT_EQ(a->draws, 5);
    EXPECT_EQ(b->draws, 6);
    EXPECT_EQ(screenAt(35, 15), kBlack);
}

TEST_F(ModelTest, NoUpdateBeforeTheFirstPaint) {
    CWindowFrame* f = new CWindowFrame(CRect(0, 0, 50, 50), &parentToken, nullptr);
    auto* v = new LevelControl(CRect(1, 1, 5, 5));
    f->addView(v);
    EXPECT_TRUE(f->isFirstPaintPending());
    tf::headless::destroyFromOutside(f->getWindow());
    f->idle();  // the window went away before it was ever painted
    EXPECT_FALSE(f->isOpen());
    EXPECT_EQ(v->draws, 0);
    f->release();
}

TEST_F(ModelTest, FullDrawPaintsBackgroundThenViewsInOrder) {
    CResBitmap* back = bitmapOf(bands(200, 60, {kGreen, kBlue}));
    frame->setBackground(back);
    back->release();
    frame->addView(new ProbeView(CRect(10, 10, 30, 30), &log, "a", kRedCColor));
    frame->addView(new ProbeView(CRect(20, 20, 40, 40), &log, "b", kWhiteCColor));
    firstPaint();
    EXPECT_EQ(screenAt(0, 0), kGreen);
    EXPECT_EQ(screenAt(100, 100), kBlue);
    EXPECT_EQ(screenAt(15, 15), kRed);
    EXPECT_EQ(screenAt(25, 25), kWhite);  // b over a
    // What the window shows is the frame's surface, pixel for pixel.
    const auto& screen = headless::screen(window());
    EXPECT_TRUE(std::equal(screen.data(), screen.data() + 200 * 120, frame->getSurface().data()));
}

TEST_F(ModelTest, ViewsAndBitmapsAreReleasedWithTheFrame) {
    CResBitmap* bitmap = bitmapOf(bands(4, 4, {kRed}));
    auto* knob = new CFilmstripKnob(CRect(0, 0, 4, 4), nullptr, 0, bitmap, 1, 4);
    EXPECT_EQ(bitmap->getRefCount(), 2);
    frame->addView(knob);
    knob->retain();
    EXPECT_TRUE(frame->removeView(knob));
    EXPECT_EQ(knob->getRefCount(), 1);
    EXPECT_EQ(knob->getFrame(), frame);  // removal does not forget the frame
    frame->addView(knob);
    frame->setBackground(bitmap);
    EXPECT_EQ(bitmap->getRefCount(), 3);
    editor->close();  // the frame releases its views and its background
    EXPECT_EQ(bitmap->getRefCount(), 1);
    bitmap->release();
    EXPECT_EQ(headless::liveWindows(), 0);
}

TEST_F(ModelTest, FrameWindowIsAChildOfTheHostWindowWithTheFrameSize) {
    EXPECT_EQ(headless::parentOf(window()), &parentToken);
    EXPECT_EQ(headless::screen(window()).width(), 200);
    EXPECT_EQ(headless::screen(window()).height(), 120);
    EXPECT_EQ(editor->getWidth(), 200);
    EXPECT_EQ(editor->getHeight(), 120);
}

TEST_F(ModelTest, AWindowDestroyedFromOutsideStopsIdleAndUpdates) {
    auto* a = new LevelControl(CRect(10, 10, 20, 20));
    frame->addView(a);
    firstPaint();
    headless::destroyFromOutside(window());
    frame->idle();
    EXPECT_FALSE(frame->isOpen());
    a->setValue(0.5f);
    const int draws = a->draws;
    frame->idle();
    CPaintContext context(frame);
    frame->redrawIfDirty(&context);
    EXPECT_EQ(a->draws, draws);
}

TEST_F(ModelTest, EditorBaseDefaults) {
    // The knob mode belongs to each editor: one host's setting reaches no other.
    TestEditor other(&effect, CRect(0, 0, 20, 20));
    EXPECT_EQ(editor->getKnobMode(), 0);
    editor->setKnobMode(CEditorBase::kKnobModeLinear);
    EXPECT_EQ(editor->getKnobMode(), CEditorBase::kKnobModeLinear);
    EXPECT_EQ(other.getKnobMode(), 0);
    EXPECT_EQ(editor->eventFileDescriptor(), -1);  // the headless binding has none

    editor->idle();  // open posted an update
    EXPECT_EQ(editor->updateCalls, 1);
    editor->idle();
    EXPECT_EQ(editor->updateCalls, 1);
    editor->setParameter(3, 0.5f);  // the base only posts an update
    editor->idle();
    EXPECT_EQ(editor->updateCalls, 2);
}

TEST_F(ModelTest, KeyStateByVirtualKeyCodeAndTicks) {
    headless::setKeyDown(tf::platform::Key::tab, true);
    headless::setKeyDown(tf::platform::Key::alt, true);
    EXPECT_TRUE(frame->isKeyDown(0x09));
    EXPECT_FALSE(frame->isKeyDown(0x10));
    EXPECT_FALSE(frame->isKeyDown(0x11));
    EXPECT_TRUE(frame->isKeyDown(0x12));
    EXPECT_FALSE(frame->isKeyDown(0));  // "NONE"
    EXPECT_FALSE(frame->isKeyDown(0x41));
    headless::setClock(1234);
    EXPECT_EQ(CEditorBase::getTicks(), 1234u);
    headless::destroyFromOutside(window());
    frame->idle();
    EXPECT_FALSE(frame->isKeyDown(0x09));
}

TEST_F(ModelTest, BeginAndEndEditReachTheEffect) {
    frame->beginEdit(7);
    frame->endEdit(7);
    ASSERT_EQ(effect.calls.size(), 2u);
    EXPECT_EQ(effect.calls[0].kind, 'b');
    EXPECT_EQ(effect.calls[1].kind, 'e');
    EXPECT_EQ(effect.calls[1].index, 7);
}

// ---- Paced idle -------------------------------------------------------------

TEST_F(ModelTest, PacedIdleSleepsWhenPassesComeFastAndCallsTheHostAboutEvery50ms) {
    // The editor was made at tick 0. Passes 1 ms apart: each sleeps 4 ms.
    for (int pass = 0; pass < 40; ++pass) {
        editor->doIdleStuff();
        headless::advanceClock(1);
    }
    EXPECT_EQ(headless::totalSlept(), 160u);  // 40 passes of 4 ms
    EXPECT_EQ(editor->idleCalls, 40);
    // Each pass takes 5 ms (1 + 4 slept): the host idle comes at the first pass
    // whose tick plus 4 reaches 50 ms after the last one.
    ASSERT_EQ(effect.hostIdleTicks.size(), 3u);
    EXPECT_EQ(effect.hostIdleTicks[0], 54u);  // the pass at 50, after its sleep
    EXPECT_EQ(effect.hostIdleTicks[1], 104u);
    EXPECT_EQ(effect.hostIdleTicks[2], 154u);
}

TEST_F(ModelTest, PacedIdleAfterALongPauseNeitherSleepsNorWaits) {
    headless::setClock(500);
    editor->doIdleStuff();
    EXPECT_EQ(headless::totalSlept(), 0u);
    ASSERT_EQ(effect.hostIdleTicks.size(), 1u);
    headless::setClock(560);  // 60 ms later: sleeps (under 100) but calls the host
    editor->doIdleStuff();
    EXPECT_EQ(headless::totalSlept(), 4u);
    EXPECT_EQ(effect.hostIdleTicks.size(), 2u);
    headless::setClock(600);  // 36 ms after the last host idle at 564
    editor->doIdleStuff();
    EXPECT_EQ(effect.hostIdleTicks.size(), 2u);
}

TEST_F(ModelTest, PacedIdleInAGestureDispatchesOnePendingPaintAndNoOtherEvent) {
    // A control whose press runs two paced idles far apart, as a drag does.
    struct Dragging : LevelControl {
        using LevelControl::LevelControl;
        void onMouseDown(CPaintContext*, CPoint) override {
            for (std::uint32_t t : {1000u, 2000u}) {
                headless::setClock(t);
                doIdleStuff();
                presentsSeen.push_back(headless::presentCount(getFrame()->getWindow()));
            }
        }
        std::vector<int> presentsSeen;
    };
    auto* d = new Dragging(CRect(10, 10, 20, 20));
    auto* other = new ProbeView(CRect(50, 50, 60, 60), &log, "other");
    frame->addView(d);
    frame->addView(other);
    firstPaint();
    editor->idle();
    editor->idle();
    const int presents = headless::presentCount(window());
    headless::queuePaint(window());
    headless::queuePaint(window());
    headless::queueMouseDown(window(), CPoint(55, 55));  // waits until the gesture ends
    headless::pushMouse(tf::platform::kButtonLeft, CPoint(15, 15));
    frame->onMouseDown(nullptr, CPoint(15, 15));
    EXPECT_EQ(d->presentsSeen, (std::vector<int>{presents + 1, presents + 2}));
    EXPECT_TRUE(log.empty());
    tf::platform::processEvents(window());
    EXPECT_EQ(log, (std::vector<std::string>{"other@55,55"}));
}

TEST_F(ModelTest, TheHostIdleCannotReenterTheEditorsIdle) {
    auto* a = new LevelControl(CRect(10, 10, 20, 20));
    frame->addView(a);
    firstPaint();
    editor->idle();
    editor->idle();
    const int draws = a->draws;
    const int updates = editor->updateCalls;
    effect.onHostIdle = [&] {
        // A host that calls the editor's idle from its idle callback.
        a->setValue(0.5f);
        editor->postUpdate();
        editor->idle();
        EXPECT_EQ(a->draws, draws);
        EXPECT_EQ(editor->updateCalls, updates);
    };
    headless::setClock(1000);
    editor->doIdleStuff();
    EXPECT_EQ(effect.hostIdleTicks.size(), 1u);
    effect.onHostIdle = nullptr;
    editor->idle();  // afterwards the idle runs again
    EXPECT_EQ(editor->updateCalls, updates + 1);
    EXPECT_EQ(a->draws, draws + 1);
}

TEST_F(ModelTest, AModalViewTakesPressesInsideItAndIsTheOnlyOneUpdated) {
    auto* under = new LevelControl(CRect(10, 10, 100, 100));
    frame->addView(under);
    ProbeView modal(CRect(20, 20, 40, 40), &log, "modal");
    frame->setModalView(&modal);
    firstPaint();
    EXPECT_EQ(modal.draws, 1);  // drawn after the views
    press(CPoint(30, 30));
    press(CPoint(60, 60));  // outside the modal view: nobody
    EXPECT_EQ(log, (std::vector<std::string>{"modal@30,30"}));
    under->setValue(0.5f);
    modal.markDirty(true);
    frame->idle();
    EXPECT_EQ(modal.draws, 2);
    EXPECT_EQ(under->draws, 1);
    frame->setModalView(nullptr);
}
