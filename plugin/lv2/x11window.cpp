#include "plugin/lv2/x11window.h"

#include "gui/editorbase.h"
#include "gui/frame.h"
#include "gui/platform/x11/window.h"

namespace tf::lv2 {

std::uintptr_t nativeWindow(const CEditorBase& editor) {
    const CWindowFrame* frame = editor.getFrame();
    const tf::platform::Window* window = frame ? frame->getWindow() : nullptr;
    return window ? window->handle : 0;
}

}  // namespace tf::lv2
