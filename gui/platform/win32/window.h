// The Win32 binding's window record, shared by the files of this folder.
#pragma once

#include <windows.h>

#include "gui/platform/platform.h"
#include "gui/platform/teardown.h"

namespace tf::platform {

struct Window {
    HWND handle = nullptr;  // the child window
    HWND parent = nullptr;  // the host's window
    WindowClient* client = nullptr;

    // The frame's surface shown through a DIB section of the window's size.
    HDC memoryDc = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    raster::Pixel* dibBits = nullptr;
    int width = 0;
    int height = 0;
    HDC paintDc = nullptr;  // while a paint message is handled

    // The button and modifiers of the press being delivered, reported by the
    // first poll of the buttons while it is handled: a click released before
    // the window procedure ran still counts as a click.
    unsigned pressLatch = 0;

    // While an edit box is open: its window and the colours it asks for.
    HWND edit = nullptr;
    COLORREF editText = 0;
    COLORREF editBack = 0;
    HBRUSH editBrush = nullptr;

    bool menuOpen = false;  // a popup menu of this window is being tracked

    IDropTarget* dropTarget = nullptr;
    bool oleInitialised = false;

    bool destroyed = false;  // the native window went away
    // destroyWindow was called while a call of this binding was still
    // running on the stack (a callback closed the editor): the native window
    // is gone, the record lives until the outermost call returns.
    bool disposed = false;
    int busy = 0;
};

namespace win32 {

// Releases what is left of the window and frees its record.
void finish(Window* w);
using BusyScope = platform::BusyScope<Window, finish>;

// Whether callbacks may still reach the client.
inline bool live(const Window* w) { return !w->disposed && !w->destroyed; }

// A native colour value (red | green << 8 | blue << 16).
inline COLORREF colorOf(CColorRGB c) { return RGB(c.red, c.green, c.blue); }

// Waits until the thread has a message or `milliseconds` passed.
void waitForMessage(unsigned milliseconds);

// The drop target registered for the frame window; one reference for the
// caller. Detached, it no longer reaches the window.
IDropTarget* createDropTarget(Window* window);
void detachDropTarget(IDropTarget* target);

}  // namespace win32
}  // namespace tf::platform
