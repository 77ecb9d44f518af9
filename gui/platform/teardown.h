// A binding's window may be destroyed by a callback while a call of the
// binding is still on the stack (a host closing the editor from inside a
// drag, an edit box or a menu): the native window goes at once, the record
// when the outermost call returns. A binding's window record `W` has the
// members `int busy` and `bool disposed` for this.
#pragma once

namespace tf::platform {

// Marks the window in use for the length of a binding call; frees it with
// `Finish` at the end of the outermost call if destroyWindow came in between.
// Nothing may touch the window after the scope ends.
template <class W, void (*Finish)(W*)>
class BusyScope {
public:
    explicit BusyScope(W* window) : window_(window) { ++window_->busy; }
    ~BusyScope() {
        if (--window_->busy == 0 && window_->disposed) Finish(window_);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    W* window_;
};

// destroyWindow's part: frees the window with `finish` now, or, while a
// binding call is on the stack, takes it off the screen with `release` (if
// any) and leaves the freeing to that call's BusyScope.
template <class W>
void destroyOrDefer(W* window, void (*release)(W*), void (*finish)(W*)) {
    if (window->busy > 0) {
        if (!window->disposed && release) release(window);
        window->disposed = true;
        return;
    }
    finish(window);
}

}  // namespace tf::platform
