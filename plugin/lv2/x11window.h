// The X11 window of an open editor, as an LV2 X11 UI hands it to the host.
// Apart, so that Xlib's macros stay out of the files that use LV2's headers.
#pragma once

#include <cstdint>

class CEditorBase;

namespace tf::lv2 {

// The editor's window, or 0 when it has none.
std::uintptr_t nativeWindow(const CEditorBase& editor);

}  // namespace tf::lv2
