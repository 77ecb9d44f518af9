// The Windows bundle's editor as a Windows host shows it, under Wine: the
// view attached to a stand-in host window (an HWND), idled by nothing but
// the host's message loop, drawn as the headless editor (linked here with
// the same bitmaps and GDI text), clicked, opened and closed many times.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/layout.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui/window_checks.h"
#include "tests/vst3/host.h"
#include "tests/windows/gui_session.h"

namespace {

using namespace vst3;
using namespace vst3test;
using editortest::centreOf;
using wintest::Session;

constexpr int kWidth = 640;
constexpr int kHeight = 385;
constexpr int kMargin = 40;  // host window around the view

class ViewInAWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = new Module;
        session = new Session(kWidth + kMargin, kHeight + kMargin);
    }
    static void TearDownTestSuite() {
        delete session;
        delete module;
        session = nullptr;
        module = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(session->ok());
        ASSERT_NE(module->factory(), nullptr) << module->error;
        plugin = std::make_unique<Instance>(module->factory(), *host);
        ASSERT_TRUE(plugin->ok());
    }
    void TearDown() override {
        close();
        plugin.reset();
    }

    bool open() {
        IPlugView* v = plugin->controller->createView(kEditorViewName);
        if (!v) return false;
        view = Ref<IPlugView>::adopt(v);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
        ViewRect size{};
        EXPECT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.width(), kWidth);
        EXPECT_EQ(size.height(), kHeight);
        if (view->attached(session->parent(), kPlatformTypeHWND) != kResultOk) return false;
        child = session->childWindow();
        return child != nullptr;
    }
    void close() {
        if (!view) return;
        view->removed();
        view.reset();
        Session::pumpMessages();
    }
    // The host's loop turns until `done` holds.
    bool until(const std::function<bool()>& done) { return guitest::waitFor(done, [] { Session::pumpMessages(); }); }
    std::vector<float> values() {
        std::vector<float> v;
        for (int i = 0; i < kNumParams; ++i)
            v.push_back(static_cast<float>(plugin->controller->getParamNormalized(static_cast<ParamID>(i))));
        return v;
    }
    tf::raster::Surface shown() { return Session::grab(child, CRect(0, 0, kWidth, kHeight)); }
    long differenceFromHeadless() {
        const tf::raster::Surface expected = editortest::headlessPanel(values());
        until([&] { return guitest::differingPixels(shown(), expected) == 0; });
        return guitest::differingPixels(shown(), expected);
    }

    static inline Module* module = nullptr;
    static inline Session* session = nullptr;
    Ref<HostApplication> host = Ref<HostApplication>::adopt(new HostApplication);
    std::unique_ptr<Instance> plugin;
    Ref<IPlugView> view;
    HWND child = nullptr;
};

TEST_F(ViewInAWindow, DrawsThePanelClicksReachTheHostAndItClosesWithoutATrace) {
    ASSERT_TRUE(open());
    EXPECT_EQ(GetParent(child), session->parent());
    EXPECT_EQ(differenceFromHeadless(), 0);

    // A value the host sets shows, with nothing but the host's message loop running.
    ASSERT_EQ(plugin->controller->setParamNormalized(kCarLevel, 0.75), kResultOk);
    EXPECT_EQ(differenceFromHeadless(), 0);

    std::string& told = plugin->handler->gestures;
    Session::click(centreOf(layout::kSourceButtons[1]), child);
    ASSERT_TRUE(until([&] { return !told.empty(); }));
    EXPECT_EQ(told, "b25 25=1 e25 ");

    close();
    EXPECT_EQ(session->childWindow(), nullptr);
}

TEST_F(ViewInAWindow, FiftyOpenCloseCycles) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(open()) << i;
        Session::pumpMessages();
        close();
    }
    EXPECT_EQ(session->childWindow(), nullptr);
}

}  // namespace
