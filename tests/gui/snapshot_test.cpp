// A frame of stock controls rendered headless, checked and saved as a PNG
// for a person to look at.
#include <filesystem>

#include "demo_frame.h"
#include "gui/platform/raster/png.h"
#include "support.h"

using namespace guitest;

namespace {

class SnapshotTest : public GuiTest {
protected:
    SnapshotTest() : GuiTest(guidemo::kFrameSize) {}
};

}  // namespace

TEST_F(SnapshotTest, DemoFrameDrawsAsTheWindowShowsItAndIsSaved) {
    guidemo::DemoViews v = guidemo::addDemoViews(frame, &listener);
    firstPaint();
    editor->idle();
    editor->idle();

    // Draw once, present anywhere: the window shows the frame's own pixels.
    const tf::raster::Surface& shown = tf::headless::screen(window());
    const tf::raster::Surface& drawnSurface = frame->getSurface();
    ASSERT_EQ(shown.width(), guidemo::kFrameSize.width());
    EXPECT_TRUE(std::equal(shown.data(), shown.data() + shown.width() * shown.height(), drawnSurface.data()));

    // The meter at 0.6 of 124 steps lights 74 columns.
    int lit = 0;
    for (int x = guidemo::kMeterRect.left; x < guidemo::kMeterRect.right; ++x)
        lit += tf::raster::greenOf(shown.pixel(x, guidemo::kMeterRect.top + 2)) > 200;
    EXPECT_EQ(lit, 74);

    // A toggle click shows the "on" image at once.
    tf::headless::pushMouse(tf::platform::kButtonLeft, CPoint(90, 30));
    tf::headless::queueMouseDown(window(), CPoint(90, 30));
    tf::platform::processEvents(window());
    EXPECT_EQ(v.toggle->getValue(), 1.0f);
    editor->idle();

    const std::filesystem::path dir(TF_GUI_ARTEFACT_DIR);
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(tf::raster::writePng(shown, (dir / "gui-headless.png").string()));
}
