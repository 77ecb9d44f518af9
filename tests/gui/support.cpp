#include "support.h"

namespace guitest {

void RecordingHost::idleHost() {
    hostIdleTicks.push_back(tf::headless::clock());
    if (onHostIdle) onHostIdle();
}

TestEditor::TestEditor(CEditorHost* h, CRect size) : CEditorBase(h), frameSize(size) {
    width = size.width();
    height = size.height();
}

bool TestEditor::open(void* parent) {
    CEditorBase::open(parent);
    frame = new CWindowFrame(frameSize, parent, this);
    return true;
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
    editor = new TestEditor(&effect, editorSize);
    editor->open(&parentToken);
    frame = editor->getFrame();
}

void GuiTest::TearDown() {
    editor->close();
    delete editor;
    EXPECT_EQ(tf::headless::liveWindows(), 0);
}

void GuiTest::firstPaint() { tf::platform::processEvents(window()); }

}  // namespace guitest
