// The seam between the portable toolkit and a windowing system.
//
// These are all the operations the toolkit needs from a platform. Each binding
// (gui/platform/x11, gui/platform/win32, gui/platform/headless) defines every
// function below in its own static library, and the build links exactly one.
// Portable code includes this header and nothing platform-specific.
//
// Draw once, present anywhere: the toolkit draws into a raster::Surface that
// it owns; a binding only copies pixels from it to the screen and turns native
// input into the calls of WindowClient, so a binding never draws views itself.
//
// Everything runs on the host's user-interface thread. A binding keeps its
// state in its Window (no state shared between windows), except what the
// machine itself shares: the clock, the pointer and the keyboard.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"
#include "gui/platform/raster/text.h"

namespace tf::platform {

// A binding's native child window with everything it needs to run it (for
// X11 its own display connection). Opaque to portable code.
struct Window;

// Bits of mouseButtons(): the three buttons and the three modifiers.
constexpr unsigned kButtonLeft = 1u << 0;
constexpr unsigned kButtonMiddle = 1u << 1;
constexpr unsigned kButtonRight = 1u << 2;
constexpr unsigned kModifierShift = 1u << 3;
constexpr unsigned kModifierControl = 1u << 4;
constexpr unsigned kModifierAlt = 1u << 5;

// Keys isKeyDown() answers for, numbered as the Windows virtual-key codes
// (the numbers the editor's hot-key table stores).
enum class Key : int { tab = 0x09, shift = 0x10, control = 0x11, alt = 0x12 };

// What a window reports to the toolkit (the frame implements it).
class WindowClient {
public:
    // The window must show its whole content (first map, uncovered): the
    // client draws everything into its surface and calls present().
    virtual void onPaint() = 0;
    // A mouse button went down at `where`, in window pixels. The client
    // then polls mouseButtons()/mouseLocation() for the rest of the gesture;
    // the window never grabs the pointer.
    virtual void onMouseDown(CPoint where) = 0;
    // The native window was destroyed from outside (the host closed its own
    // window first). The Window object stays valid until destroyWindow().
    virtual void onWindowDestroyed() = 0;
    // Called every 10 to 20 ms while runEditBox or runPopupMenu waits for the
    // user, so that the host's idle and the editor's meters keep running.
    virtual void onModalIdle() = 0;
    // Something was dropped on the window at `where`: `count` file names
    // (kind 0, `items` points to the names) or a text of `count` bytes
    // (kind 1, one item). Returns whether a view took it. Only bindings that
    // take drops (Win32) call it.
    virtual bool onDrop(void** items, int count, int kind, CPoint where) = 0;

protected:
    ~WindowClient() = default;
};

// ---- Window ---------------------------------------------------------------

// Creates a visible child window of `parent` (the host's native window as
// handed to the editor's open: an X11 Window id, an HWND) at (0, 0) with the
// given size. Returns null when no window could be made. The client must
// outlive the window.
Window* createChildWindow(void* parent, int width, int height, WindowClient& client);
// Destroys the window (if still there) and everything the binding holds for
// it. Null is ignored. It may come from inside one of the window's own
// callbacks (the host closing the editor from its idle during a gesture, an
// edit box or a menu): the native window goes at once, no further callback
// is made, and the binding frees its record when that outer call returns.
void destroyWindow(Window* window);

// Shows the half-open `area` of `surface` (the window's full-size backing
// surface) in the window, in one transfer, at the same window coordinates.
void present(Window* window, const raster::Surface& surface, const CRect& area);

// Handles every event pending for the window without waiting: paints call
// onPaint, button presses onMouseDown, destruction onWindowDestroyed. The
// toolkit calls it from its idle, never while a mouse gesture is tracked.
void processEvents(Window* window);
// A file descriptor that becomes readable when events for the window arrive
// (for hosts whose run loop watches descriptors and then calls the editor's
// idle), or -1 where the binding has none.
int eventFileDescriptor(Window* window);
// Removes one pending paint request of the window, if any, and runs onPaint
// for it; leaves every other event queued. Returns whether it painted.
bool dispatchPendingPaint(Window* window);

// ---- Input, polled --------------------------------------------------------

// The current (asynchronous, not queued) state of the mouse buttons and the
// modifiers as the kButton*/kModifier* bits.
unsigned mouseButtons(Window* window);
// The pointer position relative to the window's top-left corner; it may lie
// outside the window.
CPoint mouseLocation(Window* window);
// Whether `key` is held down right now.
bool isKeyDown(Window* window, Key key);

// ---- Time -----------------------------------------------------------------

// A millisecond tick count (wraps around after 2^32 ms).
std::uint32_t tickCount();
// Sleeps for about `milliseconds`.
void sleepMilliseconds(unsigned milliseconds);

// ---- Modal edit box -------------------------------------------------------

struct EditBox {
    // The box covers `area` with both edges included, in window pixels:
    // its size is (right - left + 1) x (bottom - top + 1).
    CRect area;
    raster::FontSpec font;
    raster::TextAlign align = raster::TextAlign::center;
    CColorRGB textColor;
    CColorRGB backColor;
    raster::FontEngine* fonts = nullptr;  // the frame's, for the box's own text
};

// Opens a single-line edit box over `box.area` holding `text` (NUL
// terminated), all of it selected, with the keyboard focus, and edits it in
// place (typing, Backspace, Delete, arrows, Home/End) until Return is pressed
// or the box loses the focus, including a click anywhere else; then closes it
// and writes the edited text back into `text` (at most capacity - 1
// characters, always terminated). A click that closed the box stays queued
// and reaches the window through the next processEvents. Calls
// client.onModalIdle while it waits.
void runEditBox(Window* window, const EditBox& box, char* text, std::size_t capacity,
                WindowClient& client);

// ---- Modal popup menu -----------------------------------------------------

constexpr unsigned kMenuSeparator = 1u << 0;     // a separator line, not choosable
constexpr unsigned kMenuGreyed = 1u << 1;        // shown grey, not choosable
constexpr unsigned kMenuDisabled = 1u << 2;      // a title: shown normal, not choosable
constexpr unsigned kMenuChecked = 1u << 3;       // shows a check mark
constexpr unsigned kMenuColumnBreak = 1u << 4;   // starts a new column
// Entries with any of these flags cannot be chosen.
constexpr unsigned kMenuNotChoosable = kMenuSeparator | kMenuGreyed | kMenuDisabled;

struct MenuEntry {
    const char* text = "";  // as shown, marker characters already removed
    unsigned flags = 0;
};

struct PopupMenu {
    CPoint where;  // the menu's top-left corner, in window pixels
    const MenuEntry* entries = nullptr;
    int count = 0;
    raster::FontEngine* fonts = nullptr;  // the frame's, for the entries' text
};

// Shows `menu` and waits until the user chooses an entry or dismisses it.
// Returns the chosen entry's index, or -1 without a choice. A click outside
// the menu dismisses it and reaches nothing else. Calls client.onModalIdle
// while it waits.
int runPopupMenu(Window* window, const PopupMenu& menu, WindowClient& client);

// Bitmap resources need nothing from a binding: they are compiled into the
// library and found by id through gui/resources.h.

}  // namespace tf::platform
