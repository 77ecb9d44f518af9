#include "gui/view.h"

#include "gui/bitmap.h"
#include "gui/editorbase.h"
#include "gui/frame.h"

CViewBase::CViewBase(const CRect& r) : size(r), mouseArea(r) {}
CViewBase::~CViewBase() = default;

void CViewBase::draw(CPaintContext*) {}
void CViewBase::onMouseDown(CPaintContext*, CPoint) {}

void CViewBase::redrawIfDirty(CPaintContext* context) {
    if (isDirty()) {
        draw(context);
        markDirty(false);
    }
}

bool CViewBase::onDrop(CPaintContext*, void**, int, int, CPoint) { return false; }
bool CViewBase::onWheel(CPaintContext*, CPoint, float) { return false; }
void CViewBase::loseFocus(CPaintContext*) {}
void CViewBase::takeFocus(CPaintContext*) {}
bool CViewBase::isDirty() const { return dirty; }
void CViewBase::markDirty(bool flag) { dirty = flag; }
void CViewBase::setMouseEnabled(bool enable) { mouseEnabled = enable; }
bool CViewBase::isMouseEnabled() const { return mouseEnabled; }
void CViewBase::setMouseArea(const CRect& area) { mouseArea = area; }
CRect CViewBase::getMouseArea() const { return mouseArea; }
void CViewBase::setTransparent(bool flag) { transparent = flag; }
bool CViewBase::isTransparent() const { return transparent; }

void CViewBase::setViewRect(const CRect& rect) {
    size = rect;
    markDirty(true);
}

void CViewBase::setParentFrame(CWindowFrame* frame) { parentFrame = frame; }
bool CViewBase::onRemoved(CWindowFrame*) { return true; }
bool CViewBase::onAttached(CWindowFrame*) { return true; }

void CViewBase::release() {
    if (--refCount <= 0) delete this;
}
void CViewBase::retain() { ++refCount; }
int CViewBase::getRefCount() const { return refCount; }

CValueControl::CValueControl(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap)
    : CViewBase(r), listener(l), tag(t), background(bitmap) {
    if (background) background->retain();
}

CValueControl::~CValueControl() {
    if (background) background->release();
}

bool CValueControl::isDirty() const { return drawnValue != value || dirty; }

void CValueControl::markDirty(bool flag) {
    dirty = flag;
    if (flag)
        drawnValue = value == -1.0f ? 0.0f : -1.0f;
    else
        drawnValue = value;
}

void CValueControl::doIdleStuff() {
    if (parentFrame && parentFrame->getEditor()) parentFrame->getEditor()->doIdleStuff();
}

bool CValueControl::isFrameOpen() const { return parentFrame && parentFrame->isOpen(); }

void CValueControl::setBackground(CResBitmap* bitmap) { assignBitmap(background, bitmap); }

void CValueControl::clampValue() {
    if (!(value >= vmin))  // NaN too
        value = vmin;
    else if (value > vmax)
        value = vmax;
}

void CValueControl::notify(CPaintContext* context) {
    if (listener) listener->onControlChanged(context, this);
}

void CValueControl::notifyIfDirty(CPaintContext* context) {
    if (isDirty()) notify(context);
}

void CValueControl::beginEdit() {
    if (parentFrame) parentFrame->beginEdit(tag);
}

void CValueControl::endEdit() {
    if (parentFrame) parentFrame->endEdit(tag);
}
