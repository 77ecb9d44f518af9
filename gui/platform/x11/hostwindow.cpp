#include "gui/platform/x11/hostwindow.h"

#include <cstdint>
#include <cstdlib>

#include <X11/Xutil.h>

#include "gui/platform/x11/xsupport.h"

namespace tf::x11host {

namespace {
// The name desktops match the window to its desktop entry by (StartupWMClass).
constexpr const char* kInstanceName = "talkforge";
constexpr const char* kClassName = "Talkforge";
constexpr unsigned long kBackground = 0x202020;
}  // namespace

struct HostWindow::Native {
    Display* display = nullptr;
    ::Window window = 0;
    Atom deleteWindow = 0;
    bool closed = false;     // the user asked to close it
    bool destroyed = false;  // someone else destroyed it
};

std::unique_ptr<HostWindow> HostWindow::open(int width, int height, const std::string& title, std::string& error) {
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
    std::unique_ptr<HostWindow> w(new HostWindow);
    w->native = std::make_unique<Native>();
    w->native->display = display;
    w->width = width;
    w->height = height;
    const int screen = DefaultScreen(display);
    ::Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                          unsigned(height), 0, 0, kBackground);
    w->native->window = window;
    // Title (also as UTF-8 for current desktops), class, a fixed size and the
    // close button's message.
    XStoreName(display, window, title.c_str());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    XClassHint classHint{const_cast<char*>(kInstanceName), const_cast<char*>(kClassName)};
    XSetClassHint(display, window, &classHint);
    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(display, window, &size);
    w->native->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &w->native->deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent e;
    do XWindowEvent(display, window, StructureNotifyMask, &e);
    while (e.type != MapNotify);
    return w;
}

HostWindow::~HostWindow() {
    if (!native) return;
    if (!native->destroyed) XDestroyWindow(native->display, native->window);
    XCloseDisplay(native->display);
}

void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(native->window)); }

int HostWindow::eventDescriptor() const { return ConnectionNumber(native->display); }

bool HostWindow::processEvents() {
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

raster::Surface HostWindow::grab() const {
    XSync(native->display, False);
    return platform::x11::readPixels(native->display, native->window, CRect(0, 0, width, height));
}

}  // namespace tf::x11host
