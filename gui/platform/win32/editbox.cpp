// The text field's edit box on Win32: a native EDIT control over the field,
// its window procedure replaced by one that closes it on Return, Escape or
// the loss of the keyboard focus. The box is run modally, pumping the
// thread's messages as a dialog does, so the host stays alive.
#include <algorithm>
#include <string>

#include "gui/platform/bindingrules.h"
#include "gui/platform/win32/module.h"
#include "gui/platform/win32/window.h"

namespace tf::platform {

namespace {

constexpr unsigned kWaitMilliseconds = 10;  // between modal idles
constexpr int kEditWeight = FW_NORMAL;
constexpr BYTE kEditPitchAndFamily = VARIABLE_PITCH | FF_SWISS;

using End = rules::EditEnd;

struct EditSession {
    End end = End::open;
};

// The edit box's previous window procedure: one slot for the process, so
// one edit box at a time (the frame's single focus view keeps it so).
WNDPROC previousEditProc = nullptr;

LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<EditSession*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (session && session->end == End::open) {
        if (message == WM_KILLFOCUS) session->end = End::apply;
        if (message == WM_KEYDOWN && wParam == VK_RETURN) session->end = End::apply;
        if (message == WM_KEYDOWN && wParam == VK_ESCAPE) session->end = End::cancel;
    }
    // The characters of Return and Escape would only make the control beep.
    if (message == WM_CHAR && (wParam == '\r' || wParam == VK_ESCAPE)) return 0;
    return CallWindowProcA(previousEditProc, hwnd, message, wParam, lParam);
}

// A press that ends the edit: on any window but the box itself.
bool isPressOutside(const MSG& msg, HWND edit) {
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return msg.hwnd != edit;
    default:
        return false;
    }
}

DWORD alignStyle(raster::TextAlign align) {
    if (align == raster::TextAlign::center) return ES_CENTER;
    if (align == raster::TextAlign::right) return ES_RIGHT;
    return ES_LEFT;
}

// Pumps the thread's messages until the session ends; a press outside the
// box ends it and stays queued for its window (the frame's included).
void pump(Window* w, HWND edit, EditSession& session, WindowClient& client) {
    while (session.end == End::open && win32::live(w)) {
        MSG msg;
        while (session.end == End::open && win32::live(w) && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT || isPressOutside(msg, edit)) {
                session.end = End::apply;
                break;
            }
            if (!PeekMessageA(&msg, msg.hwnd, msg.message, msg.message, PM_REMOVE)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (session.end != End::open || !win32::live(w)) break;
        client.onModalIdle();
        if (!win32::live(w)) break;
        win32::waitForMessage(kWaitMilliseconds);
    }
}

}  // namespace

void runEditBox(Window* window, const EditBox& box, char* text, std::size_t capacity, WindowClient& client) {
    if (!window || !rules::editBoxRunnable(box, text, capacity) || !win32::live(window) || window->edit ||
        previousEditProc)
        return;
    win32::BusyScope scope(window);

    const std::string original = text;
    const CRect bounds = rules::editBoxBounds(box);
    HWND edit = CreateWindowExA(0, "EDIT", text, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | alignStyle(box.align),
                                bounds.left, bounds.top, bounds.width(), bounds.height(), window->handle, nullptr,
                                win32::moduleHandle(), nullptr);
    if (!edit) return;
    HFONT font = CreateFontA(-box.font.pixelSize, 0, 0, 0, kEditWeight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                             kEditPitchAndFamily, box.font.family);
    window->edit = edit;
    window->editText = win32::colorOf(box.textColor);
    window->editBack = win32::colorOf(box.backColor);
    if (font) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SendMessageA(edit, EM_LIMITTEXT, rules::editBoxMaxLength(capacity), 0);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    const HWND previousFocus = GetFocus();
    SetFocus(edit);

    EditSession session;
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
    previousEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&editProc)));

    pump(window, edit, session, client);

    const bool alive = win32::live(window);
    if (alive) {
        std::string edited(rules::editBoxMaxLength(capacity) + 1, '\0');
        edited.resize(std::size_t(GetWindowTextA(edit, edited.data(), int(edited.size()))));
        rules::storeEditText(session.end, edited, original, text, capacity);
    }
    // Closed by Return, Escape or a press in the frame: the focus goes back.
    const bool hadFocus = alive && GetFocus() == edit;
    if (IsWindow(edit)) {
        SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousEditProc));
        DestroyWindow(edit);
    }
    previousEditProc = nullptr;
    if (hadFocus && previousFocus && IsWindow(previousFocus)) SetFocus(previousFocus);
    if (font) DeleteObject(font);
    window->edit = nullptr;
    if (window->editBrush) DeleteObject(window->editBrush);
    window->editBrush = nullptr;
}

}  // namespace tf::platform
