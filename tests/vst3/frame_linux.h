// The host's side of a view on Linux: the frame a view lives in, which is
// also the host's run loop (Linux::IRunLoop). The test drives the loop the
// way a host's user-interface thread does: it waits in poll() on the file
// descriptors handlers were registered for, up to the next timer, and calls
// the handlers on this thread.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/abi/linux/runloop.h"
#include "plugin/vst3/object.h"

namespace vst3test {

using namespace vst3;

class HostFrame final : public Object<HostFrame, IPlugFrame, Linux::IRunLoop> {
public:
    tresult queryInterface(const char* id, void** obj) override;
    tresult resizeView(IPlugView* view, ViewRect* newSize) override;

    tresult registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override;
    tresult unregisterEventHandler(Linux::IEventHandler* handler) override;
    tresult registerTimer(Linux::ITimerHandler* handler, uint64 milliseconds) override;
    tresult unregisterTimer(Linux::ITimerHandler* handler) override;

    // Runs the loop until `done` holds (checked after each dispatch) or
    // `limit` passes; returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(3));
    // Dispatches whatever is due now, without waiting.
    void runOnce();

    std::size_t eventHandlers() const { return handlers.size(); }
    std::size_t timerHandlers() const { return timers.size(); }
    int resizeRequests = 0;
    int timerCalls = 0;
    int eventCalls = 0;

private:
    using Clock = std::chrono::steady_clock;
    struct Handler {
        Ref<Linux::IEventHandler> handler;
        int fd;
    };
    struct Timer {
        Ref<Linux::ITimerHandler> handler;
        std::chrono::milliseconds period;
        Clock::time_point due;
    };
    // Waits at most `wait` for input or the next timer and runs what is due.
    void dispatch(std::chrono::milliseconds wait);

    std::vector<Handler> handlers;
    std::vector<Timer> timers;
};

}  // namespace vst3test
