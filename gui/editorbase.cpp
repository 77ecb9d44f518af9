#include "gui/editorbase.h"

#include "gui/context.h"
#include "gui/frame.h"
#include "gui/platform/platform.h"

namespace platform = tf::platform;

CEditorBase::CEditorBase(CEditorHost* h) : host(h) { lastTicks = getTicks(); }

CEditorBase::~CEditorBase() {
    if (frame) frame->forgetEditor();
    releaseFrame();
}

void CEditorBase::releaseFrame() {
    if (!frame) return;
    // The window goes now; the frame goes when the last gesture or context
    // holding it ends (the host may close the editor from inside its idle,
    // called during a drag, an edit or an open menu).
    frame->closeWindow();
    frame->release();
    frame = nullptr;
}

std::uint32_t CEditorBase::getTicks() { return platform::tickCount(); }

bool CEditorBase::open(void* parentWindow) {
    postUpdate();
    systemWindow = parentWindow;
    return true;
}

void CEditorBase::close() {
    releaseFrame();
    systemWindow = nullptr;
}

void CEditorBase::idle() {
    if (inIdle) return;
    if (updateFlag) {
        updateFlag = false;
        update();
    }
    if (frame) frame->idle();
}

bool CEditorBase::onWheel(float distance) {
    if (!frame || !frame->isOpen()) return false;
    CPaintContext context(frame);
    CPoint where;
    context.getMouseLocation(where);
    return frame->onWheel(&context, where, distance);
}

int CEditorBase::eventFileDescriptor() const {
    return frame && frame->isOpen() ? platform::eventFileDescriptor(frame->getWindow()) : -1;
}

void CEditorBase::setParameter(std::int32_t, float) { postUpdate(); }

void CEditorBase::redrawAll() {
    if (frame) frame->redraw();
}

void CEditorBase::doIdleStuff() {
    if (frame) frame->presentPending();  // show what the gesture drew so far
    std::uint32_t t = getTicks();
    idle();
    // Differences of wrapping tick counts, as signed.
    if (std::int32_t(t - lastTicks) < std::int32_t(kPaceSleepBelowMs)) {
        platform::sleepMilliseconds(kPaceSleepMs);
        t += kPaceSleepMs;
        if (std::int32_t(t - lastTicks) < std::int32_t(kHostIdleEveryMs)) return;
    }
    if (frame && frame->isOpen()) platform::dispatchPendingPaint(frame->getWindow());
    lastTicks = t;
    inIdle = true;
    if (host) host->idleHost();
    inIdle = false;
}

void CEditorBase::beginEdit(std::int32_t tag) {
    if (host) host->beginEdit(tag);
}

void CEditorBase::endEdit(std::int32_t tag) {
    if (host) host->endEdit(tag);
}
