// A frame of stock controls rendered headless, checked and saved as a PNG
// for a person to look at.
#include <png.h>

#include <filesystem>

#include "demo_frame.h"
#include "support.h"

using namespace guitest;

namespace {

bool writePng(const tf::raster::Surface& s, const std::string& path) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(s.width()) * std::size_t(s.height()) * 3u);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const tf::raster::Pixel p = s.pixel(x, y);
            rgb.push_back(tf::raster::redOf(p));
            rgb.push_back(tf::raster::greenOf(p));
            rgb.push_back(tf::raster::blueOf(p));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s.width());
    image.height = png_uint_32(s.height());
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

class SnapshotTest : public GuiTest {
protected:
    void SetUp() override {
        tf::headless::reset();
        editor = new TestEditor(&effect, guidemo::kFrameSize);
        editor->open(&parentToken);
        frame = editor->getFrame();
    }
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
    EXPECT_TRUE(writePng(shown, (dir / "gui-headless.png").string()));
}
