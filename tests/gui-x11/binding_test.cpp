// The X11 binding's operations on a real X server (Xvfb): pixels shown,
// presses and polled input, the edit box and the popup menu, driven by
// synthesized input, and a host that destroys its window first.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui/platform/platform.h"
#include "gui/platform/x11/menulayout.h"
#include "tests/gui-x11/xsession.h"
#include "gui/platform/raster/png.h"

namespace platform = tf::platform;
namespace raster = tf::raster;
using tf::xtest::XSession;
using tf::xtest::waitFor;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kIdleLimit = 400;  // modal idles (about 4 s) before a test gives up

// Stands in for the frame: shows its own surface and records what it hears.
struct TestClient final : platform::WindowClient {
    platform::Window* window = nullptr;
    raster::Surface surface{kWidth, kHeight};
    int paints = 0;
    std::vector<CPoint> presses;
    bool destroyed = false;
    int idles = 0;
    // Runs at every modal idle with the idle's number; the user's script.
    std::function<void(int)> script;

    void onPaint() override {
        ++paints;
        platform::present(window, surface, surface.bounds());
    }
    void onMouseDown(CPoint where) override { presses.push_back(where); }
    void onWindowDestroyed() override { destroyed = true; }
    void onModalIdle() override {
        ++idles;
        if (script) script(idles);
    }
    bool onDrop(void**, int, int, CPoint) override { return false; }
};

raster::Surface pattern(raster::FontEngine& fonts) {
    raster::Surface s(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            s.row(y)[x] = raster::Pixel((x * 255 / kWidth) << 16 | (y * 255 / kHeight) << 8 | ((x ^ y) & 0xff));
    fonts.drawText(s, s.bounds(), CRect(0, 0, kWidth, 40), "Talkforge", raster::FontSpec{"Arial", 18, true},
                   0xffffff, raster::TextAlign::center);
    return s;
}

class X11Binding : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << "no X display with XTest";
        client.surface = pattern(fonts);
        client.window = platform::createChildWindow(session.parentHandle(), kWidth, kHeight, client);
        ASSERT_NE(client.window, nullptr);
        ASSERT_TRUE(waitFor([&] { return client.paints > 0; }, [&] { platform::processEvents(client.window); }));
        child = session.childWindow();
        ASSERT_NE(child, 0u);
    }
    void TearDown() override { platform::destroyWindow(client.window); }

    void pump() { platform::processEvents(client.window); }
    // What the child window shows, all of it.
    raster::Surface wholeWindow() const { return session.grab(child, CRect(0, 0, kWidth, kHeight)); }

    XSession session{kWidth + 40, kHeight + 40};
    raster::FontEngine fonts;
    TestClient client;
    tf::xtest::WindowId child = 0;
};

TEST_F(X11Binding, ShowsPresentedPixelsExactly) {
    EXPECT_EQ(tf::xtest::differingPixels(wholeWindow(), client.surface), 0);

    // A partial present changes exactly that area.
    const CRect area(50, 60, 130, 90);
    client.surface.fill(area, 0x123456, client.surface.bounds());
    raster::Surface expected = wholeWindow();
    expected.fill(area, 0x123456, expected.bounds());
    client.surface.fill(CRect(200, 150, 210, 160), 0xff0000, client.surface.bounds());  // not presented
    platform::present(client.window, client.surface, area);
    EXPECT_EQ(tf::xtest::differingPixels(wholeWindow(), expected), 0);
}

TEST_F(X11Binding, ReportsPressesAndPolledInput) {
    session.moveTo({15, 25}, child);
    session.press(1);
    EXPECT_EQ(platform::mouseButtons(client.window) & 7u, platform::kButtonLeft);
    EXPECT_EQ(platform::mouseLocation(client.window), CPoint(15, 25));
    session.moveTo({-5, 300}, child);  // outside the window, still relative to it
    EXPECT_EQ(platform::mouseLocation(client.window), CPoint(-5, 300));
    session.release(1);
    EXPECT_EQ(platform::mouseButtons(client.window), 0u);
    ASSERT_TRUE(waitFor([&] { return !client.presses.empty(); }, [&] { pump(); }));
    EXPECT_EQ(client.presses.front(), CPoint(15, 25));

    // Right button presses too; wheel steps are not presses.
    client.presses.clear();
    session.click({40, 41}, child, 3);
    session.click({40, 41}, child, 4);
    ASSERT_TRUE(waitFor([&] { return !client.presses.empty(); }, [&] { pump(); }));
    pump();
    EXPECT_EQ(client.presses, std::vector<CPoint>{CPoint(40, 41)});

    session.keyDown("Shift_L");
    session.keyDown("Control_R");
    session.keyDown("Alt_L");
    session.keyDown("Tab");
    EXPECT_EQ(platform::mouseButtons(client.window),
              platform::kModifierShift | platform::kModifierControl | platform::kModifierAlt);
    EXPECT_TRUE(platform::isKeyDown(client.window, platform::Key::tab));
    EXPECT_TRUE(platform::isKeyDown(client.window, platform::Key::control));
    session.keyUp("Tab");
    session.keyUp("Alt_L");
    session.keyUp("Control_R");
    session.keyUp("Shift_L");
    EXPECT_EQ(platform::mouseButtons(client.window), 0u);
    EXPECT_FALSE(platform::isKeyDown(client.window, platform::Key::tab));
    EXPECT_FALSE(platform::isKeyDown(client.window, platform::Key::shift));
}

TEST_F(X11Binding, ExposedAgainItRepaints) {
    const int before = client.paints;
    // Cover and uncover the window with another one.
    session.focus();
    XSession cover(100, 100);
    ASSERT_TRUE(cover.ok());
    cover.destroyParent();
    ASSERT_TRUE(waitFor([&] { return client.paints > before; }, [&] { pump(); }));
    EXPECT_TRUE(platform::dispatchPendingPaint(client.window) == false);
    EXPECT_EQ(tf::xtest::differingPixels(wholeWindow(), client.surface), 0);
}

// ---- Edit box -------------------------------------------------------------

class X11EditBox : public X11Binding {
protected:
    platform::EditBox box() {
        platform::EditBox b;
        b.area = CRect(40, 100, 139, 117);  // both edges included: 100 x 18
        b.font = raster::FontSpec{"Arial", 12};
        b.align = raster::TextAlign::center;
        b.textColor = kWhiteCColor;
        b.backColor = kBlackCColor;
        b.fonts = &fonts;
        return b;
    }
    // Runs the box over `text` with a script; fails the test if it hangs.
    void run(char* text, std::size_t capacity, std::function<void(int)> script) {
        client.idles = 0;
        client.script = [&, script](int idle) {
            if (idle > kIdleLimit) {
                ADD_FAILURE() << "the edit box did not close";
                session.focus();
                return;
            }
            script(idle);
        };
        platform::runEditBox(client.window, box(), text, capacity, client);
        client.script = nullptr;
    }
};

TEST_F(X11EditBox, TypingReplacesTheSelectionAndReturnApplies) {
    char text[256] = "old text";
    raster::Surface shown;
    run(text, sizeof text, [&](int idle) {
        if (idle == 2) {
            // Open over the control, all text selected: shown inverted.
            shown = session.grab(child, CRect(40, 100, 140, 118));
            session.type("new1");
        }
        if (idle == 3) {
            tf::raster::writePng(session.grab(child, CRect(30, 90, 150, 128)),
                              std::string(TF_X11_ARTEFACT_DIR) + "/gui-x11-editbox.png");
        }
        if (idle == 4) session.tap("Return");
    });
    EXPECT_STREQ(text, "new1");
    // All text selected: shown inverted, a light block on the black box
    // (white text alone on black would light far fewer pixels).
    long light = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) light += raster::greenOf(shown.pixel(x, y)) > 128;
    EXPECT_GT(light, 250);
    // Closed: the frame's own pixels are back after a paint.
    client.onPaint();
    EXPECT_EQ(tf::xtest::differingPixels(wholeWindow(), client.surface), 0);
}

TEST_F(X11EditBox, EditingKeysAndFocusLoss) {
    char text[256] = "abcdef";
    run(text, sizeof text, [&](int idle) {
        if (idle != 2) return;
        session.tap("Right");      // caret at the end
        session.tap("BackSpace");  // abcde
        session.tap("Home");
        session.tap("Delete");     // bcde
        session.tap("Right");
        session.tap("Right");
        session.type("x");         // bcxde
        session.tap("End");
        session.type("9");         // bcxde9
        session.tap("Left");
        session.keyDown("Shift_L");
        session.tap("Left");       // selects "e"
        session.keyUp("Shift_L");
        session.type("-");         // bcxd-9
        session.focus();           // the host takes the focus: closes and applies
    });
    EXPECT_STREQ(text, "bcxd-9");
}

TEST_F(X11EditBox, ClickElsewhereAppliesAndTheClickStaysQueued) {
    char text[256] = "abc";
    run(text, sizeof text, [&](int idle) {
        if (idle == 2) session.type("zz");
        if (idle == 4) session.click({5, 6}, child);
    });
    EXPECT_STREQ(text, "zz");
    ASSERT_TRUE(waitFor([&] { return !client.presses.empty(); }, [&] { pump(); }));
    EXPECT_EQ(client.presses.front(), CPoint(5, 6));
}

TEST_F(X11EditBox, EscapeKeepsTheTextAndLengthIsBounded) {
    char text[256] = "keep";
    run(text, sizeof text, [&](int idle) {
        if (idle == 2) session.type("gone");
        if (idle == 3) session.tap("Escape");
    });
    EXPECT_STREQ(text, "keep");

    char small[6] = "ab";
    run(small, sizeof small, [&](int idle) {
        if (idle == 2) session.type("123456789");
        if (idle == 4) session.tap("Return");
    });
    EXPECT_STREQ(small, "12345");
}

TEST_F(X11EditBox, EditorClosedWhileEditingLeavesTheTextAlone) {
    char text[256] = "keep";
    client.script = [&](int idle) {
        if (idle == 2) session.type("zz");
        if (idle == 4) {
            platform::destroyWindow(client.window);  // the host closes the editor
            client.window = nullptr;
        }
    };
    platform::Window* w = client.window;
    platform::runEditBox(w, box(), text, sizeof text, client);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(session.childWindow(), 0u);
}

// ---- Popup menu -----------------------------------------------------------

class X11PopupMenu : public X11Binding {
protected:
    void SetUp() override {
        X11Binding::SetUp();
        entries = {{"Saw", platform::kMenuChecked},
                   {"Square", 0},
                   {"", platform::kMenuSeparator},
                   {"Greyed", platform::kMenuGreyed},
                   {"Title", platform::kMenuDisabled},
                   {"Pulse", platform::kMenuColumnBreak},
                   {"Noise", 0}};
        menu.where = CPoint(30, 50);
        menu.entries = entries.data();
        menu.count = int(entries.size());
        menu.fonts = &fonts;
        layout = platform::x11::layoutMenu(menu, 768);
    }
    // The centre of entry `i` relative to the menu window.
    CPoint centreOf(int i) const {
        const CRect& b = layout.boxes[std::size_t(i)];
        return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    }
    int run(std::function<void(int)> script) {
        client.idles = 0;
        client.script = [&, script](int idle) {
            if (idle > kIdleLimit) {
                ADD_FAILURE() << "the menu did not close";
                session.tap("Escape");
                return;
            }
            script(idle);
        };
        const int chosen = platform::runPopupMenu(client.window, menu, client);
        client.script = nullptr;
        return chosen;
    }

    std::vector<platform::MenuEntry> entries;
    platform::PopupMenu menu;
    platform::x11::MenuLayout layout;
};

TEST_F(X11PopupMenu, ShownBelowThePointGivenAndAClickChooses) {
    tf::xtest::WindowId popup = 0;
    const int chosen = run([&](int idle) {
        if (idle == 2) {
            popup = session.popupWindow();
            if (!popup) return;
            const CRect g = session.geometry(popup);
            const CPoint frameAt = session.rootOrigin(child);
            EXPECT_EQ(CPoint(g.left, g.top), CPoint(frameAt.x + 30, frameAt.y + 50));
            EXPECT_EQ(g.width(), layout.width);
            EXPECT_EQ(g.height(), layout.height);
            // For a person to look at.
            EXPECT_TRUE(tf::raster::writePng(session.grab(popup, CRect(0, 0, g.width(), g.height())),
                                          std::string(TF_X11_ARTEFACT_DIR) + "/gui-x11-menu.png"));
            // The two columns: "Pulse" starts the second one.
            EXPECT_GT(layout.boxes[5].left, layout.boxes[0].right - 1);
            EXPECT_EQ(layout.boxes[5].top, layout.boxes[0].top);
            // Greyed entries, titles and separators are not chosen.
            session.click(centreOf(3), popup);
            session.click(centreOf(4), popup);
            session.click(centreOf(2), popup);
        }
        if (idle == 6) session.click(centreOf(1), popup);
    });
    ASSERT_NE(popup, 0u);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(session.popupWindow(), 0u);
    pump();
    EXPECT_TRUE(client.presses.empty());
}

TEST_F(X11PopupMenu, ClickOutsideDismissesAndReachesNothingElse) {
    session.takeParentPresses();
    const int chosen = run([&](int idle) {
        // Outside the menu, on the host's window beside the frame.
        if (idle == 2) session.click({kWidth + 20, 10});
    });
    EXPECT_EQ(chosen, -1);
    EXPECT_EQ(session.takeParentPresses(), 0);
    pump();
    EXPECT_TRUE(client.presses.empty());

    // And on the frame itself.
    EXPECT_EQ(run([&](int idle) {
                  if (idle == 2) session.click({5, 5}, child);
              }),
              -1);
    pump();
    EXPECT_TRUE(client.presses.empty());
}

TEST_F(X11PopupMenu, PressDragReleaseChoosesAndEscapeDismisses) {
    // As after the press that opened the menu: held, moved onto an entry, released.
    session.moveTo({30, 40}, child);
    session.press(1);
    const int chosen = run([&](int idle) {
        const tf::xtest::WindowId popup = session.popupWindow();
        if (idle == 2 && popup) session.moveTo(centreOf(6), popup);
        if (idle == 3) session.release(1);
    });
    EXPECT_EQ(chosen, 6);

    EXPECT_EQ(run([&](int idle) {
                  if (idle == 2) session.tap("Escape");
              }),
              -1);
    // Keyboard: down twice from nothing is "Square"; Return chooses it.
    EXPECT_EQ(run([&](int idle) {
                  if (idle != 2) return;
                  session.tap("Down");
                  session.tap("Down");
                  session.tap("Return");
              }),
              1);
}

// ---- Lifecycle ------------------------------------------------------------

TEST_F(X11Binding, HostDestroyingItsWindowFirstIsSurvived) {
    session.destroyParent();
    ASSERT_TRUE(waitFor([&] { return client.destroyed; }, [&] { pump(); }));
    // Everything after that is harmless.
    platform::present(client.window, client.surface, client.surface.bounds());
    EXPECT_FALSE(platform::dispatchPendingPaint(client.window));
    platform::mouseButtons(client.window);
    char text[8] = "x";
    platform::EditBox box;
    box.area = CRect(0, 0, 10, 10);
    platform::runEditBox(client.window, box, text, sizeof text, client);
    EXPECT_EQ(platform::runPopupMenu(client.window, platform::PopupMenu{}, client), -1);
}

TEST(X11BindingOpen, InAParentWithAnAlphaVisualThePixelsAreExactAndOpaque) {
    XSession session(kWidth, kHeight, true);
    ASSERT_TRUE(session.ok());
    raster::FontEngine fonts;
    TestClient client;
    client.surface = pattern(fonts);
    client.window = platform::createChildWindow(session.parentHandle(), kWidth, kHeight, client);
    ASSERT_NE(client.window, nullptr);
    ASSERT_TRUE(waitFor([&] { return client.paints > 0; }, [&] { platform::processEvents(client.window); }));
    const tf::xtest::WindowId child = session.childWindow();
    EXPECT_EQ(tf::xtest::differingPixels(session.grab(child, CRect(0, 0, kWidth, kHeight)), client.surface), 0);
    EXPECT_EQ(session.rawPixel(child, {5, 5}) >> 24, 0xffu);  // alpha: opaque
    platform::destroyWindow(client.window);
}

TEST(X11BindingOpen, AParentThatIsNoWindowGivesNoWindow) {
    XSession session(10, 10);
    ASSERT_TRUE(session.ok());
    TestClient client;
    EXPECT_EQ(platform::createChildWindow(nullptr, 10, 10, client), nullptr);
    // An id no window has: refused without ending the process.
    void* bogus = reinterpret_cast<void*>(std::uintptr_t(0x7ffff0));
    EXPECT_EQ(platform::createChildWindow(bogus, 10, 10, client), nullptr);
}

}  // namespace
