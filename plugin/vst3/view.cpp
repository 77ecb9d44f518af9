#include "plugin/vst3/view.h"

#include <cstring>

#include "editor/avoceditor.h"
#include "plugin/vst3/controller.h"
#include "plugin/vst3/factory.h"

namespace tf::vst3plugin {

using namespace vst3;

View::View(Controller& c)
    : controller(c), controllerRef(Ref<IEditController>::share(&c)), editor(std::make_unique<AVocEditor>(c)) {
    editor->setKnobMode(c.knobMode());
}

View::~View() {
    removed();
    controller.viewClosed(this);
}

tresult View::queryInterface(const char* id, void** obj) {
    if (!obj) return kInvalidArgument;
    if (answer<IPlugView>(id, obj) || answer<FUnknown, IPlugView>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult View::isPlatformTypeSupported(FIDString type) {
    return type && std::strcmp(type, kViewPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult View::attached(void* parent, FIDString type) {
    if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
    removed();
    if (!editor->open(parent)) return kResultFalse;
    FUnknown* context = controller.hostContext() ? controller.hostContext() : factoryHostContext();
    idle = startViewIdle(*this, frame.get(), context, editor->eventFileDescriptor());
    if (!idle) {
        editor->close();
        return kResultFalse;
    }
    return kResultOk;
}

tresult View::removed() {
    if (idle) {
        stopViewIdle(idle);
        idle = nullptr;
        editor->close();
    }
    return kResultOk;
}

tresult View::onWheel(float distance) { return editor->onWheel(distance) ? kResultTrue : kResultFalse; }

tresult View::getSize(ViewRect* size) {
    if (!size) return kInvalidArgument;
    *size = ViewRect{0, 0, editor->getWidth(), editor->getHeight()};
    return kResultOk;
}

// The panel has one size; whatever the host makes of its window, it stays.
tresult View::onSize(ViewRect* newSize) { return newSize ? kResultOk : kInvalidArgument; }

tresult View::checkSizeConstraint(ViewRect* rect) {
    if (!rect) return kInvalidArgument;
    *rect = ViewRect{rect->left, rect->top, rect->left + editor->getWidth(), rect->top + editor->getHeight()};
    return kResultTrue;
}

tresult View::setFrame(IPlugFrame* f) {
    frame = Ref<IPlugFrame>::share(f);
    return kResultOk;
}

void View::parameterChanged(std::int32_t index) { editor->setParameter(index, 0.0f); }

void View::setKnobMode(int mode) { editor->setKnobMode(mode); }

void View::onEvents() {
    if (!idle) return;
    auto keep = Ref<IPlugView>::share(this);  // the host may let go of the view from inside the editor
    editor->idle();
}

void View::onTimer() {
    if (!idle) return;
    auto keep = Ref<IPlugView>::share(this);
    controller.requestMeters();
    editor->idle();
}

}  // namespace tf::vst3plugin
