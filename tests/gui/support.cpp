#include "support.h"

#include "gui/resources.h"

namespace {

// A 4 x 2 24-bit BMP, bottom-up: left half red, right half blue, each row
// 12 bytes (no padding needed).
constexpr std::uint8_t kStripesBmp[] = {
    'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                      // file header
    40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,        // info header
    24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0,                         // bottom row (B, G, R)
    0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0,                         // top row
};

constexpr tf::gui::BitmapResource kTable[] = {
    {guitest::kResourceStripes, kStripesBmp, sizeof kStripesBmp},
};

}  // namespace

namespace tf::gui {
std::span<const BitmapResource> bitmapResourceTable() { return kTable; }
}  // namespace tf::gui

namespace guitest {

void RecordingEffect::masterIdle() {
    hostIdleTicks.push_back(tf::headless::clock());
    if (onHostIdle) onHostIdle();
}

TestEditor::TestEditor(AudioEffectX* fx, CRect size) : CEditorBase(fx), frameSize(size) {
    rect = {0, 0, VstInt16(size.height()), VstInt16(size.width())};
}

VstIntPtr TestEditor::open(void* parent) {
    CEditorBase::open(parent);
    frame = new CWindowFrame(frameSize, parent, this);
    return 1;
}

tf::raster::Surface bands(int width, int bandHeight, const std::vector<tf::raster::Pixel>& colours) {
    tf::raster::Surface s(width, bandHeight * int(colours.size()));
    for (std::size_t k = 0; k < colours.size(); ++k)
        s.fill(CRect(0, int(k) * bandHeight, width, int(k + 1) * bandHeight), colours[k], s.bounds());
    return s;
}

CResBitmap* bitmapOf(tf::raster::Surface image) { return new CResBitmap(std::move(image)); }

void GuiTest::SetUp() {
    tf::headless::reset();
    editor = new TestEditor(&effect);
    editor->open(&parentToken);
    frame = editor->getFrame();
}

void GuiTest::TearDown() {
    editor->close();
    effect.setEditor(nullptr);
    delete editor;
    EXPECT_EQ(tf::headless::liveWindows(), 0);
}

void GuiTest::firstPaint() { tf::platform::processEvents(window()); }

}  // namespace guitest
