// The built Talkforge.so as a host runs it on a real X server: the editor
// opened in a stand-in host window through the dispatcher, idled, clicked,
// dragged and typed into with input synthesized through XTest, closed and
// opened again. What the window shows is compared with the same editor
// drawn through the headless binding (linked into this program).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/keyboard.h"
#include "editor/layout.h"
#include "gui/editorbase.h"
#include "gui/frame.h"
#include "gui/platform/raster/png.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui-x11/xsession.h"
#include "tests/testhost.h"

namespace raster = tf::raster;
using tf::xtest::XSession;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 385;
constexpr int kMargin = 20;  // host window around the editor
constexpr int kScriptLimit = 400;  // host idles a gesture may take

using editortest::centreOf;
using editortest::headlessPanel;

std::string artefact(const std::string& name) { return std::string(TF_EDITOR_ARTEFACT_DIR) + "/" + name; }

// One plug-in instance with its editor in a host window of its own.
class HostedEditor {
public:
    explicit HostedEditor(CPoint at = CPoint(20, 30)) : session(kWidth + kMargin, kHeight + kMargin, false, at) {
        host.onCall = [this](const HostCall& c) {
            if (c.opcode != audioMasterIdle || !script) return;
            if (++scriptIdles > kScriptLimit) {
                ADD_FAILURE() << "the gesture did not end";
                session.release(1);
                session.tap("Escape");
                script = nullptr;
                return;
            }
            script(scriptIdles);
        };
    }
    ~HostedEditor() { close(); }

    bool open() {
        const bool ok = host.dispatch(effEditOpen, 0, 0, session.parentHandle()) == 1;
        child = session.childWindow();
        return ok;
    }
    void idle() { host.dispatch(effEditIdle); }
    void close() { host.dispatch(effEditClose); }
    // Runs the host's editor idle until `done` holds (3 s at most).
    bool until(const std::function<bool()>& done) {
        return tf::xtest::waitFor(done, [this] { idle(); });
    }
    raster::Surface shown() { return session.grab(child, CRect(0, 0, kWidth, kHeight)); }
    std::vector<float> parameters() {
        std::vector<float> v;
        for (int i = 0; i < kNumParams; ++i) v.push_back(host.getParameter(i));
        return v;
    }
    // Idles until the window shows the headless drawing of the current values.
    long differenceFromHeadless() {
        const raster::Surface expected = headlessPanel(parameters());
        until([&] { return tf::xtest::differingPixels(shown(), expected) == 0; });
        return tf::xtest::differingPixels(shown(), expected);
    }
    // The user's part, run at each host idle the plug-in calls from inside
    // a gesture (numbered from 1); it ends the gesture itself.
    void during(std::function<void(int)> s) {
        scriptIdles = 0;
        script = std::move(s);
    }
    // What the plug-in told the host since the last call (gestureText).
    std::string told() {
        const std::string s = gestureText(host.calls);
        host.calls.clear();
        return s;
    }

    TestHost host;
    XSession session;
    tf::xtest::WindowId child = 0;
    std::function<void(int)> script;
    int scriptIdles = 0;
};

class EditorOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(a.session.ok()) << "no X display with XTest";
        ASSERT_NE(a.host.effect, nullptr);
        ASSERT_TRUE(a.open());
        ASSERT_NE(a.child, 0u);
        a.host.calls.clear();
    }
    HostedEditor a;
};

}  // namespace

TEST_F(EditorOnX, OpensInTheHostWindowShowingThePanelAndClosesWithoutATrace) {
    ERect* r = nullptr;
    ASSERT_EQ(a.host.dispatch(effEditGetRect, 0, 0, &r), 1);
    EXPECT_EQ(r->right - r->left, kWidth);
    EXPECT_EQ(r->bottom - r->top, kHeight);
    const CRect parent = a.session.geometry(a.session.parent());
    EXPECT_EQ(a.session.geometry(a.child), CRect(parent.left, parent.top, parent.left + kWidth, parent.top + kHeight));
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    tf::raster::writePng(a.session.grab(0, CRect(0, 0, kWidth + kMargin, kHeight + kMargin)), artefact("editor-x11.png"));

    a.close();
    EXPECT_EQ(a.session.childWindow(), 0u);
    // Changed while closed, shown when opened again; a second open replaces the first.
    a.host.setParameter(kModLevel, 0.25f);
    a.host.setParameter(kO1Level, 1.0f);
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(a.open());
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    a.close();
    EXPECT_EQ(a.session.childWindow(), 0u);
    a.idle();
    a.close();
}

TEST_F(EditorOnX, ClicksDragsAndTypingReachTheParametersAndTheHost) {
    XSession& s = a.session;
    // A toggle of a group.
    s.click(centreOf(layout::kOctaveButtons[2]), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kOctave) == 1.0f; }));
    EXPECT_EQ(a.told(), "21=1 ");

    // A knob dragged from its top (the middle value) to its right.
    const CRect k = layout::kKnobs[0];
    const int radius = k.width() / 2;
    s.moveTo({k.left + radius, k.top}, a.child);
    s.press(1);
    a.during([&](int n) {
        if (n == 2) s.moveTo({k.right, k.top + radius}, a.child);
        if (n == 4) s.release(1);
        if (n == 4) a.script = nullptr;
    });
    // The whole gesture runs inside one editor idle of the host.
    ASSERT_TRUE(a.until([&] { return !a.script; }));
    EXPECT_NEAR(a.host.getParameter(kModLevel), 1.0f - 45.0f / 270.0f, 1e-4);
    const std::string drag = a.told();
    EXPECT_EQ(drag.substr(0, 3), "b0 ") << drag;
    EXPECT_NE(drag.find("0=0.83"), std::string::npos) << drag;
    EXPECT_EQ(drag.substr(drag.size() - 3), "e0 ") << drag;

    // Typing into the Tune field, applied with Return.
    a.during([&](int n) {
        if (n == 2) s.type("12");
        if (n == 4) {
            s.tap("Return");
            a.script = nullptr;
        }
    });
    s.click(centreOf(layout::kTextFields[4]), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kTune) == 0.625f; }));
    EXPECT_EQ(a.told(), "6=0.625 ");

    // A popup list: the third entry of the menu under it.
    a.during([&](int) {
        if (const tf::xtest::WindowId popup = s.popupWindow()) {
            const CRect g = s.geometry(popup);
            s.click({g.width() / 2, 1 + (g.height() - 2) * 5 / 8}, popup);
            a.script = nullptr;
        }
    });
    s.click(centreOf(layout::kWaveformList), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kWaveform) != 0.0f; }));
    EXPECT_EQ(a.told(), "7=0.666667 ");

    // Freeze held with the mouse, then with the chosen key.
    const CRect f = layout::kFreezeButton;
    a.during([&](int n) {
        if (n == 3) {
            s.release(1);
            a.script = nullptr;
        }
    });
    s.moveTo(centreOf(f), a.child);
    s.press(1);
    ASSERT_TRUE(a.until([&] { return !a.script; }));
    EXPECT_EQ(a.told(), "b4 4=1 e4 4=0 ");
    a.host.setParameter(kFreezeKey, 1.0f / 6.0f);  // SHIFT
    s.keyDown("Shift_L");
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kFreeze) == 1.0f; }));
    s.keyUp("Shift_L");
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kFreeze) == 0.0f; }));
    EXPECT_EQ(a.told(), "4=1 4=0 ");

    // The keyboard and the band sliders write their parameters directly.
    const CPoint key = CKeyboardBitmap::dotPosition(7);
    s.click({layout::kKeyboard.left + key.x + 5, layout::kKeyboard.top + 50}, a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kO1Level) == 1.0f; }));
    EXPECT_EQ(a.host.getParameter(kO1Freq), 7 * 0.04f);
    s.click({layout::kSliders.left + 12 * 3 + 6, layout::kSliders.top + 2}, a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kBand1 + 3) == 1.0f; }));
    EXPECT_EQ(a.told(), "");

    // And the window shows all of it.
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    tf::raster::writePng(a.shown(), artefact("editor-x11-after.png"));
}

TEST_F(EditorOnX, TwoInstancesOpenAtOnceEachClickReachesOnlyItsOwn) {
    // The second host window overlaps the first's right margin only.
    HostedEditor b(CPoint(20 + kWidth, 30));
    ASSERT_TRUE(b.open());
    a.host.calls.clear();
    b.host.calls.clear();
    a.session.click(centreOf(layout::kSourceButtons[1]), a.child);
    b.session.click(centreOf(layout::kOctaveButtons[0]), b.child);
    ASSERT_TRUE(a.until([&] {
        b.idle();
        return a.host.getParameter(kSource) == 1.0f && b.host.getParameter(kOctave) == 0.0f;
    }));
    EXPECT_EQ(a.host.getParameter(kOctave), 0.5f);
    EXPECT_EQ(b.host.getParameter(kSource), 0.0f);
    EXPECT_EQ(a.told(), "25=1 ");
    EXPECT_EQ(b.told(), "21=0 ");
    b.close();
    EXPECT_EQ(b.session.childWindow(), 0u);
    EXPECT_NE(a.session.childWindow(), 0u);
}

TEST_F(EditorOnX, TheHostClosingTheEditorFromItsIdleDuringADragOrAnEdit) {
    XSession& s = a.session;
    const CRect k = layout::kKnobs[3];
    s.moveTo(centreOf(k), a.child);
    s.press(1);
    a.during([&](int) {
        a.script = nullptr;
        a.close();  // effEditClose from inside the drag
    });
    ASSERT_TRUE(a.until([&] { return s.childWindow() == 0u; }));
    s.release(1);
    const std::string g = a.told();
    EXPECT_EQ(g.substr(0, 3), "b3 ") << g;
    EXPECT_EQ(g.substr(g.size() - 3), "e3 ") << g;

    ASSERT_TRUE(a.open());
    a.during([&](int n) {
        if (n == 2) s.type("7");
        if (n == 3) {
            a.script = nullptr;
            a.close();  // with the edit box open
        }
    });
    s.click(centreOf(layout::kTextFields[0]), a.child);
    ASSERT_TRUE(a.until([&] { return s.childWindow() == 0u; }));
    EXPECT_EQ(a.host.getParameter(kModLevel), 0.5f);  // the edit was dropped
    ASSERT_TRUE(a.open());
    EXPECT_EQ(a.differenceFromHeadless(), 0);
}

TEST(EditorOnXLifecycle, AHostDestroyingItsWindowFirstIsSurvived) {
    for (bool idleBetween : {true, false}) {
        HostedEditor e;
        ASSERT_TRUE(e.session.ok());
        ASSERT_TRUE(e.open());
        e.idle();
        e.session.destroyParent();
        if (idleBetween) e.idle();
        e.host.setParameter(kModLevel, 0.3f);
        e.idle();
        e.close();  // X calls on a window that is gone: no error may end the process
        e.idle();
        e.close();
    }
}

TEST(EditorOnXLifecycle, OpenInAParentThatIsNoWindowAnswersZero) {
    TestHost host;
    XSession session(100, 100);
    ASSERT_TRUE(session.ok());
    void* bogus = reinterpret_cast<void*>(std::uintptr_t(0x7ffffff0));
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, bogus), 0);
    host.dispatch(effEditIdle);
    host.dispatch(effEditClose);
}

// Run under LeakSanitizer in the sanitizer build: nothing may be left over.
TEST(EditorOnXLifecycle, TwoHundredOpenCloseCycles) {
    HostedEditor e;
    ASSERT_TRUE(e.session.ok());
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(e.open()) << i;
        e.idle();
        e.close();
    }
    EXPECT_EQ(e.session.childWindow(), 0u);
}
