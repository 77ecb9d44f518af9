// The headless binding: the platform operations without a window system.
//
// It simulates the machine a window would live on: a pointer and keyboard
// whose states a test scripts, a clock that moves only when told to (or when
// the toolkit sleeps), a user who types a given text into an edit box and
// picks a given menu entry, and a screen surface per window that receives
// everything presented. Like a real pointer and clock, that machine is one
// per process: tests call reset() before each case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/platform/platform.h"

namespace tf::headless {

// How a scripted edit box closes.
enum class EditEnd {
    returnKey,  // the user presses Return
    focusLost,  // the keyboard focus goes to another window
    clickAt,    // the user clicks the frame window at `click`: closes the box,
                // then arrives as a mouse press at the next processEvents
};

struct EditAction {
    std::optional<std::string> typed;  // replaces the selected text; none: text unchanged
    EditEnd end = EditEnd::returnKey;
    CPoint click;
};

// A record of a popup menu as it was shown.
struct ShownMenu {
    CPoint where;
    struct Entry {
        std::string text;
        unsigned flags = 0;
    };
    std::vector<Entry> entries;
};

// A record of an edit box as it was opened.
struct ShownEditBox {
    platform::EditBox box;
    std::string initialText;
};

// Forgets every window record, script, key state and record; clock to 0.
void reset();

// ---- Pointer --------------------------------------------------------------
// The pointer follows a list of states, each a set of held buttons and
// modifiers at a position. A read of the buttons (mouseButtons) answers the
// current state's; a read of the location moves on to the next state and
// answers its position. The last state is used up by the read of the buttons
// that sees it, so a tracking loop ends there; past the end all buttons are up
// and the pointer stays where it was. Modifier keys set with setKeyDown are
// added to the buttons of every state.
void pushMouse(unsigned buttons, CPoint where);
// A whole gesture: the button bits held at `from`, moving in `steps` equal
// steps to `to`, then released there.
void pushDrag(unsigned buttons, CPoint from, CPoint to, int steps);
int pendingMouseStates();
// Forgets the states not read yet.
void clearMouse();
// Moves the pointer at once, buttons unchanged.
void setPointer(CPoint where);

void setKeyDown(platform::Key key, bool down);

// ---- Clock ----------------------------------------------------------------
void setClock(std::uint32_t ms);
void advanceClock(std::uint32_t ms);
std::uint32_t clock();
// Milliseconds the toolkit slept (each sleep also moves the clock on).
std::uint32_t totalSlept();

// ---- Windows --------------------------------------------------------------
// The window created most recently (null if none).
platform::Window* lastWindow();
// What the window shows: every presented area, pixel for pixel.
const raster::Surface& screen(platform::Window* window);
// Number of present() calls on the window.
int presentCount(platform::Window* window);
// The parent handle the window was created with.
void* parentOf(platform::Window* window);
// Queues a mouse press or a paint request that processEvents delivers.
void queueMouseDown(platform::Window* window, CPoint where);
void queuePaint(platform::Window* window);
// Destroys the native window as the host would by closing its own window:
// the next processEvents reports it.
void destroyFromOutside(platform::Window* window);
int liveWindows();

// ---- Edit box and popup menu ----------------------------------------------
void queueEdit(EditAction action);
// The user picks entry `index` of the next menu; -1 dismisses it. Without a
// queued choice a menu is dismissed.
void queueMenuChoice(int index);
const std::vector<ShownMenu>& menusShown();
const std::vector<ShownEditBox>& editBoxesShown();
// Calls of WindowClient::onModalIdle made while a box or menu was open.
int modalIdleCalls();

}  // namespace tf::headless
