// The X11 binding's window record, shared by the files of this folder.
#pragma once

#include "gui/platform/platform.h"
#include "gui/platform/teardown.h"
#include "gui/platform/x11/xsupport.h"

namespace tf::platform {

struct Window {
    Display* display = nullptr;  // the binding's own connection
    ::Window parent = 0;         // the host's window
    ::Window handle = 0;         // the child window
    ::Window root = 0;           // of the parent's screen
    int screen = 0;
    GC gc = nullptr;
    WindowClient* client = nullptr;
    x11::PixelLayout layout;
    x11::PolledKeys keys;

    // The button and modifiers of the press being delivered, reported by the
    // first poll of the buttons while it is handled: a click released
    // before the host's next idle ran still counts as a click.
    unsigned pressLatch = 0;

    bool destroyed = false;  // the native window went away (DestroyNotify)
    // destroyWindow was called while a call of this binding was still
    // running on the stack (a callback closed the editor): the native window
    // is gone, the record lives until the outermost call returns.
    bool disposed = false;
    int busy = 0;
};

namespace x11 {

// Releases what is left of the window and frees its record.
void finish(Window* w);
using BusyScope = platform::BusyScope<Window, finish>;

// Whether callbacks may still reach the client.
inline bool live(const Window* w) { return !w->disposed; }

// The root window's coordinates of the window's top-left corner.
CPoint screenOrigin(Window* w);
// Buttons and modifiers as the kButton*/kModifier* bits; the pointer position
// relative to the window through `where`, and relative to the root through
// `rootWhere` (either may be null).
unsigned pollPointer(Window* w, CPoint* where, CPoint* rootWhere);
// Handles an event of the frame's window while an edit box or a menu runs:
// a paint request paints at once, its destruction is recorded and reported.
// Events of other windows, and any other kind, are dropped.
void handleFrameEvent(Window* w, const XEvent& e);

}  // namespace x11
}  // namespace tf::platform
