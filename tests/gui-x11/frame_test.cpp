// The toolkit's frame in a child window of a stand-in host window on a real
// X server: what it shows equals the headless rendering of the same views,
// and a click, a knob drag, typing and a popup choice made with synthesized
// input work through the toolkit's polling loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/bitmap.h"
#include "gui/platform/raster/png.h"
#include "gui/platform/x11/menulayout.h"
#include "tests/gui-x11/scene.h"
#include "tests/gui-x11/xsession.h"

namespace raster = tf::raster;
using tf::xtest::XSession;

namespace {

constexpr int kMargin = 40;  // host window around the editor

using Effect = guitest::RecordingHost;

std::string artefact(const std::string& name) { return std::string(TF_X11_ARTEFACT_DIR) + "/" + name; }

// The headless rendering of the test frame with `state`.
raster::Surface reference(const scene::State& state, const std::string& name) {
    const std::string path = artefact(name + ".bmp");
    char args[128];
    std::snprintf(args, sizeof args, " %.9g %.9g '%s' %d", double(state.toggle), double(state.knob),
                  state.text.c_str(), state.listIndex);
    const std::string command = std::string("'") + TF_X11_REFERENCE + "' '" + path + "'" + args;
    if (std::system(command.c_str()) != 0) return raster::Surface();
    return guitest::readBmpFile(path);
}

CPoint centreOf(const CViewBase* v) {
    const CRect& r = v->getViewRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class FrameOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << "no X display with XTest";
        editor = new scene::Editor(&effect);
        openEditor();
    }
    void TearDown() override {
        editor->close();
        EXPECT_EQ(session.childWindow(), 0u);
        delete editor;
    }
    void openEditor() {
        editor->open(session.parentHandle());
        ASSERT_TRUE(editor->getFrame()->isOpen());
        ASSERT_TRUE(until([&] { return !editor->getFrame()->isFirstPaintPending(); }));
        child = session.childWindow();
        ASSERT_NE(child, 0u);
    }
    // Runs the host's editor idle until `done` holds (at most 3 s).
    bool until(const std::function<bool()>& done) {
        return tf::xtest::waitFor(done, [&] { editor->idle(); });
    }
    raster::Surface shown() { return session.grab(child, CRect(0, 0, scene::kFrameWidth, scene::kFrameHeight)); }
    raster::Surface shown(const CRect& r) { return session.grab(child, r); }
    // The user's script, run at each editor idle (numbered from 1 for it).
    void script(std::function<void(int)> s) {
        const int start = editor->idles;
        editor->onIdle = [this, start, s](int n) {
            if (n - start > 500) {  // a loop that does not end: let it go
                ADD_FAILURE() << "the gesture did not end";
                session.release(1);
                session.tap("Escape");
                session.focus();
                return;
            }
            s(n - start);
        };
    }
    std::vector<float> changesOf(int tag) const {
        std::vector<float> out;
        for (const auto& c : editor->listener.changes)
            if (c.tag == tag) out.push_back(c.value);
        return out;
    }
    // Drives a toggle click, a knob drag, typing and a popup choice.
    void clickToggle();
    void dragKnob();
    void typeIntoField(const char* text);
    void choose(int entry);

    XSession session{scene::kFrameWidth + kMargin, scene::kFrameHeight + kMargin};
    Effect effect;
    scene::Editor* editor = nullptr;
    tf::xtest::WindowId child = 0;
};

void FrameOnX::clickToggle() {
    const std::size_t before = editor->listener.changes.size();
    session.click(centreOf(editor->toggle), child);
    ASSERT_TRUE(until([&] { return editor->listener.changes.size() > before; }));
}

void FrameOnX::dragKnob() {
    // Circular mode: the press at the knob's left jumps to that angle, then
    // the pointer goes over the top to the right while the loop polls it.
    const CRect k = editor->knob->getViewRect();
    const int cy = (k.top + k.bottom) / 2, cx = (k.left + k.right) / 2;
    session.moveTo({k.left + 2, cy}, child);
    session.press(1);
    script([&, cx, cy](int n) {
        if (n == 2) session.moveTo({cx, k.top + 2}, child);
        if (n == 4) session.moveTo({k.right - 4, cy - 6}, child);
        if (n >= 6 && effect.hostIdles > 0) session.release(1);  // the host stayed alive meanwhile
    });
    ASSERT_TRUE(until([&] { return !effect.edits.empty() && effect.edits.back() == "e2"; }));
    editor->onIdle = nullptr;
}

void FrameOnX::typeIntoField(const char* text) {
    std::string typed = text;
    script([this, typed](int n) {
        if (n == 3) session.type(typed);
        if (n == 5) session.tap("Return");
    });
    session.click(centreOf(editor->field), child);
    ASSERT_TRUE(until([&] { return typed == editor->field->getText(); }));
    editor->onIdle = nullptr;
}

void FrameOnX::choose(int entry) {
    // Where the menu puts the entry: the same layout the menu uses.
    std::vector<tf::platform::MenuEntry> entries;
    for (int i = 0; i < editor->list->getNbEntries(); ++i) {
        std::string e = editor->list->getEntry(i);
        tf::platform::MenuEntry m;
        m.text = editor->list->getEntry(i);
        if (e == "-") m.flags = tf::platform::kMenuSeparator;
        if (e.rfind("-G", 0) == 0 || e.rfind("-T", 0) == 0) m.text += 2;
        entries.push_back(m);
    }
    tf::platform::PopupMenu menu;
    menu.entries = entries.data();
    menu.count = int(entries.size());
    menu.fonts = &editor->getFrame()->getFonts();
    const CRect box = tf::platform::x11::layoutMenu(menu, 768).boxes[std::size_t(entry)];

    script([&, box](int n) {
        const tf::xtest::WindowId popup = session.popupWindow();
        if (n >= 3 && popup) {
            session.click({(box.left + box.right) / 2, (box.top + box.bottom) / 2}, popup);
            editor->onIdle = nullptr;
        }
    });
    session.click(centreOf(editor->list), child);
    ASSERT_TRUE(until([&] { return editor->list->getCurrent() == entry; }));
    editor->onIdle = nullptr;
}

TEST_F(FrameOnX, ShowsWhatTheHeadlessBindingRenders) {
    const raster::Surface expected = reference(scene::State(), "gui-x11-reference");
    ASSERT_EQ(expected.width(), scene::kFrameWidth);
    const raster::Surface window = shown();
    EXPECT_EQ(tf::xtest::differingPixels(window, expected), 0);
    // The host's window with the editor in it, for a person to look at.
    EXPECT_TRUE(tf::raster::writePng(session.grab(0, CRect(0, 0, scene::kFrameWidth + kMargin,
                                                       scene::kFrameHeight + kMargin)),
                                  artefact("gui-x11-frame.png")));
}

TEST_F(FrameOnX, AClickTogglesTheButton) {
    const CRect r = editor->toggle->getViewRect();
    clickToggle();
    EXPECT_EQ(changesOf(scene::kTagToggle), std::vector<float>{1.0f});
    EXPECT_EQ(shown(r).pixel(10, 10), 0xe0a020u);  // the "on" image
    clickToggle();
    EXPECT_EQ(changesOf(scene::kTagToggle), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(shown(r).pixel(10, 10), 0x303030u);
    EXPECT_TRUE(effect.edits.empty());  // a toggle brackets nothing
}

TEST_F(FrameOnX, AKnobDragFollowsThePointerInsideOneEdit) {
    dragKnob();
    const std::vector<float> v = changesOf(scene::kTagKnob);
    ASSERT_GE(v.size(), 3u);
    EXPECT_NEAR(v.front(), 1.0f - 225.0f / 270.0f, 0.03f);  // pressed at 180 degrees
    EXPECT_NEAR(v[1], 0.5f, 0.03f);                         // over the top
    // To the right, a little above the centre.
    const CRect k = editor->knob->getViewRect();
    EXPECT_EQ(v.back(), editor->knob->valueFromPoint({k.width() - 4, k.height() / 2 - 6}));
    EXPECT_EQ(effect.edits, (std::vector<std::string>{"b2", "e2"}));
    EXPECT_GT(effect.hostIdles, 0);

    // The window shows the strip's image for the value.
    CResBitmap* strip = new CResBitmap(scene::kKnobId);
    raster::Surface expected(scene::kKnobSize, scene::kKnobSize);
    expected.copyFrom(strip->getImage(), expected.bounds(), CPoint(0, editor->knob->stripOffset()),
                      expected.bounds());
    strip->release();
    EXPECT_EQ(tf::xtest::differingPixels(shown(editor->knob->getViewRect()), expected), 0);

    // Linear mode: 100 pixels to the left take half the range off.
    editor->setKnobMode(CEditorBase::kKnobModeLinear);
    const float start = editor->knob->getValue();
    const CPoint c = centreOf(editor->knob);
    session.moveTo(c, child);
    session.press(1);
    script([&](int n) {
        if (n == 2) session.moveTo({c.x - 100, c.y}, child);
        if (n >= 4) session.release(1);
    });
    effect.edits.clear();
    ASSERT_TRUE(until([&] { return effect.edits.size() == 2; }));
    EXPECT_NEAR(editor->knob->getValue(), start - 0.5f, 1e-4f);
}

TEST_F(FrameOnX, TypingIntoTheTextFieldAppliesOnReturn) {
    typeIntoField("hello");
    EXPECT_STREQ(editor->field->getText(), "hello");
    EXPECT_EQ(changesOf(scene::kTagField).size(), 1u);
    EXPECT_EQ(editor->getFrame()->getFocusView(), nullptr);
}

TEST_F(FrameOnX, AClickElsewhereAppliesTheEditAndThenReachesItsView) {
    script([this](int n) {
        if (n == 3) session.type("abc");
        if (n == 5) session.click(centreOf(editor->toggle), child);
    });
    session.click(centreOf(editor->field), child);
    ASSERT_TRUE(until([&] { return !changesOf(scene::kTagToggle).empty(); }));
    EXPECT_STREQ(editor->field->getText(), "abc");
    EXPECT_EQ(changesOf(scene::kTagToggle), std::vector<float>{1.0f});
}

TEST_F(FrameOnX, APopupChoiceSetsTheList) {
    choose(5);
    EXPECT_EQ(editor->list->getCurrent(), 5);
    EXPECT_EQ(changesOf(scene::kTagList), std::vector<float>{5.0f});
    EXPECT_EQ(session.popupWindow(), 0u);
}

TEST_F(FrameOnX, AClickOutsideTheMenuChoosesNothingAndReachesNothing) {
    bool clicked = false;
    script([&](int n) {
        if (n >= 3 && session.popupWindow() && !clicked) {
            clicked = true;
            session.click(centreOf(editor->toggle), child);  // on a control, under the menu's grab
        }
    });
    session.click(centreOf(editor->list), child);
    ASSERT_TRUE(until([&] { return clicked && session.popupWindow() == 0u; }));
    for (int i = 0; i < 5; ++i) editor->idle();
    EXPECT_EQ(editor->list->getCurrent(), 0);
    EXPECT_TRUE(editor->listener.changes.empty());
    EXPECT_EQ(editor->toggle->getValue(), 0.0f);
}

TEST_F(FrameOnX, AfterTheGesturesItShowsTheHeadlessRenderingOfTheNewValues) {
    clickToggle();
    dragKnob();
    typeIntoField("hello");
    choose(5);
    for (int i = 0; i < 3; ++i) editor->idle();

    scene::State state;
    state.toggle = editor->toggle->getValue();
    state.knob = editor->knob->getValue();
    state.text = editor->field->getText();
    state.listIndex = editor->list->getCurrent();
    const raster::Surface expected = reference(state, "gui-x11-reference-after");
    ASSERT_EQ(expected.width(), scene::kFrameWidth);
    const raster::Surface window = shown();
    EXPECT_EQ(tf::xtest::differingPixels(window, expected), 0);
    tf::raster::writePng(window, artefact("gui-x11-frame-after.png"));
}

TEST_F(FrameOnX, ClosingAndReopeningLeavesNoWindowBehind) {
    for (int i = 0; i < 2; ++i) {
        editor->close();
        EXPECT_EQ(session.childWindow(), 0u);
        openEditor();
    }
    EXPECT_EQ(tf::xtest::differingPixels(shown(), reference(scene::State(), "gui-x11-reference")), 0);
}

TEST_F(FrameOnX, AHostClosingItsWindowFirstOnlyClosesTheFrame) {
    session.destroyParent();
    ASSERT_TRUE(until([&] { return !editor->getFrame()->isOpen(); }));
    editor->idle();  // nothing left to do, nothing fails
}

// The toolkit tests' demo frame: every stock control, small fonts included.
class DemoFrameOnX : public ::testing::Test {
protected:
    XSession session{guidemo::kFrameSize.width() + kMargin, guidemo::kFrameSize.height() + kMargin};
    Effect effect;
    scene::Editor editor{&effect, scene::State(), scene::Layout::demo};

    void TearDown() override {
        editor.close();
    }
};

TEST_F(DemoFrameOnX, ShowsWhatTheHeadlessBindingRendersAndAMomentaryPressEndsOff) {
    ASSERT_TRUE(session.ok());
    editor.open(session.parentHandle());
    auto idle = [&] { editor.idle(); };
    ASSERT_TRUE(tf::xtest::waitFor([&] { return !editor.getFrame()->isFirstPaintPending(); }, idle));
    const tf::xtest::WindowId child = session.childWindow();
    const CRect all = guidemo::kFrameSize;

    const std::string path = artefact("gui-x11-demo-reference.bmp");
    ASSERT_EQ(std::system(("'" + std::string(TF_X11_REFERENCE) + "' '" + path + "' demo").c_str()), 0);
    const raster::Surface expected = guitest::readBmpFile(path);
    ASSERT_GT(expected.width(), 0);
    EXPECT_EQ(tf::xtest::differingPixels(session.grab(child, all), expected), 0);
    tf::raster::writePng(session.grab(child, all), artefact("gui-x11-demo.png"));

    // Held: on; released: off, and the gesture is one edit.
    CMomentaryButton* button = editor.demo.momentary;
    session.moveTo(centreOf(button), child);
    session.press(1);
    float held = -1.0f;
    editor.onIdle = [&](int) {
        if (held < 0.0f && button->getValue() == 1.0f) {
            held = 1.0f;
            session.release(1);
        }
    };
    ASSERT_TRUE(tf::xtest::waitFor([&] { return effect.edits.size() == 2; }, idle));
    EXPECT_EQ(held, 1.0f);
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(effect.edits, (std::vector<std::string>{"b4", "e4"}));
}

}  // namespace
