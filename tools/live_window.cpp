#include "tools/live_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>

namespace {

// The name desktops match the window to its desktop entry by (StartupWMClass).
constexpr const char* kInstanceName = "talkforge";
constexpr const char* kClassName = "Talkforge";
constexpr unsigned long kBackground = 0x202020;

}  // namespace

struct LiveWindow::Native {
    Display* display = nullptr;
    ::Window window = 0;
    Atom deleteWindow = 0;
    bool closed = false;     // the user asked to close it
    bool destroyed = false;  // someone else destroyed it
};

std::unique_ptr<LiveWindow> LiveWindow::open(int width, int height, const std::string& title, std::string& error) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "there is no X display (DISPLAY is not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = std::string("cannot open the X display '") + name + "'";
        return nullptr;
    }
    std::unique_ptr<LiveWindow> w(new LiveWindow);
    w->native = std::make_unique<Native>();
    Native& n = *w->native;
    n.display = display;
    const int screen = DefaultScreen(display);
    n.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width), unsigned(height), 0, 0,
                                   kBackground);

    // Title (also as UTF-8 for current desktops), class, a fixed size and the
    // close button's message.
    XStoreName(display, n.window, title.c_str());
    XChangeProperty(display, n.window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    XClassHint classHint{const_cast<char*>(kInstanceName), const_cast<char*>(kClassName)};
    XSetClassHint(display, n.window, &classHint);
    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(display, n.window, &size);
    n.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, n.window, &n.deleteWindow, 1);

    XSelectInput(display, n.window, StructureNotifyMask);
    XMapWindow(display, n.window);
    XFlush(display);
    return w;
}

LiveWindow::~LiveWindow() {
    if (!native->destroyed) XDestroyWindow(native->display, native->window);
    XCloseDisplay(native->display);
}

void* LiveWindow::handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(native->window)); }

int LiveWindow::eventDescriptor() const { return ConnectionNumber(native->display); }

bool LiveWindow::processEvents() {
    Native& n = *native;
    while (!n.destroyed && XPending(n.display)) {
        XEvent e;
        XNextEvent(n.display, &e);
        if (e.type == ClientMessage && e.xclient.window == n.window && Atom(e.xclient.data.l[0]) == n.deleteWindow)
            n.closed = true;
        if (e.type == DestroyNotify && e.xdestroywindow.window == n.window) n.destroyed = true;
    }
    return !n.closed && !n.destroyed;
}
