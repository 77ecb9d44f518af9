#include "tests/live/desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <string>
#include <thread>

namespace livetest {
namespace {

Display* dpy(void* d) { return static_cast<Display*>(d); }

WindowId findNow(Display* d, const char* title) {
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned count = 0;
    WindowId found = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes a{};
        if (XFetchName(d, children[i], &name) && name && std::string(name) == title &&
            XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
            found = children[i];
        if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

Desktop::Desktop() : display(XOpenDisplay(nullptr)) {}

Desktop::~Desktop() {
    if (display) XCloseDisplay(dpy(display));
}

WindowId Desktop::find(const char* title, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const WindowId w = findNow(dpy(display), title)) return w;
        if (std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void Desktop::requestClose(WindowId window) const {
    Display* d = dpy(display);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
    XFlush(d);
}

void Desktop::drag(WindowId window, const std::vector<Point>& path, std::chrono::milliseconds step) const {
    Display* d = dpy(display);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    for (std::size_t i = 0; i < path.size(); ++i) {
        XTestFakeMotionEvent(d, -1, x + path[i].x, y + path[i].y, CurrentTime);
        if (i == 0) XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XFlush(d);
        std::this_thread::sleep_for(step);
    }
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
}

}  // namespace livetest
