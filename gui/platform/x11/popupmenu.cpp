// The popup list's menu on X11: an override-redirect window placed at the
// given point, drawn with the raster code, run modally with the pointer
// grabbed (as menus are) so that a click outside it dismisses it and
// reaches nothing else.
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

#include "gui/platform/bindingrules.h"
#include "gui/platform/x11/menulayout.h"
#include "gui/platform/x11/window.h"

namespace tf::platform {

namespace {

constexpr int kWaitMilliseconds = 10;
constexpr int kGrabAttempts = 20;  // a grab held by another client may end soon
constexpr raster::Pixel kBackColor = 0xf0f0f0;
constexpr raster::Pixel kBorderColor = 0x808080;
constexpr raster::Pixel kTextColor = 0x000000;
constexpr raster::Pixel kGreyTextColor = 0x8d8d8d;
constexpr raster::Pixel kHighlightColor = 0x3399ff;
constexpr raster::Pixel kHighlightTextColor = 0xffffff;
constexpr raster::Pixel kLineColor = 0xb0b0b0;

using rules::menuEntryChoosable;

class MenuSession {
public:
    MenuSession(Window* w, const PopupMenu& menu) : w_(w), menu_(menu) {}
    // Runs the menu; the chosen index or -1.
    int run(WindowClient& client);

private:
    void layout(int maxHeight);
    void draw();
    void drawCheck(int left, int midY, raster::Pixel color);
    int entryAt(int x, int y) const;
    void setHighlight(int index);
    void step(int direction);
    bool open();
    void close();

    Window* w_;
    const PopupMenu& menu_;
    std::vector<CRect> boxes_;  // one per entry, half-open, menu coordinates
    int width_ = 0, height_ = 0;
    raster::Surface surface_;
    x11::PixelLayout layout_;
    ::Window popup_ = 0;
    GC gc_ = nullptr;
    int highlight_ = -1;
};

void MenuSession::layout(int maxHeight) {
    x11::MenuLayout l = x11::layoutMenu(menu_, maxHeight);
    boxes_ = std::move(l.boxes);
    width_ = l.width;
    height_ = l.height;
    surface_ = raster::Surface(width_, height_, kBackColor);
}

void MenuSession::drawCheck(int left, int midY, raster::Pixel color) {
    // A tick two pixels thick.
    const CRect clip = surface_.bounds();
    constexpr int kDown = 3, kUp = 5, kShort = 3, kLong = 5;
    const int x = left + x11::kMenuCheckGutter / 2 - kShort;
    for (int t = 0; t < 2; ++t) {
        raster::Pen pen{color, false, 0};
        surface_.line({x, midY - 1 + t}, {x + kShort, midY - 1 + kDown + t}, pen, clip);
        surface_.line({x + kShort, midY - 1 + kDown + t}, {x + kShort + kLong, midY - 1 - kUp + t},
                      pen, clip);
    }
}

void MenuSession::draw() {
    const CRect all = surface_.bounds();
    surface_.fill(all, kBackColor, all);
    for (int i = 0; i < menu_.count; ++i) {
        const MenuEntry& e = menu_.entries[i];
        const CRect& box = boxes_[std::size_t(i)];
        if (box.left > x11::kMenuBorder && box.top == x11::kMenuBorder) {
            // A column break: a line between the columns.
            surface_.fill(CRect(box.left - x11::kMenuBorder, x11::kMenuBorder, box.left, height_ - x11::kMenuBorder),
                          kLineColor, all);
        }
        if (e.flags & kMenuSeparator) {
            const int y = (box.top + box.bottom) / 2;
            surface_.fill(CRect(box.left + x11::kMenuRowPadding, y, box.right - x11::kMenuRowPadding, y + 1),
                          kLineColor, all);
            continue;
        }
        raster::Pixel color = (e.flags & kMenuGreyed) ? kGreyTextColor : kTextColor;
        if (i == highlight_) {
            surface_.fill(box, kHighlightColor, all);
            color = kHighlightTextColor;
        }
        if (e.flags & kMenuChecked) drawCheck(box.left, (box.top + box.bottom) / 2, color);
        if (menu_.fonts) {
            const CRect textBox(box.left + x11::kMenuCheckGutter, box.top, box.right, box.bottom);
            menu_.fonts->drawText(surface_, box, textBox, e.text ? e.text : "", x11::kMenuFont, color,
                                  raster::TextAlign::left);
        }
    }
    // Border.
    surface_.fill(CRect(0, 0, width_, x11::kMenuBorder), kBorderColor, all);
    surface_.fill(CRect(0, height_ - x11::kMenuBorder, width_, height_), kBorderColor, all);
    surface_.fill(CRect(0, 0, x11::kMenuBorder, height_), kBorderColor, all);
    surface_.fill(CRect(width_ - x11::kMenuBorder, 0, width_, height_), kBorderColor, all);
    layout_.put(w_->display, popup_, gc_, surface_, all);
}

int MenuSession::entryAt(int x, int y) const {
    for (int i = 0; i < menu_.count; ++i)
        if (boxes_[std::size_t(i)].contains(CPoint(x, y))) return i;
    return -1;
}

void MenuSession::setHighlight(int index) {
    if (index >= 0 && !menuEntryChoosable(menu_.entries[index])) index = -1;
    if (index == highlight_) return;
    highlight_ = index;
    draw();
}

void MenuSession::step(int direction) {
    // The next choosable entry up or down, wrapping around.
    int i = highlight_;
    for (int n = 0; n < menu_.count; ++n) {
        i = i < 0 ? (direction > 0 ? 0 : menu_.count - 1) : (i + direction + menu_.count) % menu_.count;
        if (menuEntryChoosable(menu_.entries[i])) {
            setHighlight(i);
            return;
        }
    }
}

bool MenuSession::open() {
    Display* d = w_->display;
    const int screen = w_->screen;
    const int screenWidth = DisplayWidth(d, screen), screenHeight = DisplayHeight(d, screen);
    layout(screenHeight);

    // Below the control, kept on the screen.
    const CPoint origin = x11::screenOrigin(w_);
    int x = origin.x + menu_.where.x, y = origin.y + menu_.where.y;
    x = std::max(0, std::min(x, screenWidth - width_));
    y = std::max(0, std::min(y, screenHeight - height_));

    x11::ErrorTrap trap(d, true);
    layout_ = x11::PixelLayout(d, DefaultVisual(d, screen), DefaultDepth(d, screen));
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.save_under = True;
    attrs.background_pixmap = None;
    attrs.event_mask = ExposureMask | KeyPressMask;
    popup_ = XCreateWindow(d, w_->root, x, y, unsigned(width_), unsigned(height_), 0,
                           CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWEventMask, &attrs);
    gc_ = XCreateGC(d, popup_, 0, nullptr);
    XMapRaised(d, popup_);
    XSync(d, False);

    bool grabbed = false;
    constexpr unsigned kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    for (int attempt = 0; attempt < kGrabAttempts && !grabbed; ++attempt) {
        grabbed = XGrabPointer(d, popup_, False, kPointerEvents, GrabModeAsync, GrabModeAsync, None,
                               None, CurrentTime) == GrabSuccess;
        if (!grabbed) x11::waitForInput(d, kWaitMilliseconds);
    }
    if (!grabbed || trap.failed()) return false;
    XGrabKeyboard(d, popup_, False, GrabModeAsync, GrabModeAsync, CurrentTime);

    CPoint rootWhere;
    x11::pollPointer(w_, nullptr, &rootWhere);
    highlight_ = -1;
    const int under = entryAt(rootWhere.x - x, rootWhere.y - y);
    if (under >= 0 && menuEntryChoosable(menu_.entries[under])) highlight_ = under;
    draw();
    return true;
}

void MenuSession::close() {
    Display* d = w_->display;
    x11::ErrorTrap trap(d, true);
    XUngrabKeyboard(d, CurrentTime);
    XUngrabPointer(d, CurrentTime);
    if (popup_) XDestroyWindow(d, popup_);
    if (gc_) XFreeGC(d, gc_);
    XSync(d, False);
    // Presses made while the menu was up belong to it, not to the frame.
    XEvent e;
    if (!w_->destroyed) {
        while (XCheckWindowEvent(d, w_->handle, ButtonPressMask | ButtonReleaseMask, &e)) {
        }
    }
}

int MenuSession::run(WindowClient& client) {
    Display* d = w_->display;
    if (!open()) {
        close();
        return -1;
    }
    x11::ErrorTrap trap(d, false);
    int chosen = -1;
    bool done = false, dismissed = false;
    while (!done && x11::live(w_)) {
        while (!done && x11::live(w_) && XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.xany.window != popup_) {
                x11::handleFrameEvent(w_, e);
                if (w_->destroyed) done = true;
                continue;
            }
            auto inside = [this](const XButtonEvent& b) {
                return CRect(0, 0, width_, height_).contains({b.x, b.y});
            };
            switch (e.type) {
            case Expose:
                if (e.xexpose.count == 0) draw();
                break;
            case MotionNotify:
                setHighlight(entryAt(e.xmotion.x, e.xmotion.y));
                break;
            case ButtonPress:
                if (e.xbutton.button <= Button3 && !inside(e.xbutton)) {
                    dismissed = true;
                    done = true;
                }
                break;
            case ButtonRelease:
                if (e.xbutton.button <= Button3 && inside(e.xbutton)) {
                    const int i = entryAt(e.xbutton.x, e.xbutton.y);
                    if (i >= 0 && menuEntryChoosable(menu_.entries[i])) {
                        chosen = i;
                        done = true;
                    }
                }
                break;
            case KeyPress: {
                const KeySym sym = XLookupKeysym(&e.xkey, 0);
                if (sym == XK_Escape) done = true;
                else if (sym == XK_Up || sym == XK_KP_Up) step(-1);
                else if (sym == XK_Down || sym == XK_KP_Down) step(1);
                else if ((sym == XK_Return || sym == XK_KP_Enter) && highlight_ >= 0) {
                    chosen = highlight_;
                    done = true;
                }
                break;
            }
            default:
                break;
            }
        }
        if (done || !x11::live(w_)) break;
        client.onModalIdle();
        if (!x11::live(w_)) break;
        x11::waitForInput(d, kWaitMilliseconds);
    }
    // The press that dismissed the menu keeps the grab until its release, so
    // neither half of that click reaches another window.
    constexpr unsigned kAnyButton = kButtonLeft | kButtonMiddle | kButtonRight;
    while (dismissed && x11::live(w_) && (x11::pollPointer(w_, nullptr, nullptr) & kAnyButton)) {
        XEvent e;
        while (XPending(d)) {
            XNextEvent(d, &e);
            if (e.xany.window != popup_) x11::handleFrameEvent(w_, e);
        }
        client.onModalIdle();
        if (!x11::live(w_)) break;
        x11::waitForInput(d, kWaitMilliseconds);
    }
    if (x11::live(w_)) close();
    return x11::live(w_) ? rules::menuChoice(menu_, chosen) : -1;
}

}  // namespace

int runPopupMenu(Window* window, const PopupMenu& menu, WindowClient& client) {
    if (!window || !rules::menuRunnable(menu) || !x11::live(window) || window->destroyed)
        return -1;
    x11::BusyScope scope(window);
    MenuSession session(window, menu);
    return session.run(client);
}

}  // namespace tf::platform
