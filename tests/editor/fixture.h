// The editor through the headless binding, driven by a controller as a host
// form drives it (with no effect object) that records what the editor tells
// the host, open on the simulated machine.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/avoceditor.h"
#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "tests/editor/fake_controller.h"

namespace editortest {

class EditorTest : public ::testing::Test {
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
    float param(std::int32_t index) { return controller.getParameter(index); }
    void setParam(std::int32_t index, float value) { controller.setParameter(index, value); }
    tf::raster::Pixel screenAt(int x, int y) const {
        return tf::headless::screen(editor->getFrame()->getWindow()).pixel(x, y);
    }

    // Takes the recorded calls of one kind ('a', 'b', 'e', 'i') out of `calls`.
    std::vector<FakeController::Call> take(char kind);
    // Takes all recorded calls and tells the gestures among them (gestureText).
    std::string gestures();

    FakeController controller;
    std::vector<FakeController::Call>& calls = controller.calls;  // what the editor told the host, in order
    std::unique_ptr<AVocEditor> editorObject;
    AVocEditor* editor = nullptr;
    int parentToken = 0;
};

}  // namespace editortest
