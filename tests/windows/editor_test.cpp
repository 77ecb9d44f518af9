// Talkforge.dll as a Windows host runs it, under Wine: the editor opened in
// a stand-in host window through the dispatcher, idled with the host's
// message loop between idles, clicked, dragged, typed into and worked
// through its popup menus with input synthesized through SendInput, closed
// and opened again. What the window shows is compared with the same editor
// drawn through the headless binding (linked into this program, with the
// same bitmaps in its own resources and the same GDI text).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "editor/keyboard.h"
#include "editor/layout.h"
#include "gui/editorbase.h"
#include "gui/frame.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui/window_checks.h"
#include "tests/testhost.h"
#include "tests/windows/gui_session.h"

namespace raster = tf::raster;
using wintest::Session;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 385;
constexpr int kMargin = 40;        // host window around the editor
constexpr int kScriptLimit = 600;  // host idles a gesture may take

using editortest::centreOf;
using editortest::headlessPanel;

void save(const raster::Surface& image, const std::string& name) {
    guitest::writeBmpFile(image, std::string(TF_WIN32_ARTEFACT_DIR) + "/" + name);
}

// The window class the DLL's editors use: named after the DLL's module.
std::string dllClassName() {
    char name[32];
    std::snprintf(name, sizeof name, "Plugin%08x",
                  unsigned(reinterpret_cast<std::uintptr_t>(PluginLibrary::handle())));
    return name;
}

bool classRegistered(const std::string& name) {
    WNDCLASSA wc{};
    return GetClassInfoA(static_cast<HINSTANCE>(PluginLibrary::handle()), name.c_str(), &wc) != 0;
}

// The item rectangle (screen coordinates) of entry `index` of the shown menu.
bool menuItemRect(int index, RECT& item) {
    HWND menu = Session::menuWindow();
    if (!menu) return false;
    HMENU handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
    return handle && GetMenuItemRect(nullptr, handle, UINT(index), &item);
}

// One plug-in instance of the DLL with its editor in a host window.
class HostedEditor {
public:
    explicit HostedEditor(Session& s) : session(s) {
        host.onCall = [this](const HostCall& c) {
            if (c.opcode != audioMasterIdle || !script) return;
            if (++scriptIdles > kScriptLimit) {
                ADD_FAILURE() << "the gesture did not end";
                Session::release();
                Session::tap(VK_ESCAPE);
                script = nullptr;
                return;
            }
            script(scriptIdles);
        };
    }
    ~HostedEditor() {
        script = nullptr;
        close();
    }
    HostedEditor(const HostedEditor&) = delete;
    HostedEditor& operator=(const HostedEditor&) = delete;

    bool open() {
        const bool ok = host.dispatch(effEditOpen, 0, 0, session.parent()) == 1;
        child = session.childWindow();
        return ok;
    }
    void close() {
        host.dispatch(effEditClose);
        Session::pumpMessages();
    }
    // One turn of the host's loop: its messages, then the editor's idle.
    void idle() {
        Session::pumpMessages();
        host.dispatch(effEditIdle);
    }
    bool until(const std::function<bool()>& done) { return guitest::waitFor(done, [this] { idle(); }); }
    raster::Surface shown() { return Session::grab(child, CRect(0, 0, kWidth, kHeight)); }
    std::vector<float> parameters() {
        std::vector<float> v;
        for (int i = 0; i < kNumParams; ++i) v.push_back(host.getParameter(i));
        return v;
    }
    // Idles until the window shows the headless drawing of the current values.
    long differenceFromHeadless() {
        const raster::Surface expected = headlessPanel(parameters());
        until([&] { return guitest::differingPixels(shown(), expected) == 0; });
        return guitest::differingPixels(shown(), expected);
    }
    // The user's part, run at each host idle the plug-in calls from inside a
    // gesture, an edit box or a menu (numbered from 1); it ends itself by
    // clearing `script`.
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

    Session& session;
    TestHost host;
    HWND child = nullptr;
    std::function<void(int)> script;
    int scriptIdles = 0;
};

class EditorInTheDll : public ::testing::Test {
protected:
    // One host window for the suite (Wine takes a while to make and end a
    // top-level window).
    static void SetUpTestSuite() { shared = new Session(kWidth + kMargin, kHeight + kMargin); }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(shared->ok());
        ASSERT_NE(a.host.effect, nullptr);
        ASSERT_TRUE(a.open());
        ASSERT_NE(a.child, nullptr);
        ASSERT_TRUE(a.until([&] { return GetUpdateRect(a.child, nullptr, FALSE) == 0; }));
        a.host.calls.clear();
    }
    void TearDown() override {
        a.script = nullptr;
        a.close();
        EXPECT_EQ(shared->childWindow(), nullptr);
    }

    static inline Session* shared = nullptr;
    HostedEditor a{*shared};
};

}  // namespace

TEST_F(EditorInTheDll, OpensInTheHostWindowShowingThePanelAndClosesWithoutATrace) {
    ERect* r = nullptr;
    ASSERT_EQ(a.host.dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, kWidth);
    EXPECT_EQ(r->bottom - r->top, kHeight);
    RECT client{};
    GetClientRect(a.child, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    POINT origin{0, 0}, parentOrigin{0, 0};
    ClientToScreen(a.child, &origin);
    ClientToScreen(a.session.parent(), &parentOrigin);
    EXPECT_EQ(origin.x, parentOrigin.x);
    EXPECT_EQ(origin.y, parentOrigin.y);
    EXPECT_EQ(GetParent(a.child), a.session.parent());

    // The panel as drawn: every pixel, the bitmaps from the DLL's resources.
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    save(a.shown(), "editor-win32.bmp");
    // Not a blank window: the panel's own colours are on it.
    const raster::Surface s = a.shown();
    EXPECT_NE(s.pixel(5, 5), s.pixel(centreOf(layout::kKnobs[0]).x, centreOf(layout::kKnobs[0]).y));

    a.close();
    EXPECT_EQ(a.session.childWindow(), nullptr);
    // Changed while closed, shown when opened again; a second open replaces the first.
    a.host.setParameter(kModLevel, 0.25f);
    a.host.setParameter(kO1Level, 1.0f);
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(a.open());
    int children = 0;
    for (HWND w = GetWindow(a.session.parent(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, 1);
    a.child = a.session.childWindow();
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    a.close();
    EXPECT_EQ(a.session.childWindow(), nullptr);
    a.idle();  // idle and close with nothing open do nothing
    a.close();
    ASSERT_TRUE(a.open());
}

TEST_F(EditorInTheDll, TheWindowClassIsNamedAfterTheDll) {
    const std::string name = Session::className(a.child);
    EXPECT_EQ(name, dllClassName());
    ASSERT_EQ(name.size(), 14u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 6), std::string::npos);
    EXPECT_NE(PluginLibrary::handle(), static_cast<void*>(GetModuleHandleA(nullptr)));
    EXPECT_TRUE(classRegistered(name));
}

TEST_F(EditorInTheDll, ClicksAndDragsReachTheParametersAndTheHost) {
    // A toggle of a group.
    Session::click(centreOf(layout::kOctaveButtons[2]), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kOctave) == 1.0f; }));
    EXPECT_EQ(a.told(), "21=1 ");

    // A knob dragged from its top (the middle value) to its right, inside
    // one edit; the gesture runs within the press's message.
    const CRect k = layout::kKnobs[0];
    const int radius = k.width() / 2;
    Session::moveTo({k.left + radius, k.top}, a.child);
    a.during([&](int n) {
        if (n == 2) Session::moveTo({k.right, k.top + radius}, a.child);
        if (n == 4) {
            Session::release();
            a.script = nullptr;
        }
    });
    Session::press();
    ASSERT_TRUE(a.until([&] { return !a.script && gestureText(a.host.calls).find("e0 ") != std::string::npos; }));
    EXPECT_NEAR(a.host.getParameter(kModLevel), 1.0f - 45.0f / 270.0f, 1e-4);
    const std::string drag = a.told();
    EXPECT_EQ(drag.substr(0, 3), "b0 ") << drag;
    EXPECT_NE(drag.find("0=0.83"), std::string::npos) << drag;
    EXPECT_EQ(drag.substr(drag.size() - 3), "e0 ") << drag;

    // Freeze held with the mouse: one edit, on then off.
    a.host.calls.clear();
    a.during([&](int n) {
        if (n == 3) {
            Session::release();
            a.script = nullptr;
        }
    });
    Session::moveTo(centreOf(layout::kFreezeButton), a.child);
    Session::press();
    ASSERT_TRUE(a.until([&] { return !a.script && a.host.getParameter(kFreeze) == 0.0f && !a.host.calls.empty(); }));
    EXPECT_EQ(a.told(), "b4 4=1 e4 4=0 ");

    // Freeze held with the key chosen for it, read from the key state.
    a.host.setParameter(kFreezeKey, 1.0f / 6.0f);  // SHIFT
    INPUT key{};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_SHIFT;
    SendInput(1, &key, sizeof key);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kFreeze) == 1.0f; }));
    key.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof key);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kFreeze) == 0.0f; }));
    EXPECT_EQ(a.told(), "4=1 4=0 ");

    // The keyboard and the band sliders write their parameters directly.
    const CPoint dot = CKeyboardBitmap::dotPosition(7);
    Session::click({layout::kKeyboard.left + dot.x + 5, layout::kKeyboard.top + 50}, a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kO1Level) == 1.0f; }));
    EXPECT_EQ(a.host.getParameter(kO1Freq), 7 * 0.04f);
    Session::click({layout::kSliders.left + 12 * 3 + 6, layout::kSliders.top + 2}, a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kBand1 + 3) == 1.0f; }));
    EXPECT_EQ(a.told(), "");

    // And the window shows all of it.
    EXPECT_EQ(a.differenceFromHeadless(), 0);
    save(a.shown(), "editor-win32-after.bmp");
}

TEST_F(EditorInTheDll, TypingIntoAFieldAppliesOnReturnOrAClickAway) {
    // Return closes the box and sets the value.
    bool sawBox = false;
    a.during([&](int n) {
        if (n == 2) sawBox = Session::editWindow(a.child) != nullptr;
        if (n == 3) Session::type("12");
        if (n == 6) {
            Session::tap(VK_RETURN);
            a.script = nullptr;
        }
    });
    Session::click(centreOf(layout::kTextFields[4]), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kTune) == 0.625f; }));
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(Session::editWindow(a.child), nullptr);
    EXPECT_EQ(a.told(), "6=0.625 ");

    // A click elsewhere closes it, applies it, and reaches the control clicked.
    a.during([&](int n) {
        if (n == 3) Session::type("80");
        if (n == 6) {
            Session::click(centreOf(layout::kOctaveButtons[0]), a.child);
            a.script = nullptr;
        }
    });
    Session::click(centreOf(layout::kTextFields[0]), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kOctave) == 0.0f; }));
    EXPECT_FLOAT_EQ(a.host.getParameter(kModLevel), 0.805f);  // the middle of 80's step
    EXPECT_EQ(Session::editWindow(a.child), nullptr);
    EXPECT_EQ(a.told(), "0=0.805 21=0 ");

    // Escape leaves the value as it was.
    a.during([&](int n) {
        if (n == 3) Session::type("5");
        if (n == 6) {
            Session::tap(VK_ESCAPE);
            a.script = nullptr;
        }
    });
    Session::click(centreOf(layout::kTextFields[1]), a.child);
    ASSERT_TRUE(a.until([&] { return !a.script && Session::editWindow(a.child) == nullptr; }));
    for (int i = 0; i < 5; ++i) a.idle();
    EXPECT_EQ(a.host.getParameter(kCarLevel), 0.5f);
    EXPECT_EQ(a.told(), "");
    EXPECT_EQ(a.differenceFromHeadless(), 0);
}

TEST_F(EditorInTheDll, APopupChoiceSetsTheListAndADismissedMenuChangesNothing) {
    // The third entry of the waveform menu.
    bool clicked = false;
    a.during([&](int) {
        RECT item{};
        if (!clicked && menuItemRect(2, item)) {
            clicked = true;
            Session::click({(item.left + item.right) / 2, (item.top + item.bottom) / 2}, nullptr);
            a.script = nullptr;
        }
    });
    Session::click(centreOf(layout::kWaveformList), a.child);
    ASSERT_TRUE(a.until([&] { return a.host.getParameter(kWaveform) != 0.0f; }));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(a.told(), "7=0.666667 ");
    ASSERT_TRUE(a.until([] { return Session::menuWindow() == nullptr; }));

    // Dismissed with a click on a control beside it: no choice, and the
    // click belongs to the menu, not to the control.
    const std::vector<float> before = a.parameters();
    clicked = false;
    a.during([&](int) {
        if (!clicked && Session::menuWindow()) {
            clicked = true;
            Session::click(centreOf(layout::kOctaveButtons[0]), a.child);
            a.script = nullptr;
        }
    });
    Session::click(centreOf(layout::kFreezeKeyList), a.child);
    ASSERT_TRUE(a.until([&] { return clicked && Session::menuWindow() == nullptr; }));
    for (int i = 0; i < 10; ++i) a.idle();
    EXPECT_EQ(a.parameters(), before);
    EXPECT_EQ(a.told(), "");
    EXPECT_EQ(a.differenceFromHeadless(), 0);
}

TEST_F(EditorInTheDll, TwoEditorsShareTheClassAndItGoesWithTheLastOne) {
    const std::string name = dllClassName();
    // Beside the first host window, overlapping none of its editor.
    Session other(kWidth, kHeight, CPoint(40 + kWidth + kMargin, 30));
    ASSERT_TRUE(other.ok());
    {
        HostedEditor b(other);
        ASSERT_TRUE(b.open());
        ASSERT_NE(b.child, nullptr);
        EXPECT_EQ(Session::className(b.child), name);
        // Each click reaches only its own instance.
        a.host.calls.clear();
        b.host.calls.clear();
        Session::click(centreOf(layout::kSourceButtons[1]), a.child);
        ASSERT_TRUE(a.until([&] { return a.host.getParameter(kSource) == 1.0f; }));
        Session::click(centreOf(layout::kOctaveButtons[0]), b.child);
        ASSERT_TRUE(b.until([&] { return b.host.getParameter(kOctave) == 0.0f; }));
        EXPECT_EQ(a.host.getParameter(kOctave), 0.5f);
        EXPECT_EQ(b.host.getParameter(kSource), 0.0f);
        EXPECT_EQ(a.told(), "25=1 ");
        EXPECT_EQ(b.told(), "21=0 ");

        a.close();
        EXPECT_TRUE(classRegistered(name));
        b.close();
        EXPECT_EQ(other.childWindow(), nullptr);
        EXPECT_FALSE(classRegistered(name));
        ASSERT_TRUE(b.open());
        EXPECT_TRUE(classRegistered(name));
    }
    EXPECT_FALSE(classRegistered(name));
    ASSERT_TRUE(a.open());
    EXPECT_TRUE(classRegistered(name));
}

TEST_F(EditorInTheDll, TheHostClosingTheEditorFromItsIdleDuringADragOrAnEdit) {
    const CRect k = layout::kKnobs[3];
    Session::moveTo(centreOf(k), a.child);
    a.during([&](int) {
        a.script = nullptr;
        a.host.dispatch(effEditClose);  // from inside the drag
    });
    Session::press();
    ASSERT_TRUE(a.until([&] { return a.session.childWindow() == nullptr; }));
    Session::release();
    const std::string g = a.told();
    EXPECT_EQ(g.substr(0, 3), "b3 ") << g;
    EXPECT_EQ(g.substr(g.size() - 3), "e3 ") << g;

    ASSERT_TRUE(a.open());
    a.during([&](int n) {
        if (n == 2) Session::type("7");
        if (n == 4) {
            a.script = nullptr;
            a.host.dispatch(effEditClose);  // with the edit box open
        }
    });
    Session::click(centreOf(layout::kTextFields[0]), a.child);
    ASSERT_TRUE(a.until([&] { return a.session.childWindow() == nullptr; }));
    EXPECT_EQ(a.host.getParameter(kModLevel), 0.5f);  // the edit was dropped

    ASSERT_TRUE(a.open());
    a.during([&](int) {
        if (Session::menuWindow()) {
            a.script = nullptr;
            a.host.dispatch(effEditClose);  // with a menu open
        }
    });
    Session::click(centreOf(layout::kWaveformList), a.child);
    ASSERT_TRUE(a.until([&] { return a.session.childWindow() == nullptr; }));
    Session::tap(VK_ESCAPE);
    ASSERT_TRUE(a.until([] { return Session::menuWindow() == nullptr; }));
    EXPECT_EQ(a.host.getParameter(kWaveform), 0.0f);

    ASSERT_TRUE(a.open());
    EXPECT_EQ(a.differenceFromHeadless(), 0);
}

TEST_F(EditorInTheDll, AHostDestroyingItsWindowFirstIsSurvived) {
    for (bool idleBetween : {true, false}) {
        Session own(kWidth, kHeight);
        ASSERT_TRUE(own.ok());
        HostedEditor e(own);
        ASSERT_TRUE(e.open());
        e.idle();
        own.destroyParent();
        EXPECT_FALSE(IsWindow(e.child));
        if (idleBetween) e.idle();
        e.host.setParameter(kModLevel, 0.3f);
        e.idle();
        e.close();
        e.idle();
        e.close();
        EXPECT_EQ(e.host.getParameter(kModLevel), 0.3f);
    }
}

TEST(EditorInTheDllLifecycle, OpenInAParentThatIsNoWindowAnswersZero) {
    TestHost host;
    ASSERT_NE(host.effect, nullptr);
    void* bogus = reinterpret_cast<void*>(std::uintptr_t(0x7ffffff0));
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, bogus), 0);
    host.dispatch(effEditIdle);
    host.dispatch(effEditClose);
}

TEST(EditorInTheDllLifecycle, FiftyOpenCloseCyclesLeaveNoWindowBehind) {
    Session session(kWidth, kHeight);
    ASSERT_TRUE(session.ok());
    HostedEditor e(session);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(e.open()) << i;
        e.idle();
        e.close();
        ASSERT_EQ(session.childWindow(), nullptr) << i;
    }
    EXPECT_FALSE(classRegistered(dllClassName()));
}

// The DLL's bitmap resources 101 to 113 are the generated artwork's files,
// byte for byte (a resource holds a BMP file without its 14-byte header).
TEST(EditorInTheDllLifecycle, TheDllCarriesTheArtworkAsItsBitmapResources) {
    constexpr std::size_t kFileHeader = 14;
    const auto dll = static_cast<HMODULE>(PluginLibrary::handle());
    ASSERT_NE(dll, nullptr);
    for (int id = 101; id <= 113; ++id) {
        HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(found, nullptr) << id;
        const auto* data = static_cast<const char*>(LockResource(LoadResource(dll, found)));
        const std::string resource(data, SizeofResource(dll, found));
        std::ifstream in(std::string(TF_WIN32_ARTWORK_DIR) + "/" + std::to_string(id) + ".bmp", std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), {}};
        ASSERT_GT(file.size(), kFileHeader) << id;
        EXPECT_EQ(resource, file.substr(kFileHeader)) << id;
    }
    EXPECT_EQ(FindResourceA(dll, MAKEINTRESOURCEA(114), MAKEINTRESOURCEA(2)), nullptr);
}
