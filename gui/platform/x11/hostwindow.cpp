#include "gui/platform/x11/hostwindow.h"

#include <cstdint>
#include <cstdlib>

#include "gui/platform/x11/xsupport.h"

namespace tf::x11host {

struct HostWindow::Native {
    Display* display = nullptr;
    ::Window window = 0;
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
    constexpr unsigned long kBackground = 0x202020;
    ::Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                          unsigned(height), 0, 0, kBackground);
    w->native->window = window;
    XStoreName(display, window, title.c_str());
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent e;
    do XWindowEvent(display, window, StructureNotifyMask, &e);
    while (e.type != MapNotify);
    return w;
}

HostWindow::~HostWindow() {
    if (!native) return;
    XDestroyWindow(native->display, native->window);
    XCloseDisplay(native->display);
}

void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(native->window)); }

void HostWindow::processEvents() {
    while (XPending(native->display)) {
        XEvent e;
        XNextEvent(native->display, &e);
    }
}

raster::Surface HostWindow::grab() const {
    XSync(native->display, False);
    return platform::x11::readPixels(native->display, native->window, CRect(0, 0, width, height));
}

}  // namespace tf::x11host
