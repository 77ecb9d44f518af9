#include "tests/windows/gui_session.h"

#include <cstring>

namespace wintest {

namespace {

constexpr const char* kParentClass = "TalkforgeTestHost";
constexpr const char* kMenuClass = "#32768";
constexpr DWORD kParentStyle = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;

bool registerParentClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), kParentClass, &wc)) return true;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    wc.lpszClassName = kParentClass;
    return RegisterClassA(&wc) != 0;
}

void send(INPUT input) { SendInput(1, &input, sizeof input); }

void sendMouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    send(in);
}

void sendKey(WORD virtualKey, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    send(in);
}

}  // namespace

Session::Session(int width, int height, CPoint at) {
    if (!registerParentClass()) return;
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, kParentStyle, FALSE);
    parent_ = CreateWindowExA(0, kParentClass, "Host", kParentStyle, at.x, at.y, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!parent_) return;
    SetForegroundWindow(parent_);
    SetActiveWindow(parent_);
    pumpMessages();
}

Session::~Session() { destroyParent(); }

void Session::destroyParent() {
    if (parent_ && IsWindow(parent_)) DestroyWindow(parent_);
    parent_ = nullptr;
    pumpMessages();
}

std::string Session::className(HWND window) {
    char name[256] = {};
    if (!window || !GetClassNameA(window, name, sizeof name)) return {};
    return name;
}

HWND Session::childWindow(HWND parent) const {
    for (HWND w = GetWindow(parent ? parent : parent_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (className(w).rfind("Plugin", 0) == 0) return w;
    return nullptr;
}

HWND Session::menuWindow() {
    HWND menu = FindWindowA(kMenuClass, nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

HWND Session::editWindow(HWND child) {
    return child ? FindWindowExA(child, nullptr, "Edit", nullptr) : nullptr;
}

void Session::moveTo(CPoint where, HWND window) {
    POINT p{where.x, where.y};
    if (window) ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
}

void Session::press() { sendMouse(MOUSEEVENTF_LEFTDOWN); }
void Session::release() { sendMouse(MOUSEEVENTF_LEFTUP); }

void Session::click(CPoint where, HWND window) {
    moveTo(where, window);
    press();
    release();
}

void Session::tap(WORD virtualKey) {
    sendKey(virtualKey, false);
    sendKey(virtualKey, true);
}

void Session::type(std::string_view text) {
    for (char c : text) {
        const SHORT scan = VkKeyScanA(c);
        if (scan == -1) continue;
        const bool shift = (scan >> 8) & 1;
        if (shift) sendKey(VK_SHIFT, false);
        tap(WORD(scan & 0xff));
        if (shift) sendKey(VK_SHIFT, true);
    }
}

tf::raster::Surface Session::grab(HWND window, const CRect& area) {
    tf::raster::Surface out(area.width(), area.height());
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = area.width();
    bi.bmiHeader.biHeight = -area.height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (source && memory && dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, area.width(), area.height(), source, area.left, area.top, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const tf::raster::Pixel*>(bits);
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                out.row(y)[x] = pixels[std::size_t(y) * std::size_t(area.width()) + std::size_t(x)] & 0x00ffffffu;
        SelectObject(memory, old);
    }
    if (dib) DeleteObject(dib);
    if (memory) DeleteDC(memory);
    if (source) ReleaseDC(window, source);
    return out;
}

void Session::pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace wintest
