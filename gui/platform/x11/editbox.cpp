// The text field's edit box on X11: a child window over the control that
// edits the text in place until Return or the loss of the focus (a click
// anywhere else included), drawn with the raster text code.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "gui/platform/bindingrules.h"
#include "gui/platform/x11/window.h"

namespace tf::platform {

namespace {

constexpr int kWaitMilliseconds = 10;  // between modal idles
constexpr int kLookupBytes = 16;
constexpr unsigned kAnyButton = kButtonLeft | kButtonMiddle | kButtonRight;

bool isTextByte(unsigned char c) {
    constexpr unsigned char kFirstPrintable = 0x20, kDelete = 0x7f, kLastControl = 0x9f;
    return c >= kFirstPrintable && c != kDelete && !(c > kDelete && c <= kLastControl);
}

class EditSession {
public:
    EditSession(Window* w, const EditBox& box, const char* text, std::size_t capacity)
        : w_(w), box_(box), text_(text), maxLength_(rules::editBoxMaxLength(capacity)),
          surface_(rules::editBoxBounds(box).width(), rules::editBoxBounds(box).height()) {
        if (text_.size() > maxLength_) text_.resize(maxLength_);
        original_ = text_;
        anchor_ = 0;
        caret_ = text_.size();
    }

    // Runs the box until it closes; false when the window went away meanwhile.
    bool run(WindowClient& client);
    // How it ended, the text as edited and as it was.
    rules::EditEnd end() const { return end_; }
    const std::string& edited() const { return text_; }
    const std::string& original() const { return original_; }

private:
    using End = rules::EditEnd;

    void open();
    void close(bool restoreFocus);
    void draw();
    int xOf(std::size_t index);
    std::size_t indexAt(int x);
    void handleKey(XKeyEvent& key);
    void handleEvent(XEvent& e);
    void replaceSelection(std::string_view with);
    void moveCaret(std::size_t to, bool extend);
    bool hasSelection() const { return anchor_ != caret_; }

    Window* w_;
    const EditBox& box_;
    std::string text_;
    std::string original_;
    std::size_t maxLength_;
    std::size_t anchor_ = 0;  // the selection runs from anchor_ to caret_
    std::size_t caret_ = 0;
    int scroll_ = 0;  // pixels the text is moved left to keep the caret in view
    raster::Surface surface_;
    ::Window edit_ = 0;
    ::Window previousFocus_ = 0;
    CRect screenArea_;  // half-open, root coordinates
    End end_ = End::open;
    bool focusLost_ = false;
};

void EditSession::open() {
    Display* d = w_->display;
    x11::ErrorTrap trap(d, true);
    int revert = 0;
    XGetInputFocus(d, &previousFocus_, &revert);
    XSetWindowAttributes attrs{};
    attrs.event_mask = KeyPressMask | FocusChangeMask | ExposureMask | ButtonPressMask;
    attrs.background_pixmap = None;
    edit_ = XCreateWindow(d, w_->handle, box_.area.left, box_.area.top, unsigned(surface_.width()),
                          unsigned(surface_.height()), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWEventMask | CWBackPixmap, &attrs);
    XMapRaised(d, edit_);
    XSync(d, False);
    XWindowAttributes a{};
    // The focus can only go to a window the user can see.
    if (XGetWindowAttributes(d, edit_, &a) && a.map_state == IsViewable)
        XSetInputFocus(d, edit_, RevertToParent, CurrentTime);
    const CPoint origin = x11::screenOrigin(w_);
    screenArea_ = rules::editBoxBounds(box_).offset(origin.x, origin.y);
    draw();
}

void EditSession::close(bool restoreFocus) {
    Display* d = w_->display;
    x11::ErrorTrap trap(d, true);
    if (restoreFocus && previousFocus_ != None)
        XSetInputFocus(d, previousFocus_, RevertToParent, CurrentTime);
    if (!w_->destroyed) XDestroyWindow(d, edit_);
}

int EditSession::xOf(std::size_t index) {
    if (!box_.fonts) return 0;
    return box_.fonts->textWidth(box_.font, std::string_view(text_).substr(0, index));
}

std::size_t EditSession::indexAt(int x) {
    // The gap between characters nearest to x (text coordinates).
    std::size_t best = 0;
    int bestDistance = -1;
    for (std::size_t i = 0; i <= text_.size(); ++i) {
        const int distance = std::abs(xOf(i) - x);
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void EditSession::draw() {
    const CRect all = surface_.bounds();
    const raster::Pixel fore = raster::pixelOf(box_.textColor);
    const raster::Pixel back = raster::pixelOf(box_.backColor);
    surface_.fill(all, back, all);
    if (box_.fonts) {
        raster::FontEngine& f = *box_.fonts;
        const int width = f.textWidth(box_.font, text_);
        CPoint origin = f.textOrigin(all, text_, box_.font, box_.align);
        if (width >= all.width()) {
            // Too long for the box: scrolled so that the caret stays in view.
            const int caretX = xOf(caret_);
            if (caretX - scroll_ > all.width() - 1) scroll_ = caretX - (all.width() - 1);
            if (caretX < scroll_) scroll_ = caretX;
            scroll_ = std::clamp(scroll_, 0, width - all.width() + 1);
            origin.x = -scroll_;
        } else {
            scroll_ = 0;
        }
        const raster::TextMetrics m = f.metrics(box_.font);
        const int top = origin.y - m.ascent, bottom = origin.y + m.descent;
        f.drawRun(surface_, all, origin.x, origin.y, text_, box_.font, fore);
        if (hasSelection()) {
            // Selected text shown inverted.
            const std::size_t lo = std::min(anchor_, caret_), hi = std::max(anchor_, caret_);
            const CRect sel = CRect(origin.x + xOf(lo), top, origin.x + xOf(hi), bottom).intersect(all);
            surface_.fill(sel, fore, all);
            f.drawRun(surface_, sel, origin.x, origin.y, text_, box_.font, back);
        } else {
            const int x = origin.x + xOf(caret_);
            surface_.fill(CRect(x, top, x + 1, bottom), fore, all);
        }
    }
    x11::ErrorTrap trap(w_->display, true);
    w_->layout.put(w_->display, edit_, w_->gc, surface_, all);
}

void EditSession::replaceSelection(std::string_view with) {
    const std::size_t lo = std::min(anchor_, caret_), hi = std::max(anchor_, caret_);
    std::string next = text_.substr(0, lo);
    const std::size_t room = maxLength_ - std::min(maxLength_, text_.size() - (hi - lo));
    next.append(with.substr(0, room));
    next.append(text_, hi);
    caret_ = anchor_ = lo + std::min(with.size(), room);
    text_ = std::move(next);
}

void EditSession::moveCaret(std::size_t to, bool extend) {
    caret_ = std::min(to, text_.size());
    if (!extend) anchor_ = caret_;
}

void EditSession::handleKey(XKeyEvent& key) {
    char bytes[kLookupBytes] = {};
    KeySym sym = NoSymbol;
    const int n = XLookupString(&key, bytes, sizeof bytes, &sym, nullptr);
    const bool shift = key.state & ShiftMask;
    const bool control = key.state & ControlMask;
    const std::size_t lo = std::min(anchor_, caret_), hi = std::max(anchor_, caret_);
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
        end_ = End::apply;
        return;
    case XK_Escape:
        end_ = End::cancel;
        return;
    case XK_BackSpace:
        if (!hasSelection() && caret_ > 0) anchor_ = caret_ - 1;
        replaceSelection({});
        break;
    case XK_Delete:
    case XK_KP_Delete:
        if (!hasSelection() && caret_ < text_.size()) anchor_ = caret_ + 1;
        replaceSelection({});
        break;
    case XK_Left:
    case XK_KP_Left:
        moveCaret(hasSelection() && !shift ? lo : (caret_ > 0 ? caret_ - 1 : 0), shift);
        break;
    case XK_Right:
    case XK_KP_Right:
        moveCaret(hasSelection() && !shift ? hi : caret_ + 1, shift);
        break;
    case XK_Home:
    case XK_KP_Home:
        moveCaret(0, shift);
        break;
    case XK_End:
    case XK_KP_End:
        moveCaret(text_.size(), shift);
        break;
    default:
        if (control) {
            if (sym == XK_a || sym == XK_A) {
                anchor_ = 0;
                caret_ = text_.size();
            }
            break;
        }
        {
            std::string typed;
            for (int i = 0; i < n; ++i)
                if (isTextByte(static_cast<unsigned char>(bytes[i]))) typed.push_back(bytes[i]);
            if (typed.empty()) return;
            replaceSelection(typed);
        }
        break;
    }
    draw();
}

void EditSession::handleEvent(XEvent& e) {
    if (e.xany.window == edit_) {
        switch (e.type) {
        case KeyPress:
            handleKey(e.xkey);
            break;
        case Expose:
            if (e.xexpose.count == 0) draw();
            break;
        case ButtonPress:
            if (e.xbutton.button == Button1) {
                const CPoint origin = box_.fonts ? box_.fonts->textOrigin(surface_.bounds(), text_,
                                                                            box_.font, box_.align)
                                                 : CPoint();
                const int textLeft = xOf(text_.size()) >= surface_.width() ? -scroll_ : origin.x;
                moveCaret(indexAt(e.xbutton.x - textLeft), e.xbutton.state & ShiftMask);
                draw();
            }
            break;
        case FocusOut:
            // The focus went to another window (not to a child, not a grab).
            if ((e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed) &&
                e.xfocus.detail != NotifyInferior && e.xfocus.detail != NotifyPointer) {
                end_ = End::apply;
                focusLost_ = true;
            }
            break;
        default:
            break;
        }
        return;
    }
    x11::handleFrameEvent(w_, e);
    if (w_->destroyed) end_ = End::apply;
}

bool EditSession::run(WindowClient& client) {
    Display* d = w_->display;
    open();
    unsigned lastButtons = x11::pollPointer(w_, nullptr, nullptr) & kAnyButton;
    while (end_ == End::open && x11::live(w_)) {
        while (end_ == End::open && x11::live(w_) && XPending(d)) {
            XEvent e;
            XPeekEvent(d, &e);
            if (e.type == ButtonPress && e.xany.window == w_->handle) {
                // A click elsewhere in the frame: it stays queued for the frame.
                end_ = End::apply;
                break;
            }
            XNextEvent(d, &e);
            handleEvent(e);
        }
        if (end_ != End::open || !x11::live(w_)) break;

        // A press anywhere outside the box (the host's windows included).
        CPoint rootWhere;
        const unsigned buttons = x11::pollPointer(w_, nullptr, &rootWhere) & kAnyButton;
        if ((buttons & ~lastButtons) && !screenArea_.contains(rootWhere)) {
            end_ = End::apply;
            break;
        }
        lastButtons = buttons;

        client.onModalIdle();
        if (!x11::live(w_)) break;
        x11::waitForInput(d, kWaitMilliseconds);
    }
    if (!x11::live(w_)) return false;
    close(!focusLost_ && !w_->destroyed);
    return true;
}

}  // namespace

void runEditBox(Window* window, const EditBox& box, char* text, std::size_t capacity,
                WindowClient& client) {
    if (!window || !rules::editBoxRunnable(box, text, capacity) || !x11::live(window) || window->destroyed)
        return;
    x11::BusyScope scope(window);
    EditSession session(window, box, text, capacity);
    if (!session.run(client)) return;  // the text's owner may be gone
    rules::storeEditText(session.end(), session.edited(), session.original(), text, capacity);
}

}  // namespace tf::platform
