#include "tests/vst3/frame_linux.h"

#include <poll.h>

#include <algorithm>

namespace vst3test {

tresult HostFrame::queryInterface(const char* id, void** obj) {
    if (answer<IPlugFrame>(id, obj) || answer<Linux::IRunLoop>(id, obj) || answer<FUnknown, IPlugFrame>(id, obj))
        return kResultOk;
    return noInterface(obj);
}

tresult HostFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    ++resizeRequests;
    return view && newSize ? view->onSize(newSize) : kInvalidArgument;
}

tresult HostFrame::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) {
    if (!handler || fd < 0) return kInvalidArgument;
    handlers.push_back({Ref<Linux::IEventHandler>::share(handler), fd});
    return kResultOk;
}

tresult HostFrame::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto n = std::erase_if(handlers, [&](const Handler& h) { return h.handler.get() == handler; });
    return n ? kResultOk : kInvalidArgument;
}

tresult HostFrame::registerTimer(Linux::ITimerHandler* handler, uint64 milliseconds) {
    if (!handler || milliseconds == 0) return kInvalidArgument;
    const std::chrono::milliseconds period(milliseconds);
    timers.push_back({Ref<Linux::ITimerHandler>::share(handler), period, Clock::now() + period});
    return kResultOk;
}

tresult HostFrame::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto n = std::erase_if(timers, [&](const Timer& t) { return t.handler.get() == handler; });
    return n ? kResultOk : kInvalidArgument;
}

void HostFrame::dispatch(std::chrono::milliseconds wait) {
    const Clock::time_point now = Clock::now();
    for (const Timer& t : timers)
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now));
    std::vector<pollfd> fds;
    for (const Handler& h : handlers) fds.push_back({h.fd, POLLIN, 0});
    poll(fds.data(), fds.size(), static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count())));

    // Handlers may unregister themselves or others while called: each call
    // goes to what is registered at that moment.
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        auto it = std::find_if(handlers.begin(), handlers.end(), [&](const Handler& h) { return h.fd == p.fd; });
        if (it == handlers.end()) continue;
        auto keep = Ref<Linux::IEventHandler>::share(it->handler.get());
        ++eventCalls;
        keep->onFDIsSet(p.fd);
    }
    std::vector<Linux::ITimerHandler*> due;
    for (Timer& t : timers) {
        if (t.due > Clock::now()) continue;
        t.due += t.period;
        due.push_back(t.handler.get());
    }
    for (Linux::ITimerHandler* h : due) {
        if (std::none_of(timers.begin(), timers.end(), [&](const Timer& t) { return t.handler.get() == h; })) continue;
        auto keep = Ref<Linux::ITimerHandler>::share(h);
        ++timerCalls;
        keep->onTimer();
    }
}

bool HostFrame::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return done();
        dispatch(left);
    }
    return true;
}

void HostFrame::runOnce() { dispatch(std::chrono::milliseconds(0)); }

}  // namespace vst3test
