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
#include "tests/vst3/fixture.h"
#include "tests/windows/gui_session.h"

namespace {

using namespace vst3;
using namespace vst3test;
using editortest::centreOf;
using wintest::Session;

constexpr int kWidth = kViewWidth;
constexpr int kHeight = kViewHeight;
constexpr int kMargin = 40;  // host window around the view

class ViewInAWindow : public BundleTest {
protected:
    static void SetUpTestSuite() {
        BundleTest::SetUpTestSuite();
        session = new Session(kWidth + kMargin, kHeight + kMargin);
    }
    static void TearDownTestSuite() {
        delete session;
        session = nullptr;
        BundleTest::TearDownTestSuite();
    }
    void SetUp() override {
        ASSERT_TRUE(session->ok());
        BundleTest::SetUp();
        plugin = newInstance();
        ASSERT_TRUE(plugin->ok());
    }
    void TearDown() override {
        close();
        plugin.reset();
    }

    // A Windows host's frame offers no run loop: the view's timer runs in its message loop.
    bool open() {
        view = attachView(plugin->controller.get(), nullptr, session->parent(), kPlatformTypeHWND);
        child = session->childWindow();
        return view && child != nullptr;
    }
    void close() {
        detachView(view);
        Session::pumpMessages();
    }
    // The host's loop turns until `done` holds.
    bool until(const std::function<bool()>& done) {
        return guitest::waitFor(done, [] { Session::pumpMessages(); });
    }
    tf::raster::Surface shown() { return Session::grab(child, CRect(0, 0, kWidth, kHeight)); }
    long differenceFromHeadless() {
        const tf::raster::Surface expected = editortest::headlessPanel(editorValues(plugin->controller.get()));
        until([&] { return guitest::differingPixels(shown(), expected) == 0; });
        return guitest::differingPixels(shown(), expected);
    }

    static inline Session* session = nullptr;
    std::unique_ptr<Instance> plugin;
    Ref<IPlugView> view;
    HWND child = nullptr;
};

TEST_F(ViewInAWindow, DrawsThePanelClicksReachTheHostAndItClosesWithoutATrace) {
    ASSERT_TRUE(open());
    EXPECT_EQ(GetParent(child), session->parent());
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
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
