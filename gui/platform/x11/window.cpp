// The editor's child window on X11: its own display connection, events
// handled when the toolkit asks (the host forwards none), the frame's
// surface shown with one image transfer per paint, input polled from the
// server. The window never grabs the pointer.
#include "gui/platform/x11/window.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

namespace tf::platform {

namespace {

// Mouse buttons that start a gesture; 4 to 7 are wheel steps.
bool isGestureButton(unsigned button) { return button >= Button1 && button <= Button3; }

// The kButton*/kModifier* bits of a press event: its button and the
// modifiers held when it happened.
unsigned pressBits(const XButtonEvent& e) {
    unsigned bits = e.button == Button1 ? kButtonLeft : e.button == Button2 ? kButtonMiddle : kButtonRight;
    if (e.state & ShiftMask) bits |= kModifierShift;
    if (e.state & ControlMask) bits |= kModifierControl;
    if (e.state & Mod1Mask) bits |= kModifierAlt;
    return bits;
}

void releaseNative(Window* w) {
    x11::ErrorTrap trap(w->display, true);
    if (!w->destroyed && w->handle) XDestroyWindow(w->display, w->handle);
    w->destroyed = true;
    if (w->gc) XFreeGC(w->display, w->gc);
    w->gc = nullptr;
}

}  // namespace

namespace x11 {

void finish(Window* w) {
    releaseNative(w);
    XCloseDisplay(w->display);
    delete w;
}

CPoint screenOrigin(Window* w) {
    ErrorTrap trap(w->display, false);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(w->display, w->handle, w->root, 0, 0, &x, &y, &child);
    return {x, y};
}

unsigned pollPointer(Window* w, CPoint* where, CPoint* rootWhere) {
    ErrorTrap trap(w->display, false);
    ::Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    const ::Window target = w->destroyed ? w->root : w->handle;
    XQueryPointer(w->display, target, &root, &child, &rx, &ry, &wx, &wy, &mask);
    if (where) *where = {wx, wy};
    if (rootWhere) *rootWhere = {rx, ry};

    char keys[x11::kKeymapBytes] = {};
    XQueryKeymap(w->display, keys);
    unsigned bits = 0;
    if (mask & Button1Mask) bits |= kButtonLeft;
    if (mask & Button2Mask) bits |= kButtonMiddle;
    if (mask & Button3Mask) bits |= kButtonRight;
    if (anyDown(keys, w->keys.shift)) bits |= kModifierShift;
    if (anyDown(keys, w->keys.control)) bits |= kModifierControl;
    if (anyDown(keys, w->keys.alt)) bits |= kModifierAlt;
    return bits;
}

void handleFrameEvent(Window* w, const XEvent& e) {
    if (e.xany.window != w->handle) return;
    if (e.type == Expose) {
        if (!w->destroyed) w->client->onPaint();
    } else if (e.type == DestroyNotify && e.xdestroywindow.window == w->handle && !w->destroyed) {
        w->destroyed = true;
        w->client->onWindowDestroyed();
    }
}

}  // namespace x11

Window* createChildWindow(void* parent, int width, int height, WindowClient& client) {
    const auto parentId = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(parent));
    if (parentId == 0 || width <= 0 || height <= 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;

    auto w = std::make_unique<Window>();
    w->display = display;
    w->parent = parentId;
    w->client = &client;
    bool ok = false;
    {
        x11::ErrorTrap trap(display, true);
        XWindowAttributes pa{};
        if (XGetWindowAttributes(display, parentId, &pa) && !trap.failed()) {
            w->root = pa.root;
            w->screen = XScreenNumberOfScreen(pa.screen);
            XSetWindowAttributes attrs{};
            attrs.event_mask = ExposureMask | ButtonPressMask | StructureNotifyMask;
            attrs.background_pixmap = None;  // no clearing before a paint: no flicker
            w->handle = XCreateWindow(display, parentId, 0, 0, unsigned(width), unsigned(height), 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWEventMask | CWBackPixmap, &attrs);
            w->gc = XCreateGC(display, w->handle, 0, nullptr);
            // Hosts that embed by XEmbed (VST 3, CLAP, LV2 UIs in toolkit sockets) look
            // for this: protocol version 0, mapped.
            const long xembedInfo[2] = {0, 1};
            XChangeProperty(display, w->handle, XInternAtom(display, "_XEMBED_INFO", False),
                            XInternAtom(display, "_XEMBED_INFO", False), 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(xembedInfo), 2);
            XMapWindow(display, w->handle);
            w->layout = x11::PixelLayout(display, pa.visual, pa.depth);
            w->keys = x11::PolledKeys(display);
            ok = !trap.failed();
        }
    }
    if (!ok) {
        x11::finish(w.release());
        return nullptr;
    }
    return w.release();
}

void destroyWindow(Window* window) {
    if (window) destroyOrDefer(window, releaseNative, x11::finish);
}

void present(Window* window, const raster::Surface& surface, const CRect& area) {
    if (!window || window->destroyed) return;
    x11::ErrorTrap trap(window->display, true);
    window->layout.put(window->display, window->handle, window->gc, surface, area);
}

int eventFileDescriptor(Window* window) {
    return window && x11::live(window) && !window->destroyed ? ConnectionNumber(window->display) : -1;
}

void processEvents(Window* window) {
    if (!window || !x11::live(window)) return;
    x11::BusyScope scope(window);
    Display* d = window->display;
    bool paint = false;
    auto paintNow = [&] {
        if (paint && x11::live(window) && !window->destroyed) window->client->onPaint();
        paint = false;
    };
    while (x11::live(window) && XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.xany.window != window->handle) continue;  // leftovers of closed boxes and menus
        switch (e.type) {
        case Expose:
            paint = true;
            break;
        case ButtonPress:
            if (isGestureButton(e.xbutton.button) && !window->destroyed) {
                paintNow();
                if (!x11::live(window)) break;
                window->pressLatch = pressBits(e.xbutton);
                window->client->onMouseDown({e.xbutton.x, e.xbutton.y});
                window->pressLatch = 0;
            }
            break;
        case DestroyNotify:
            if (e.xdestroywindow.window == window->handle && !window->destroyed) {
                window->destroyed = true;
                window->client->onWindowDestroyed();
            }
            break;
        default:
            break;
        }
    }
    paintNow();
}

bool dispatchPendingPaint(Window* window) {
    if (!window || !x11::live(window) || window->destroyed) return false;
    x11::BusyScope scope(window);
    XEvent e;
    if (!XCheckTypedWindowEvent(window->display, window->handle, Expose, &e)) return false;
    while (XCheckTypedWindowEvent(window->display, window->handle, Expose, &e)) {
    }
    window->client->onPaint();
    return true;
}

unsigned mouseButtons(Window* window) {
    if (!window) return 0;
    const unsigned bits = x11::pollPointer(window, nullptr, nullptr) | window->pressLatch;
    window->pressLatch = 0;
    return bits;
}

CPoint mouseLocation(Window* window) {
    CPoint where;
    if (window) x11::pollPointer(window, &where, nullptr);
    return where;
}

bool isKeyDown(Window* window, Key key) {
    if (!window) return false;
    char keys[x11::kKeymapBytes] = {};
    XQueryKeymap(window->display, keys);
    switch (key) {
    case Key::tab: return x11::anyDown(keys, window->keys.tab);
    case Key::shift: return x11::anyDown(keys, window->keys.shift);
    case Key::control: return x11::anyDown(keys, window->keys.control);
    case Key::alt: return x11::anyDown(keys, window->keys.alt);
    }
    return false;
}

std::uint32_t tickCount() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

void sleepMilliseconds(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace tf::platform
