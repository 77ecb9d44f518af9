// Talkforge.clap's editor as a Windows host embeds it, under Wine: created
// through the GUI extension in a stand-in host window, driven by the test
// host's timers and the thread's message loop, clicked with SendInput and
// destroyed. What the window shows is compared with the same editor drawn
// through the headless binding (linked into this program with the same
// bitmaps in its resources and the same GDI text).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editor/layout.h"
#include "tests/clap/clap_host.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui/window_checks.h"
#include "tests/windows/gui_session.h"
#include "vocoder/talkforge.h"

namespace raster = tf::raster;
using namespace claphost;
using wintest::Session;

namespace {

constexpr std::uint32_t kWidth = 640;
constexpr std::uint32_t kHeight = 385;
constexpr int kMargin = 40;  // host window around the editor

TEST(ClapEditorOnWin32, IsEmbeddedDrawsAsTheHeadlessEditorAndReportsAClickAsAGesture) {
    Session session(int(kWidth) + kMargin, int(kHeight) + kMargin);
    ASSERT_TRUE(session.ok());
    ClapHost host;
    ClapInstance plugin(host);
    ASSERT_TRUE(plugin.ok());
    const clap_plugin_gui* gui = plugin.gui();
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, "win32");
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, "x11", false));
    ASSERT_TRUE(gui->create(plugin.plugin, "win32", false));
    clap_window window{};
    window.api = "win32";
    window.win32 = session.parent();
    ASSERT_TRUE(gui->set_parent(plugin.plugin, &window));
    ASSERT_TRUE(gui->show(plugin.plugin));
    const HWND child = session.childWindow();
    ASSERT_NE(child, nullptr);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, LONG(kWidth));
    EXPECT_EQ(client.bottom, LONG(kHeight));
    EXPECT_EQ(host.timers.size(), 1u);
    EXPECT_TRUE(host.fileDescriptors.empty());

    // The panel for the instance's saved state, every pixel.
    std::string state;
    ASSERT_TRUE(plugin.save(state));
    float values[kNumParams] = {};
    ASSERT_TRUE(readState(state, values));
    const raster::Surface expected = editortest::headlessPanel(std::vector<float>(std::begin(values), std::end(values)));
    const auto shown = [&] { return Session::grab(child, CRect(0, 0, int(kWidth), int(kHeight))); };
    host.runUntil([&] { return guitest::differingPixels(shown(), expected) == 0; });
    EXPECT_EQ(guitest::differingPixels(shown(), expected), 0);
    guitest::writeBmpFile(shown(), std::string(TF_CLAP_ARTEFACT_DIR) + "/clap-editor-win32.bmp");

    const int flushes = host.flushRequests;
    Session::click(editortest::centreOf(layout::kFreezeButton), child);
    ASSERT_TRUE(host.runUntil([&] { return host.flushRequests >= flushes + 4; }));
    EventList in, out;
    plugin.flush(in, out);
    EXPECT_EQ(out.parameterText(), "b4 4=1 e4 4=0 ");

    gui->destroy(plugin.plugin);
    Session::pumpMessages();
    EXPECT_EQ(session.childWindow(), nullptr);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.misuse.empty());
}

}  // namespace
