#include "tests/gui-x11/xsession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>

#include "gui/platform/x11/xsupport.h"

namespace tf::xtest {

namespace {

constexpr int kBackground = 0x404040;

Display* dpy(void* d) { return static_cast<Display*>(d); }

}  // namespace

XSession::XSession(int width, int height, bool alphaVisual, CPoint at) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "cannot open the X display %s\n", XDisplayName(nullptr));
        return;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "the X display has no XTest\n");
        XCloseDisplay(d);
        return;
    }
    display_ = d;
    const int screen = DefaultScreen(d);
    if (alphaVisual) {
        constexpr int kAlphaDepth = 32;
        XVisualInfo info{};
        if (!XMatchVisualInfo(d, screen, kAlphaDepth, TrueColor, &info)) {
            std::fprintf(stderr, "the X display has no 32-bit visual\n");
            XCloseDisplay(d);
            display_ = nullptr;
            return;
        }
        XSetWindowAttributes a{};
        a.colormap = XCreateColormap(d, RootWindow(d, screen), info.visual, AllocNone);
        a.border_pixel = 0;
        a.background_pixel = 0;
        parent_ = XCreateWindow(d, RootWindow(d, screen), at.x, at.y, unsigned(width),
                                unsigned(height), 0, kAlphaDepth, InputOutput, info.visual,
                                CWColormap | CWBorderPixel | CWBackPixel, &a);
        colormap_ = a.colormap;
    } else {
        parent_ = XCreateSimpleWindow(d, RootWindow(d, screen), at.x, at.y,
                                      unsigned(width), unsigned(height), 0, 0, kBackground);
    }
    // Button presses are selected to see whether any reaches the "host".
    XSelectInput(d, parent_, StructureNotifyMask | ButtonPressMask);
    XMapWindow(d, parent_);
    XEvent e;
    do XWindowEvent(d, parent_, StructureNotifyMask, &e);
    while (e.type != MapNotify);
    // Start from a known pointer and keyboard.
    XTestFakeMotionEvent(d, screen, 0, 0, CurrentTime);
    XSync(d, False);
}

XSession::~XSession() {
    if (!display_) return;
    if (parent_) XDestroyWindow(dpy(display_), parent_);
    if (colormap_) XFreeColormap(dpy(display_), colormap_);
    XCloseDisplay(dpy(display_));
}

void* XSession::parentHandle() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent_));
}

void XSession::destroyParent() {
    XDestroyWindow(dpy(display_), parent_);
    parent_ = 0;
    sync();
}

WindowId XSession::childWindow() const {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    WindowId found = 0;
    if (parent_ && XQueryTree(dpy(display_), parent_, &root, &parent, &children, &n) && n > 0)
        found = children[0];
    if (children) XFree(children);
    return found;
}

WindowId XSession::popupWindow() const {
    Display* d = dpy(display_);
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    WindowId found = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n; ++i) {
            XWindowAttributes a{};
            if (children[i] != parent_ && XGetWindowAttributes(d, children[i], &a) &&
                a.override_redirect && a.map_state == IsViewable)
                found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

CPoint XSession::rootOrigin(WindowId window) const {
    Display* d = dpy(display_);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(d, window ? window : parent_, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return {x, y};
}

CRect XSession::geometry(WindowId window) const {
    XWindowAttributes a{};
    XGetWindowAttributes(dpy(display_), window, &a);
    const CPoint at = rootOrigin(window);
    return {at.x, at.y, at.x + a.width, at.y + a.height};
}

void XSession::moveTo(CPoint where, WindowId window) {
    const CPoint at = rootOrigin(window);
    XTestFakeMotionEvent(dpy(display_), -1, at.x + where.x, at.y + where.y, CurrentTime);
    sync();
}

void XSession::press(unsigned button) {
    XTestFakeButtonEvent(dpy(display_), button, True, CurrentTime);
    sync();
}

void XSession::release(unsigned button) {
    XTestFakeButtonEvent(dpy(display_), button, False, CurrentTime);
    sync();
}

void XSession::click(CPoint where, WindowId window, unsigned button) {
    moveTo(where, window);
    press(button);
    release(button);
}

void XSession::keyDown(const char* name) {
    Display* d = dpy(display_);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, XStringToKeysym(name)), True, CurrentTime);
    sync();
}

void XSession::keyUp(const char* name) {
    Display* d = dpy(display_);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, XStringToKeysym(name)), False, CurrentTime);
    sync();
}

void XSession::tap(const char* name) {
    keyDown(name);
    keyUp(name);
}

void XSession::type(std::string_view text) {
    for (char c : text) {
        const char name[2] = {c, 0};
        tap(c == ' ' ? "space" : c == '.' ? "period" : c == '-' ? "minus" : name);
    }
}

void XSession::focus(WindowId window) {
    XSetInputFocus(dpy(display_), window ? window : parent_, RevertToPointerRoot, CurrentTime);
    sync();
}

raster::Surface XSession::grab(WindowId window, const CRect& area) const {
    return platform::x11::readPixels(dpy(display_), window ? window : parent_, area);
}

unsigned long XSession::rawPixel(WindowId window, CPoint where) const {
    XImage* image = XGetImage(dpy(display_), window, where.x, where.y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return p;
}

raster::Surface XSession::grabScreen(const CRect& area) const {
    return grab(DefaultRootWindow(dpy(display_)), area);
}

int XSession::takeParentPresses() {
    Display* d = dpy(display_);
    XSync(d, False);
    int n = 0;
    XEvent e;
    while (parent_ && XCheckWindowEvent(d, parent_, ButtonPressMask, &e)) ++n;
    return n;
}

void XSession::sync() const { XSync(dpy(display_), False); }

}  // namespace tf::xtest
