// The popup list's menu on Win32: a native popup menu tracked at the given
// point. The menu runs its own message loop; a timer keeps the toolkit's
// idle going meanwhile.
#include "gui/platform/bindingrules.h"
#include "gui/platform/win32/window.h"

namespace tf::platform {

namespace {

constexpr UINT kModalIdleMilliseconds = 20;

UINT itemFlags(unsigned flags) {
    if (flags & kMenuSeparator) return MF_SEPARATOR;
    UINT f = MF_STRING;
    if (flags & kMenuGreyed) f |= MF_GRAYED;
    if (flags & kMenuDisabled) f |= MF_DISABLED;  // a title: shown as it is, not choosable
    if (flags & kMenuChecked) f |= MF_CHECKED;
    if (flags & kMenuColumnBreak) f |= MF_MENUBARBREAK;
    return f;
}

}  // namespace

int runPopupMenu(Window* window, const PopupMenu& menu, WindowClient&) {
    if (!window || !rules::menuRunnable(menu) || !win32::live(window)) return -1;
    win32::BusyScope scope(window);
    HMENU handle = CreatePopupMenu();
    if (!handle) return -1;
    // Item ids count from 1: tracking answers 0 when nothing was chosen.
    for (int i = 0; i < menu.count; ++i)
        AppendMenuA(handle, itemFlags(menu.entries[i].flags), UINT_PTR(i) + 1, menu.entries[i].text ? menu.entries[i].text : "");

    POINT at{menu.where.x, menu.where.y};
    ClientToScreen(window->handle, &at);
    const UINT_PTR timer = reinterpret_cast<UINT_PTR>(window);
    SetTimer(window->handle, timer, kModalIdleMilliseconds, nullptr);
    window->menuOpen = true;
    const int id = int(TrackPopupMenu(handle, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                      at.x, at.y, 0, window->handle, nullptr));
    DestroyMenu(handle);
    if (!win32::live(window)) return -1;
    window->menuOpen = false;
    KillTimer(window->handle, timer);
    // The click that dismissed the menu belongs to it, not to the frame.
    MSG msg;
    while (PeekMessageA(&msg, window->handle, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
    return rules::menuChoice(menu, id - 1);
}

}  // namespace tf::platform
