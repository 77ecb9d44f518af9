// The editor's child window on Win32: a window class named after the module
// and shared by every frame of the process, a window procedure that paints
// and delivers presses, the frame's surface shown through a DIB section, and
// input polled from the asynchronous key state. Messages arrive through the
// host's message loop; the window never captures the mouse.
#include "gui/platform/win32/window.h"  // windows.h first

#include <windowsx.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/platform/win32/module.h"

namespace tf::platform {

namespace {

constexpr DWORD kClassStyle = CS_GLOBALCLASS;  // usable by any module of the process
constexpr const char* kWindowTitle = "Window";

// The window class: registered with the first frame, unregistered when the
// last one is gone. Process-wide, as the class is.
char className[32] = {};
int classUsers = 0;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool useClass() {
    if (classUsers == 0) {
        const HINSTANCE module = win32::moduleHandle();
        std::snprintf(className, sizeof className, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module)));
        WNDCLASSA wc{};
        wc.style = kClassStyle;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className;
        if (!RegisterClassA(&wc)) return false;
    }
    ++classUsers;
    return true;
}

void releaseClass() {
    if (classUsers > 0 && --classUsers == 0) UnregisterClassA(className, win32::moduleHandle());
}

Window* windowOf(HWND hwnd) { return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

// The kButton*/kModifier* bits of a press message: its button and the
// modifiers held when it happened.
unsigned pressBits(UINT message, WPARAM wParam) {
    unsigned bits = message == WM_LBUTTONDOWN ? kButtonLeft : message == WM_MBUTTONDOWN ? kButtonMiddle : kButtonRight;
    if (wParam & MK_SHIFT) bits |= kModifierShift;
    if (wParam & MK_CONTROL) bits |= kModifierControl;
    if (GetKeyState(VK_MENU) < 0) bits |= kModifierAlt;
    return bits;
}

bool keyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

void paint(Window* w) {
    HWND hwnd = w->handle;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    {
        win32::BusyScope scope(w);  // the record may be gone after it
        w->paintDc = dc;
        if (win32::live(w)) w->client->onPaint();
        w->paintDc = nullptr;
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = windowOf(hwnd);
    if (!w) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        // The host destroyed its window first: the frame closes.
        if (!w->destroyed) {
            if (w->dropTarget) RevokeDragDrop(hwnd);
            w->destroyed = true;
            w->parent = nullptr;
            if (!w->disposed) w->client->onWindowDestroyed();
        }
        return 0;
    case WM_PAINT:
        if (!GetUpdateRect(hwnd, nullptr, FALSE)) return 0;
        paint(w);
        return 0;
    case WM_CTLCOLOREDIT:
        if (w->edit && reinterpret_cast<HWND>(lParam) == w->edit) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, w->editText);
            SetBkColor(dc, w->editBack);
            if (HBRUSH brush = CreateSolidBrush(w->editBack)) {
                if (w->editBrush) DeleteObject(w->editBrush);
                w->editBrush = brush;
            }
            return reinterpret_cast<LRESULT>(w->editBrush);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (win32::live(w)) {
            win32::BusyScope scope(w);
            w->pressLatch = pressBits(message, wParam);
            w->client->onMouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            w->pressLatch = 0;
        }
        return 0;
    case WM_TIMER:
        // Paced while a menu runs its own message loop.
        if (wParam == reinterpret_cast<WPARAM>(w) && win32::live(w)) {
            win32::BusyScope scope(w);
            w->client->onModalIdle();
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void releaseNative(Window* w) {
    // A menu tracked for the window would outlive it and keep its loop running.
    if (w->menuOpen) EndMenu();
    w->menuOpen = false;
    if (w->dropTarget) {
        if (w->handle && !w->destroyed) RevokeDragDrop(w->handle);
        win32::detachDropTarget(w->dropTarget);
        w->dropTarget->Release();
        w->dropTarget = nullptr;
    }
    if (w->handle) {
        SetWindowLongPtrA(w->handle, GWLP_USERDATA, 0);
        if (!w->destroyed) DestroyWindow(w->handle);
        w->handle = nullptr;
        releaseClass();
    }
    w->destroyed = true;
    if (w->memoryDc) {
        SelectObject(w->memoryDc, w->previousBitmap);
        DeleteDC(w->memoryDc);
        w->memoryDc = nullptr;
    }
    if (w->dib) DeleteObject(w->dib);
    w->dib = nullptr;
    if (w->editBrush) DeleteObject(w->editBrush);
    w->editBrush = nullptr;
    if (w->oleInitialised) OleUninitialize();
    w->oleInitialised = false;
}


bool makeDib(Window* w) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w->width;
    bi.bmiHeader.biHeight = -w->height;  // top-down rows, as the surface has them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    w->dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    w->memoryDc = CreateCompatibleDC(nullptr);
    if (!w->dib || !w->memoryDc || !bits) return false;
    w->dibBits = static_cast<raster::Pixel*>(bits);
    w->previousBitmap = SelectObject(w->memoryDc, w->dib);
    return true;
}

}  // namespace

namespace win32 {

void finish(Window* w) {
    releaseNative(w);
    delete w;
}

void waitForMessage(unsigned milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

}  // namespace win32

Window* createChildWindow(void* parent, int width, int height, WindowClient& client) {
    HWND parentHandle = static_cast<HWND>(parent);
    if (!parentHandle || !IsWindow(parentHandle) || width <= 0 || height <= 0) return nullptr;
    auto w = std::make_unique<Window>();
    w->parent = parentHandle;
    w->client = &client;
    w->width = width;
    w->height = height;
    if (!makeDib(w.get()) || !useClass()) {
        win32::finish(w.release());
        return nullptr;
    }
    w->handle = CreateWindowExA(0, className, kWindowTitle, WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                parentHandle, nullptr, win32::moduleHandle(), nullptr);
    if (!w->handle) {
        releaseClass();
        win32::finish(w.release());
        return nullptr;
    }
    SetWindowLongPtrA(w->handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w.get()));
    // OLE for the drop target, balanced on this (the user-interface) thread.
    const HRESULT ole = OleInitialize(nullptr);
    w->oleInitialised = SUCCEEDED(ole);
    if (w->oleInitialised) {
        w->dropTarget = win32::createDropTarget(w.get());
        if (w->dropTarget && RegisterDragDrop(w->handle, w->dropTarget) != S_OK) {
            w->dropTarget->Release();
            w->dropTarget = nullptr;
        }
    }
    return w.release();
}

void destroyWindow(Window* window) {
    if (window) destroyOrDefer(window, releaseNative, win32::finish);
}

void present(Window* window, const raster::Surface& surface, const CRect& area) {
    if (!window || window->destroyed || !window->dibBits) return;
    const CRect a = area.intersect(surface.bounds()).intersect(CRect(0, 0, window->width, window->height));
    if (a.isEmpty()) return;
    for (int y = a.top; y < a.bottom; ++y)
        std::memcpy(window->dibBits + std::size_t(y) * std::size_t(window->width) + std::size_t(a.left),
                    surface.row(y) + a.left, std::size_t(a.width()) * sizeof(raster::Pixel));
    HDC dc = window->paintDc ? window->paintDc : GetDC(window->handle);
    if (!dc) return;
    BitBlt(dc, a.left, a.top, a.width(), a.height(), window->memoryDc, a.left, a.top, SRCCOPY);
    if (!window->paintDc) ReleaseDC(window->handle, dc);
}

// Messages reach the window through the host's message loop, not a descriptor.
int eventFileDescriptor(Window*) { return -1; }

// Messages reach the window through the host's message loop.
void processEvents(Window*) {}

bool dispatchPendingPaint(Window* window) {
    if (!window || !win32::live(window)) return false;
    win32::BusyScope scope(window);
    // One pending paint of the calling thread, whichever window it is for,
    // so that the host's windows stay painted during a long gesture.
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) return false;
    DispatchMessageA(&msg);
    return true;
}

unsigned mouseButtons(Window* window) {
    unsigned bits = 0;
    if (keyDown(VK_LBUTTON)) bits |= kButtonLeft;
    if (keyDown(VK_MBUTTON)) bits |= kButtonMiddle;
    if (keyDown(VK_RBUTTON)) bits |= kButtonRight;
    if (keyDown(VK_SHIFT)) bits |= kModifierShift;
    if (keyDown(VK_CONTROL)) bits |= kModifierControl;
    if (keyDown(VK_MENU)) bits |= kModifierAlt;
    if (window) {
        bits |= window->pressLatch;
        window->pressLatch = 0;
    }
    return bits;
}

CPoint mouseLocation(Window* window) {
    POINT p{};
    GetCursorPos(&p);
    if (window && window->handle) ScreenToClient(window->handle, &p);
    return {int(p.x), int(p.y)};
}

bool isKeyDown(Window*, Key key) { return keyDown(int(key)); }

std::uint32_t tickCount() { return GetTickCount(); }

void sleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace tf::platform
