// The editor's panel as the headless binding draws it, the reference the
// window tests of every binding compare a real window with.
#pragma once

#include <vector>

#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "tests/editor/fake_controller.h"

namespace editortest {

// The panel for these parameter values.
inline tf::raster::Surface headlessPanel(const std::vector<float>& values) {
    tf::headless::reset();
    FakeController controller;
    for (int i = 0; i < int(values.size()); ++i) controller.setParameter(i, values[std::size_t(i)]);
    AVocEditor editor(controller);
    int parent = 0;
    editor.open(&parent);
    tf::platform::processEvents(editor.getFrame()->getWindow());
    tf::raster::Surface out = tf::headless::screen(editor.getFrame()->getWindow());
    editor.close();
    return out;
}

inline CPoint centreOf(const CRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace editortest
