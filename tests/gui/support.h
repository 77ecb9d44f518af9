// Shared pieces of the toolkit tests: a host that records what the editor
// asks of it, an editor with a frame, a listener that records its calls and
// bitmaps made on the spot.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/controls.h"
#include "gui/editorbase.h"
#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "test_resources.h"

namespace guitest {

class RecordingHost : public CEditorHost {
public:
    void beginEdit(std::int32_t index) override { calls.push_back({'b', index}); }
    void endEdit(std::int32_t index) override { calls.push_back({'e', index}); }
    void idleHost() override;
    struct Call {
        char kind;
        std::int32_t index;
    };
    std::vector<Call> calls;
    std::vector<std::uint32_t> hostIdleTicks;
    std::function<void()> onHostIdle;
};

// An editor whose open builds a frame of the given size.
class TestEditor : public CEditorBase {
public:
    TestEditor(CEditorHost* host, CRect size);
    bool open(void* parent) override;
    void idle() override {
        ++idleCalls;
        CEditorBase::idle();
    }
    void update() override { ++updateCalls; }
    int idleCalls = 0;
    int updateCalls = 0;
    CRect frameSize;
};

class RecordingListener : public CValueListener {
public:
    void onControlChanged(CPaintContext* context, CValueControl* control) override {
        values.push_back(control->getValue());
        // As an editor does: the changed control is drawn at once.
        if (redraw && context && control->isDirty()) control->redrawIfDirty(context);
    }
    std::vector<float> values;
    bool redraw = true;
};

// A surface filled with one colour per row band: rows [k*h, (k+1)*h) get colours[k].
tf::raster::Surface bands(int width, int bandHeight, const std::vector<tf::raster::Pixel>& colours);
// A bitmap made from `image` (the caller releases it).
CResBitmap* bitmapOf(tf::raster::Surface image);

// Fixture: a fresh simulated machine, an effect, an open editor and its frame
// (200 x 120 unless a derived fixture gives another size).
class GuiTest : public ::testing::Test {
protected:
    GuiTest() = default;
    explicit GuiTest(CRect size) : editorSize(size) {}
    void SetUp() override;
    void TearDown() override;
    // Paints the frame once as the window's first expose would.
    void firstPaint();
    tf::platform::Window* window() const { return frame->getWindow(); }
    tf::raster::Pixel screenAt(int x, int y) const { return tf::headless::screen(window()).pixel(x, y); }

    CRect editorSize{0, 0, 200, 120};
    RecordingHost effect;
    RecordingListener listener;
    TestEditor* editor = nullptr;
    CWindowFrame* frame = nullptr;
    int parentToken = 0;
};

constexpr tf::raster::Pixel kRed = 0xff0000;
constexpr tf::raster::Pixel kGreen = 0x00ff00;
constexpr tf::raster::Pixel kBlue = 0x0000ff;
constexpr tf::raster::Pixel kBlack = 0x000000;
constexpr tf::raster::Pixel kWhite = 0xffffff;
constexpr CColorRGB kRedCColor{255, 0, 0, 0};
constexpr CColorRGB kGreenCColor{0, 255, 0, 0};
constexpr CColorRGB kBlueCColor{0, 0, 255, 0};

}  // namespace guitest
