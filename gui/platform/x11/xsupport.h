// Xlib helpers shared by the X11 binding's window, edit box and popup menu.
// Only files of this folder include it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"

namespace tf::platform::x11 {

// Catches the X protocol errors of one display while it lives, so that a
// window id that died under us (the host destroyed its window first) fails
// one call instead of ending the host's process through Xlib's default
// handler. Errors of other displays go on to the handler that was installed.
// With `sync`, the destructor first waits until the server has handled every
// request made in the scope.
class ErrorTrap {
public:
    ErrorTrap(Display* display, bool sync);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Whether a request made so far in the scope failed (waits for the server).
    bool failed();

private:
    static int onError(Display* display, XErrorEvent* error);

    Display* display_;
    bool sync_;
    bool failed_ = false;
    XErrorHandler previous_;
    ErrorTrap* outer_;
};

// How 0x00RRGGBB surface pixels become pixels of one visual.
class PixelLayout {
public:
    PixelLayout() = default;
    PixelLayout(Display* display, Visual* visual, int depth);

    // Copies the half-open `area` of `surface` to `drawable` at the same
    // coordinates in one image transfer.
    void put(Display* display, Drawable drawable, GC gc, const raster::Surface& surface,
             const CRect& area) const;

private:
    unsigned long convert(raster::Pixel p) const;

    Visual* visual_ = nullptr;
    int depth_ = 0;
    bool direct_ = false;  // surface words are the visual's pixels as they stand
    unsigned long redMask_ = 0, greenMask_ = 0, blueMask_ = 0;
    unsigned long opaque_ = 0;  // bits of the depth no colour uses (alpha): set
};

// Bytes of the key bit map XQueryKeymap fills, one bit per keycode.
constexpr int kKeymapBytes = 32;

// The keycodes of the keys the toolkit polls.
struct PolledKeys {
    static constexpr int kSlots = 2;
    KeyCode shift[kSlots] = {};
    KeyCode control[kSlots] = {};
    KeyCode alt[kSlots] = {};
    KeyCode tab[kSlots] = {};

    explicit PolledKeys(Display* display);
    PolledKeys() = default;
};

// Whether any of `codes` is down in the keymap `keys` (from XQueryKeymap).
bool anyDown(const char keys[kKeymapBytes], const KeyCode (&codes)[PolledKeys::kSlots]);

// Waits until the display's connection has input or `milliseconds` passed.
void waitForInput(Display* display, int milliseconds);

// What `drawable` shows in `area` (its own coordinates), as surface pixels;
// black where the server cannot give them.
raster::Surface readPixels(Display* display, Drawable drawable, const CRect& area);

}  // namespace tf::platform::x11
