// The view on Windows: a child window of the host's HWND, whose messages the
// host's message loop delivers; a thread timer of that loop idles the editor.
#include <windows.h>

#include <map>

#include "plugin/vst3/view.h"

namespace tf::vst3plugin {

using namespace vst3;

const char* const kViewPlatformType = kPlatformTypeHWND;

namespace {

constexpr UINT kTimerMilliseconds = 25;

// The running timers by id; only the UI thread reads and writes them.
std::map<UINT_PTR, View*>& timers() {
    static std::map<UINT_PTR, View*> map;
    return map;
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = timers().find(id);
    if (it != timers().end()) it->second->onTimer();
}

}  // namespace

struct ViewIdle {
    UINT_PTR timer = 0;
};

ViewIdle* startViewIdle(View& view, IPlugFrame*, FUnknown*, int) {
    const UINT_PTR timer = SetTimer(nullptr, 0, kTimerMilliseconds, onTimer);
    if (!timer) return nullptr;
    timers()[timer] = &view;
    return new ViewIdle{timer};
}

void stopViewIdle(ViewIdle* idle) {
    if (!idle) return;
    KillTimer(nullptr, idle->timer);
    timers().erase(idle->timer);
    delete idle;
}

}  // namespace tf::vst3plugin
