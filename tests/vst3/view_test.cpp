// The bundle's editor as a Linux host shows it: the view attached to a
// stand-in host window on a real X server, driven only by the host's run
// loop (this test's frame), clicked with input synthesized through XTest,
// fed meters by a processor that runs, opened and closed many times. What the
// window shows is compared with the same editor drawn through the headless
// binding (linked into this program).
#include <dirent.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/layout.h"
#include "gui/platform/raster/png.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui-x11/xsession.h"
#include "tests/vocoder/signals.h"
#include "tests/vst3/fixture.h"
#include "tests/vst3/frame_linux.h"

namespace {

using namespace vst3;
using namespace vst3test;
using editortest::centreOf;
using tf::xtest::XSession;

constexpr int kWidth = kViewWidth;
constexpr int kHeight = kViewHeight;
constexpr int kMargin = 20;  // host window around the view

int threadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

class ViewOnX : public BundleTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << "no X display with XTest";
        BundleTest::SetUp();
        plugin = newInstance();
        ASSERT_TRUE(plugin->ok());
    }
    void TearDown() override {
        close();
        plugin.reset();
    }

    bool open() {
        view = attachView(plugin->controller.get(), frame.get(), session.parentHandle(), kPlatformTypeX11EmbedWindowID);
        child = session.childWindow();
        return view && child != 0;
    }
    void close() { detachView(view); }
    tf::raster::Surface shown() { return session.grab(child, CRect(0, 0, kWidth, kHeight)); }
    // Runs the host's loop until the window shows the headless drawing of the values.
    long differenceFromHeadless() {
        const tf::raster::Surface expected = editortest::headlessPanel(editorValues(plugin->controller.get()));
        frame->runUntil([&] { return tf::xtest::differingPixels(shown(), expected) == 0; });
        return tf::xtest::differingPixels(shown(), expected);
    }
    // The host passes the editor's edits on to the processor with its next block.
    void passEditsToTheProcessor() {
        auto changes = Ref<ParameterChanges>::adopt(new ParameterChanges);
        for (const auto& [id, value] : plugin->handler->performed) changes->add(id, 0, value);
        plugin->handler->performed.clear();
        std::vector<Bus> none;
        ProcessOptions options;
        options.changes = changes.get();
        ASSERT_EQ(plugin->process(none, none, 0, options), kResultOk);
    }

    std::unique_ptr<Instance> plugin;
    Ref<HostFrame> frame = Ref<HostFrame>::adopt(new HostFrame);
    XSession session{kWidth + kMargin, kHeight + kMargin};
    Ref<IPlugView> view;
    tf::xtest::WindowId child = 0;
};

TEST_F(ViewOnX, RunsInTheHostsLoopAndDrawsTheHeadlessPanel) {
    const int threads = threadCount();
    ASSERT_TRUE(open());
    // The editor's X connection and a timer, in the host's loop; no thread of its own.
    EXPECT_EQ(frame->eventHandlers(), 1u);
    EXPECT_EQ(frame->timerHandlers(), 1u);
    const CRect parent = session.geometry(session.parent());
    EXPECT_EQ(session.geometry(child), CRect(parent.left, parent.top, parent.left + kWidth, parent.top + kHeight));
    EXPECT_EQ(differenceFromHeadless(), 0);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_GT(frame->timerCalls, 0);
    tf::raster::writePng(session.grab(0, CRect(0, 0, kWidth + kMargin, kHeight + kMargin)),
                         std::string(TF_VST3_ARTEFACT_DIR) + "/vst3-view-x11.png");

    // Fixed size; other platforms' windows refused.
    EXPECT_EQ(view->canResize(), kResultFalse);
    ViewRect wanted{10, 10, 900, 900};
    EXPECT_EQ(view->checkSizeConstraint(&wanted), kResultTrue);
    EXPECT_EQ(wanted.width(), kWidth);
    EXPECT_EQ(wanted.height(), kHeight);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(plugin->controller->createView("about"), nullptr);
    EXPECT_EQ(plugin->controller->createView(nullptr), nullptr);

    // A value the host sets shows.
    ASSERT_EQ(plugin->controller->setParamNormalized(kModLevel, 0.25), kResultOk);
    EXPECT_EQ(differenceFromHeadless(), 0);

    close();
    EXPECT_EQ(frame->eventHandlers(), 0u);
    EXPECT_EQ(frame->timerHandlers(), 0u);
    EXPECT_EQ(session.childWindow(), 0u);
}

TEST_F(ViewOnX, AClickReachesTheHostAsAnEditWithItsGesture) {
    ASSERT_TRUE(open());
    ASSERT_EQ(differenceFromHeadless(), 0);
    std::string& told = plugin->handler->gestures;

    // The click arrives on the editor's X connection: the host's loop wakes
    // on its descriptor.
    const int eventCalls = frame->eventCalls;
    session.click(centreOf(layout::kOctaveButtons[2]), child);
    ASSERT_TRUE(frame->runUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told, "b21 21=1 e21 ");
    EXPECT_GT(frame->eventCalls, eventCalls);
    EXPECT_EQ(plugin->controller->getParamNormalized(kOctave), 1.0);

    told.clear();
    session.click(centreOf(layout::kFreezeButton), child);
    ASSERT_TRUE(frame->runUntil([&] { return told.find("4=0 e4 ") != std::string::npos; }));
    EXPECT_EQ(told.substr(0, 7), "b4 4=1 ") << told;

    // The host passes the edits on; the processor holds them.
    passEditsToTheProcessor();
    EXPECT_NE(plugin->processorState().find("\noctave 1\n"), std::string::npos);
    EXPECT_EQ(differenceFromHeadless(), 0);
    tf::raster::writePng(shown(), std::string(TF_VST3_ARTEFACT_DIR) + "/vst3-view-x11-after.png");
}

// The processor measures while the view is open and answers the
// controller's requests with messages; the meters rise in the window.
TEST_F(ViewOnX, MetersComeFromTheRunningProcessorThroughMessages) {
    ASSERT_EQ(plugin->start(44100.0, 512), kResultOk);
    ASSERT_TRUE(open());
    ASSERT_EQ(differenceFromHeadless(), 0);
    const tf::raster::Surface quiet = shown();
    const std::vector<float> loud = sine(512, 440.0, 44100.0, 0.9f);
    std::vector<Bus> in(2), out(1);
    in[0].channels = {loud, loud};
    in[1].channels = {loud, loud};
    out[0].channels.assign(2, std::vector<float>(512));
    const CRect meter = layout::kMeters[0];
    auto meterMoved = [&] {
        EXPECT_EQ(plugin->process(in, out, 512), kResultOk);
        const tf::raster::Surface now = shown();
        for (int y = meter.top; y < meter.bottom; ++y)
            for (int x = meter.left; x < meter.right; ++x)
                if (now.row(y)[x] != quiet.row(y)[x]) return true;
        return false;
    };
    EXPECT_TRUE(frame->runUntil(meterMoved));
    EXPECT_GT(plugin->toProcessor->delivered, 0);
    EXPECT_GT(plugin->toController->delivered, 0);
    close();
    // Closed: no more requests, the processor stops measuring.
    const int requests = plugin->toProcessor->delivered;
    frame->runUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(plugin->toProcessor->delivered, requests);
}

// Run under LeakSanitizer in the sanitizer build: nothing may be left over.
TEST_F(ViewOnX, TwoHundredOpenCloseCycles) {
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(open()) << i;
        frame->runOnce();
        close();
    }
    EXPECT_EQ(session.childWindow(), 0u);
    EXPECT_EQ(frame->eventHandlers(), 0u);
    EXPECT_EQ(frame->timerHandlers(), 0u);
}

}  // namespace
