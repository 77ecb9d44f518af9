// The editor's panel as the headless binding draws it, the reference the
// window tests of every binding compare a real window with.
#pragma once

#include <vector>

#include "gui/editorbase.h"
#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "vocoder/avocedit.h"

namespace editortest {

inline VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The panel for these parameter values.
inline tf::raster::Surface headlessPanel(const std::vector<float>& values) {
    tf::headless::reset();
    AVocEdit effect(&quietHost);
    for (int i = 0; i < int(values.size()); ++i) effect.setParameter(i, values[std::size_t(i)]);
    auto* editor = static_cast<CEditorBase*>(effect.getEditor());
    int parent = 0;
    editor->open(&parent);
    tf::platform::processEvents(editor->getFrame()->getWindow());
    tf::raster::Surface out = tf::headless::screen(editor->getFrame()->getWindow());
    editor->close();
    return out;
}

inline CPoint centreOf(const CRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace editortest
