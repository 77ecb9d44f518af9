// The test's own X connection, standing in for the host and for the user: a
// plain top-level window that plays the host's parent window, input made
// with XTest, and pixels read back from the server. Xlib stays inside
// xsession.cpp, so tests see plain types only.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"
#include "tests/gui/window_checks.h"

namespace tf::xtest {

using WindowId = unsigned long;

class XSession {
public:
    // Connects to $DISPLAY and maps a parent window of the given size at
    // `at` on the screen (near its top-left corner by default); with
    // `alphaVisual`, one of depth 32 with an alpha channel, as some hosts make
    // (ok() is false if the server has no such visual).
    XSession(int width, int height, bool alphaVisual = false, CPoint at = CPoint(20, 30));
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return display_ != nullptr && parent_ != 0; }
    WindowId parent() const { return parent_; }
    // The parent as a host hands it to the editor's open.
    void* parentHandle() const;
    // Destroys the parent window, as a host that closes its window first.
    void destroyParent();

    // The plug-in's child windows of the parent (0 if none), and a mapped
    // override-redirect top-level other than the parent (a menu; 0 if none).
    WindowId childWindow() const;
    WindowId popupWindow() const;
    // Window's position on the root window.
    CPoint rootOrigin(WindowId window) const;
    CRect geometry(WindowId window) const;  // on the root window, half-open

    // Pointer and keyboard, as the user would work them. Points are relative
    // to `window` (the parent when 0).
    void moveTo(CPoint where, WindowId window = 0);
    void press(unsigned button = 1);
    void release(unsigned button = 1);
    void click(CPoint where, WindowId window = 0, unsigned button = 1);
    // Keys by keysym name ("Return", "BackSpace", "a", "Shift_L" ...).
    void keyDown(const char* keysymName);
    void keyUp(const char* keysymName);
    void tap(const char* keysymName);
    // Types lower-case letters, digits, space and '.' / '-'.
    void type(std::string_view text);
    // Gives the keyboard focus to `window` (the parent when 0).
    void focus(WindowId window = 0);

    // What `window` shows in the half-open `area` (window coordinates), as
    // 0x00RRGGBB pixels.
    raster::Surface grab(WindowId window, const CRect& area) const;
    // The pixel value at (x, y) of `window` as the server stores it.
    unsigned long rawPixel(WindowId window, CPoint where) const;
    // Everything on the screen in `area` (root coordinates).
    raster::Surface grabScreen(const CRect& area) const;

    // Button presses the parent window received since the last call.
    int takeParentPresses();

    // Waits for every request of this connection to be handled.
    void sync() const;

private:
    void* display_ = nullptr;
    WindowId parent_ = 0;
    unsigned long colormap_ = 0;
};

using guitest::differingPixels;
using guitest::waitFor;

}  // namespace tf::xtest
