#include "gui/frame.h"

#include <algorithm>
#include <new>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/editorbase.h"

namespace platform = tf::platform;

// Marks the frame busy with a gesture or a modal box, so that idle passes
// run from inside it do not deliver further window events.
class CWindowFrame::Tracking {
public:
    explicit Tracking(CWindowFrame& f) : frame(f) { ++frame.trackingDepth; }
    ~Tracking() { --frame.trackingDepth; }
    Tracking(const Tracking&) = delete;
    Tracking& operator=(const Tracking&) = delete;

private:
    CWindowFrame& frame;
};

namespace {

// Holds a reference to a frame for a scope in which callbacks may close its editor.
class KeepAlive {
public:
    explicit KeepAlive(CViewBase& v) : view(v) { view.retain(); }
    ~KeepAlive() { view.release(); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    CViewBase& view;
};

}  // namespace

CWindowFrame::CWindowFrame(const CRect& r, void* parent, CEditorBase* ed)
    : CViewBase(r), editor(ed), surface(r.width(), r.height()) {
    client.frame = this;
    window = platform::createChildWindow(parent, r.width(), r.height(), client);
    open = window != nullptr;
}

CWindowFrame::~CWindowFrame() {
    removeAll();
    if (background) background->release();
    platform::destroyWindow(window);
}

void CWindowFrame::draw(CPaintContext* context) {
    firstPaint = false;
    if (background) background->draw(context, CRect(0, 0, size.width(), size.height()));
    for (std::size_t i = 0; i < views.size(); ++i) {  // by index: a view may add views
        CViewBase* v = views[i];
        const bool wasDirty = v->isDirty();
        v->draw(context);
        v->markDirty(wasDirty);
    }
    if (modalView) modalView->draw(context);
}

void CWindowFrame::redrawIfDirty(CPaintContext* context) {
    if (!open) return;
    if (modalView) {
        modalView->redrawIfDirty(context);
    } else if (isDirty()) {
        draw(context);
        markDirty(false);
    } else {
        for (std::size_t i = 0; i < views.size(); ++i) views[i]->redrawIfDirty(context);
    }
}

CViewBase* CWindowFrame::viewAt(CPoint where, bool mouseEnabledOnly) const {
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((!mouseEnabledOnly || (*it)->isMouseEnabled()) && (*it)->getViewRect().pointInside(where))
            return *it;
    return nullptr;
}

void CWindowFrame::onMouseDown(CPaintContext* context, CPoint where) {
    Tracking tracking(*this);
    if (focusView) {
        CViewBase* v = focusView;
        focusView = nullptr;
        v->loseFocus(context);
    }
    if (modalView) {
        if (modalView->getViewRect().pointInside(where)) modalView->onMouseDown(context, where);
        return;
    }
    if (CViewBase* v = viewAt(where, true)) v->onMouseDown(context, where);
}

bool CWindowFrame::onWheel(CPaintContext* context, CPoint where, float distance) {
    CViewBase* v = modalView ? modalView : viewAt(where, false);
    return v ? v->onWheel(context, where, distance) : false;
}

bool CWindowFrame::onDrop(CPaintContext* context, void** items, int count, int kind, CPoint where) {
    if (focusView) return false;
    CViewBase* v = viewAt(where, true);
    return v ? v->onDrop(context, items, count, kind, where) : false;
}

void CWindowFrame::idle() {
    if (!open) return;
    KeepAlive keep(*this);
    if (!isTracking()) platform::processEvents(window);
    if (!open || firstPaint) return;
    bool anyDirty = modalView != nullptr || isDirty();
    for (std::size_t i = 0; !anyDirty && i < views.size(); ++i) anyDirty = views[i]->isDirty();
    if (anyDirty) {
        CPaintContext context(this);
        redrawIfDirty(&context);
    }
}

void CWindowFrame::closeWindow() {
    open = false;
    platform::destroyWindow(window);
    window = nullptr;
}

void CWindowFrame::redraw(CViewBase* view) {
    CPaintContext context(this);
    if (view)
        view->draw(&context);
    else
        draw(&context);
}

bool CWindowFrame::addView(CViewBase* view) {
    if (!view) return false;
    try {
        if (views.size() == views.capacity()) views.reserve(views.capacity() + kViewGrowth);
        views.push_back(view);
    } catch (const std::bad_alloc&) {
        return false;
    }
    view->setParentFrame(this);
    view->onAttached(this);
    return true;
}

bool CWindowFrame::removeView(CViewBase* view) {
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end()) return false;
    views.erase(it);
    if (focusView == view) focusView = nullptr;
    if (modalView == view) modalView = nullptr;
    view->onRemoved(this);
    view->release();
    return true;
}

void CWindowFrame::removeAll() {
    focusView = nullptr;
    modalView = nullptr;
    std::vector<CViewBase*> gone;
    gone.swap(views);
    for (CViewBase* v : gone) {
        v->onRemoved(this);
        v->release();
    }
}

bool CWindowFrame::isChild(const CViewBase* view) const {
    return std::find(views.begin(), views.end(), view) != views.end();
}

CViewBase* CWindowFrame::getView(int index) const {
    return index >= 0 && index < int(views.size()) ? views[std::size_t(index)] : nullptr;
}

void CWindowFrame::setBackground(CResBitmap* bitmap) {
    assignBitmap(background, bitmap);
    markDirty(true);
}

void CWindowFrame::setFocusView(CViewBase* view) {
    CViewBase* previous = focusView;
    focusView = view;
    if (previous && previous != view) previous->loseFocus(nullptr);
}

void CWindowFrame::setModalView(CViewBase* view) {
    modalView = view;
    markDirty(true);
}

void CWindowFrame::beginEdit(std::int32_t tag) {
    if (editor) editor->beginEdit(tag);
}

void CWindowFrame::endEdit(std::int32_t tag) {
    if (editor) editor->endEdit(tag);
}

bool CWindowFrame::isKeyDown(int virtualKey) const {
    if (!open) return false;
    for (platform::Key key : {platform::Key::tab, platform::Key::shift, platform::Key::control, platform::Key::alt})
        if (int(key) == virtualKey) return platform::isKeyDown(window, key);
    return false;
}

void CWindowFrame::presentPending() {
    const CRect area = pending.intersect(surface.bounds());
    pending = CRect();
    if (open && !area.isEmpty()) platform::present(window, surface, area);
}

void CWindowFrame::Client::onPaint() { frame->redraw(); }

void CWindowFrame::Client::onMouseDown(CPoint where) {
    CPaintContext context(frame);
    frame->onMouseDown(&context, where);
}

void CWindowFrame::Client::onWindowDestroyed() {
    frame->open = false;
}

void CWindowFrame::Client::onModalIdle() {
    KeepAlive keep(*frame);
    Tracking tracking(*frame);
    if (frame->editor) frame->editor->doIdleStuff();
}

bool CWindowFrame::Client::onDrop(void** items, int count, int kind, CPoint where) {
    CPaintContext context(frame);
    return frame->onDrop(&context, items, count, kind, where);
}
