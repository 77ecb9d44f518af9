// The Windows window tests' stand-in for the host and for the user: a plain
// top-level window that plays the host's parent window and pumps its
// messages, input synthesized with SendInput, and pixels read back from the
// windows. Runs under Wine on Xvfb.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"

namespace wintest {

class Session {
public:
    // A visible parent window of the given client size at `at` on the
    // screen (near its top-left corner by default), in the foreground.
    Session(int width, int height, CPoint at = CPoint(20, 30));
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ok() const { return parent_ != nullptr; }
    HWND parent() const { return parent_; }
    // Destroys the parent window, as a host that closes its window first.
    void destroyParent();

    // The plug-in's child window of `parent` (the session's when null), a
    // shown popup menu, and an edit control inside `child` (null if none).
    HWND childWindow(HWND parent = nullptr) const;
    static HWND menuWindow();
    static HWND editWindow(HWND child);
    static std::string className(HWND window);

    // Pointer and keyboard, as the user would work them. Points are relative
    // to `window`'s client area.
    static void moveTo(CPoint where, HWND window);
    static void press();
    static void release();
    static void click(CPoint where, HWND window);
    static void tap(WORD virtualKey);
    // Types letters, digits and spaces.
    static void type(std::string_view text);

    // What `window` shows in the half-open `area` of its client area.
    static tf::raster::Surface grab(HWND window, const CRect& area);

    // Dispatches every message queued for this thread, as a host's loop does.
    static void pumpMessages();

private:
    HWND parent_ = nullptr;
};

}  // namespace wintest
