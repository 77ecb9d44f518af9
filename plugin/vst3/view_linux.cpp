// The view on Linux: an X11 window embedded in the host's, driven by the
// host's run loop (Linux::IRunLoop), which the frame or the host context
// offers: a handler on the editor's X connection and a timer.
#include "plugin/vst3/abi/linux/runloop.h"
#include "plugin/vst3/view.h"

namespace tf::vst3plugin {

using namespace vst3;

const char* const kViewPlatformType = kPlatformTypeX11EmbedWindowID;

namespace {
// Often enough for the meters to move smoothly.
constexpr uint64 kTimerMilliseconds = 25;
}  // namespace

// The handlers the run loop calls; they live until both are unregistered.
struct ViewIdle final : public Object<ViewIdle, Linux::IEventHandler, Linux::ITimerHandler> {
    explicit ViewIdle(View& v) : view(&v) {}

    tresult queryInterface(const char* id, void** obj) override {
        if (!obj) return kInvalidArgument;
        if (answer<Linux::IEventHandler>(id, obj) || answer<Linux::ITimerHandler>(id, obj) ||
            answer<FUnknown, Linux::IEventHandler>(id, obj))
            return kResultOk;
        return noInterface(obj);
    }

    // Both come on the host's UI thread. The run loop may call a handler once
    // more after it was unregistered (a host's dispatch already under way).
    void onFDIsSet(Linux::FileDescriptor) override {
        auto keep = Ref<Linux::IEventHandler>::share(this);
        if (view) view->onEvents();
    }
    void onTimer() override {
        auto keep = Ref<Linux::IEventHandler>::share(this);
        if (view) view->onTimer();
    }

    View* view;
    Ref<Linux::IRunLoop> runLoop;
    bool eventsRegistered = false;
    bool timerRegistered = false;
};

ViewIdle* startViewIdle(View& view, IPlugFrame* frame, FUnknown* hostContext, int fd) {
    auto runLoop = Ref<Linux::IRunLoop>::query(frame);
    if (!runLoop) runLoop = Ref<Linux::IRunLoop>::query(hostContext);
    if (!runLoop) return nullptr;
    auto* idle = new ViewIdle(view);
    idle->runLoop = std::move(runLoop);
    if (fd >= 0)
        idle->eventsRegistered =
            idle->runLoop->registerEventHandler(static_cast<Linux::IEventHandler*>(idle), fd) == kResultOk;
    idle->timerRegistered =
        idle->runLoop->registerTimer(static_cast<Linux::ITimerHandler*>(idle), kTimerMilliseconds) == kResultOk;
    if (!idle->timerRegistered) {
        stopViewIdle(idle);
        return nullptr;
    }
    return idle;
}

void stopViewIdle(ViewIdle* idle) {
    if (!idle) return;
    idle->view = nullptr;
    if (idle->eventsRegistered) idle->runLoop->unregisterEventHandler(static_cast<Linux::IEventHandler*>(idle));
    if (idle->timerRegistered) idle->runLoop->unregisterTimer(static_cast<Linux::ITimerHandler*>(idle));
    idle->runLoop.reset();
    idle->release();
}

}  // namespace tf::vst3plugin
