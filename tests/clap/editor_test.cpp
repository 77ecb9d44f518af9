// Talkforge.clap's editor as a Linux host embeds it, on a real X server:
// created through the GUI extension in a stand-in host window, driven only
// by the test host's timers and file-descriptor watching, clicked with input
// synthesized through XTest, destroyed and made again. What the window shows
// is compared with the same editor drawn through the headless binding
// (linked into this program) for the instance's saved state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/keyboard.h"
#include "editor/layout.h"
#include "gui/platform/raster/png.h"
#include "tests/clap/clap_host.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui-x11/xsession.h"
#include "vocoder/talkforge.h"

namespace raster = tf::raster;
using tf::xtest::XSession;
using namespace claphost;

namespace {

constexpr std::uint32_t kWidth = 640;
constexpr std::uint32_t kHeight = 385;
constexpr int kMargin = 20;  // host window around the editor

using editortest::centreOf;

std::string artefact(const std::string& name) { return std::string(TF_CLAP_ARTEFACT_DIR) + "/" + name; }

class ClapEditorOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << "no X display with XTest";
        ASSERT_TRUE(plugin.ok());
        gui = plugin.gui();
        ASSERT_NE(gui, nullptr);
    }
    void TearDown() override {
        if (gui) gui->destroy(plugin.plugin);
    }

    // As qtractor embeds an editor.
    bool open() {
        if (!gui->is_api_supported(plugin.plugin, "x11", false) || !gui->create(plugin.plugin, "x11", false))
            return false;
        clap_window window{};
        window.api = "x11";
        window.x11 = session.parent();
        if (!gui->set_parent(plugin.plugin, &window)) return false;
        child = session.childWindow();
        return gui->show(plugin.plugin);
    }
    raster::Surface shown() { return session.grab(child, CRect(0, 0, int(kWidth), int(kHeight))); }
    // The engine's values as the instance saves them, drawn by the headless editor.
    raster::Surface expected() {
        std::string state;
        EXPECT_TRUE(plugin.save(state));
        float values[kNumParams] = {};
        EXPECT_TRUE(readState(state, values));
        return editortest::headlessPanel(std::vector<float>(std::begin(values), std::end(values)));
    }
    // Runs the host's loop until the window shows the headless drawing.
    long differenceFromHeadless() {
        const raster::Surface reference = expected();
        host.runUntil([&] { return tf::xtest::differingPixels(shown(), reference) == 0; });
        return tf::xtest::differingPixels(shown(), reference);
    }
    // What the plug-in told the host since the last call, through flush.
    std::string told() {
        EventList in, out;
        plugin.flush(in, out);
        return out.parameterText();
    }

    XSession session{int(kWidth) + kMargin, int(kHeight) + kMargin};
    ClapHost host;
    ClapInstance plugin{host};
    const clap_plugin_gui* gui = nullptr;
    tf::xtest::WindowId child = 0;
};

TEST_F(ClapEditorOnX, IsEmbeddedAtItsFixedSizeOnTheHostsRunLoopAndDrawsAsTheHeadlessEditor) {
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, "x11");
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, "x11", true));
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, "wayland", true));
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, "win32", false));
    EXPECT_FALSE(gui->create(plugin.plugin, "x11", true));
    ASSERT_TRUE(gui->create(plugin.plugin, "x11", false));
    EXPECT_FALSE(gui->create(plugin.plugin, "x11", false));  // once until destroyed

    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(plugin.plugin, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    EXPECT_FALSE(gui->can_resize(plugin.plugin));
    clap_gui_resize_hints hints{true, true, true, 1, 1};
    ASSERT_TRUE(gui->get_resize_hints(plugin.plugin, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically || hints.preserve_aspect_ratio);
    w = 800;
    h = 200;
    ASSERT_TRUE(gui->adjust_size(plugin.plugin, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    EXPECT_TRUE(gui->set_size(plugin.plugin, kWidth, kHeight));
    EXPECT_FALSE(gui->set_size(plugin.plugin, kWidth + 1, kHeight));
    EXPECT_FALSE(gui->set_scale(plugin.plugin, 2.0));
    clap_window floatingParent{};
    floatingParent.api = "x11";
    EXPECT_FALSE(gui->set_transient(plugin.plugin, &floatingParent));
    gui->suggest_title(plugin.plugin, "Talkforge 1");

    clap_window window{};
    window.api = "x11";
    window.x11 = session.parent();
    ASSERT_TRUE(gui->set_parent(plugin.plugin, &window));
    child = session.childWindow();
    ASSERT_NE(child, 0u);
    ASSERT_TRUE(gui->show(plugin.plugin));
    const CRect parent = session.geometry(session.parent());
    EXPECT_EQ(session.geometry(child), CRect(parent.left, parent.top, parent.left + int(kWidth), parent.top + int(kHeight)));
    // One timer and the display connection, on the host's loop.
    EXPECT_EQ(host.timers.size(), 1u);
    EXPECT_EQ(host.fileDescriptors.size(), 1u);
    for (const auto& [fd, flags] : host.fileDescriptors) EXPECT_EQ(flags, kFdRead);

    EXPECT_EQ(differenceFromHeadless(), 0);
    raster::writePng(session.grab(0, CRect(0, 0, int(kWidth) + kMargin, int(kHeight) + kMargin)),
                     artefact("clap-editor-x11.png"));
    EXPECT_GT(host.timerCalls, 0);

    // Values the host sets, through flush and through state, show.
    EventList in, out;
    in.add(paramValueEvent(0, kModLevel, 0.2));
    in.add(paramValueEvent(0, kWaveform, 3.0));
    in.add(paramValueEvent(0, kBand1 + 5, 1.0));
    plugin.flush(in, out);
    EXPECT_EQ(differenceFromHeadless(), 0);
    ASSERT_TRUE(plugin.load("talkforge-state 1\nformant 0.9\nsource 1\noctave 0\nband_40 0\n"));
    EXPECT_EQ(differenceFromHeadless(), 0);

    // Hidden, it draws nothing more; shown, it catches up.
    ASSERT_TRUE(gui->hide(plugin.plugin));
    in.clear();
    in.add(paramValueEvent(0, kCarLevel, 1.0));
    plugin.flush(in, out);
    ASSERT_TRUE(gui->show(plugin.plugin));
    EXPECT_EQ(differenceFromHeadless(), 0);

    gui->destroy(plugin.plugin);
    EXPECT_EQ(session.childWindow(), 0u);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.fileDescriptors.empty());
    EXPECT_TRUE(host.misuse.empty());
}

TEST_F(ClapEditorOnX, ClicksReachTheHostAsGesturesAndValues) {
    ASSERT_TRUE(open());
    ASSERT_EQ(differenceFromHeadless(), 0);
    // Each change asks the host for a flush.
    const auto clickAndWait = [&](CPoint where, int changes) {
        const int flushes = host.flushRequests;
        session.click(where, child);
        return host.runUntil([&] { return host.flushRequests >= flushes + changes; });
    };

    // A button held and let go: a gesture, recorded.
    ASSERT_TRUE(clickAndWait(centreOf(layout::kFreezeButton), 4));
    EXPECT_EQ(told(), "b4 4=1 e4 4=0 ");
    EXPECT_GT(host.dirtyMarks, 0);

    // A button of a group: a recorded value, by position.
    session.click(centreOf(layout::kOctaveButtons[2]), child);
    ASSERT_TRUE(host.runUntil([&] { return plugin.value(kOctave) == 2.0; }));
    EXPECT_EQ(told(), "21=2 ");

    // The chord keyboard sets its parameters without recording them.
    const CPoint key = CKeyboardBitmap::dotPosition(7);
    session.click({layout::kKeyboard.left + key.x + 5, layout::kKeyboard.top + 50}, child);
    ASSERT_TRUE(host.runUntil([&] { return plugin.value(kO1Level) == 1.0; }));
    EXPECT_EQ(plugin.value(kO1Freq), 7.0);
    const std::string keyboard = told();
    EXPECT_NE(keyboard.find("8=7! "), std::string::npos) << keyboard;
    EXPECT_NE(keyboard.find("9=1! "), std::string::npos) << keyboard;
    EXPECT_EQ(keyboard.find_first_of("be"), std::string::npos) << keyboard;

    // While the host processes, the changes leave with the next block.
    ASSERT_TRUE(plugin.activate(48000.0, 1, 256));
    ASSERT_TRUE(plugin.startProcessing());
    ASSERT_TRUE(clickAndWait(centreOf(layout::kFreezeButton), 4));
    std::vector<float> in(256), left(256), right(256);
    EventList none, out;
    plugin.process(in.data(), nullptr, left.data(), right.data(), 256, none, out);
    EXPECT_EQ(out.parameterText(), "b4 4=1 e4 4=0 ");
    EXPECT_EQ(differenceFromHeadless(), 0);
    EXPECT_TRUE(host.misuse.empty());
}

TEST_F(ClapEditorOnX, WakesThroughItsDisplayConnectionWhenTheHostsTimerIsSlow) {
    ClapHost slow(ClapHost::Options{.shortestTimerMs = 60000});
    ClapInstance p(slow);
    ASSERT_TRUE(p.gui()->create(p.plugin, "x11", false));
    clap_window window{};
    window.api = "x11";
    window.x11 = session.parent();
    ASSERT_TRUE(p.gui()->set_parent(p.plugin, &window));
    ASSERT_TRUE(p.gui()->show(p.plugin));
    const tf::xtest::WindowId editorWindow = session.childWindow();
    slow.run(100);
    const int flushes = slow.flushRequests;
    session.click(centreOf(layout::kFreezeButton), editorWindow);
    ASSERT_TRUE(slow.runUntil([&] { return slow.flushRequests >= flushes + 4; }));
    EXPECT_EQ(slow.timerCalls, 0);
    EXPECT_GT(slow.fdCalls, 0);
    EventList in, out;
    p.flush(in, out);
    EXPECT_EQ(out.parameterText(), "b4 4=1 e4 4=0 ");
    p.gui()->destroy(p.plugin);
}

TEST_F(ClapEditorOnX, NeedsTheHostsTimersAndFileDescriptors) {
    for (const ClapHost::Options options : {ClapHost::Options{.timers = false}, ClapHost::Options{.fileDescriptors = false}}) {
        ClapHost partial(options);
        ClapInstance p(partial);
        ASSERT_TRUE(p.ok());
        EXPECT_TRUE(p.gui()->is_api_supported(p.plugin, "x11", false));
        EXPECT_FALSE(p.gui()->create(p.plugin, "x11", false));
        clap_window window{};
        window.api = "x11";
        window.x11 = session.parent();
        EXPECT_FALSE(p.gui()->set_parent(p.plugin, &window));
        EXPECT_EQ(session.childWindow(), 0u);
        p.gui()->destroy(p.plugin);
    }
}

TEST_F(ClapEditorOnX, SurvivesTheHostDestroyingItsWindowFirst) {
    ASSERT_TRUE(open());
    host.run(50);
    session.destroyParent();
    host.run(50);
    gui->destroy(plugin.plugin);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.fileDescriptors.empty());
}

// Run under LeakSanitizer in the sanitizer build: nothing may be left over.
TEST_F(ClapEditorOnX, TwoHundredCreateDestroyCyclesLeaveNothingBehind) {
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(open()) << i;
        host.run(2);
        gui->destroy(plugin.plugin);
        ASSERT_EQ(session.childWindow(), 0u) << i;
        ASSERT_TRUE(host.timers.empty()) << i;
        ASSERT_TRUE(host.fileDescriptors.empty()) << i;
    }
    ASSERT_TRUE(open());
    EXPECT_EQ(differenceFromHeadless(), 0);
}

}  // namespace
