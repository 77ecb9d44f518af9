// The editor through the headless binding: the effect the plug-in creates,
// with a host callback that records what the plug-in tells the host, and
// its editor open on the simulated machine.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/avoceditor.h"
#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "tests/testhost.h"
#include "vocoder/avocedit.h"

namespace editortest {

class EditorTest : public ::testing::Test {
public:
    std::vector<HostCall> calls;  // what the plug-in asked of the host, in order

protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the editor and paints it once, as the window's first expose does.
    void openEditor();
    // One idle pass of the host, `ms` milliseconds after the previous one.
    void idle(std::uint32_t ms = 10);
    // A press of `buttons` at `where` (frame pixels), moving through `path`,
    // then released; delivered as the window delivers it.
    void gesture(unsigned buttons, CPoint where, std::vector<CPoint> path = {});
    void click(CPoint where, unsigned buttons = tf::platform::kButtonLeft) { gesture(buttons, where); }
    // A click on the middle of a control.
    void clickOn(const CRect& r) { click({(r.left + r.right) / 2, (r.top + r.bottom) / 2}); }
    // Types into the text field at `r` and presses Return.
    void type(const CRect& r, const char* text);
    // Picks entry `index` of the popup list at `r`.
    void choose(const CRect& r, int index);

    // The control at position `i` of the frame's list (layout order).
    template <class T>
    T* view(int i) const {
        return dynamic_cast<T*>(editor->getFrame()->getView(i));
    }
    float param(VstInt32 index) { return effect->getParameter(index); }
    void setParam(VstInt32 index, float value) { effect->setParameter(index, value); }
    tf::raster::Pixel screenAt(int x, int y) const {
        return tf::headless::screen(editor->getFrame()->getWindow()).pixel(x, y);
    }

    // Takes the recorded host calls with `opcode` out of `calls`.
    std::vector<HostCall> take(VstInt32 opcode);
    // Takes all recorded calls and tells the gestures among them (gestureText).
    std::string gestures();

    std::unique_ptr<AVocEdit> effect;
    AVocEditor* editor = nullptr;
    int parentToken = 0;
};

}  // namespace editortest
