// The VST 3 binary interface on Linux: the host's run loop, which drives a
// plug-in's view on the host's user-interface thread (file-descriptor
// handlers and timers), and the handlers the plug-in gives it.
#pragma once

#include "plugin/vst3/abi/base.h"

namespace vst3::Linux {

using FileDescriptor = int;

class IEventHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    virtual void onFDIsSet(FileDescriptor fd) = 0;  // 3
};

class ITimerHandler : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    virtual void onTimer() = 0;  // 3
};

class IRunLoop : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    virtual tresult registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;  // 3
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;                   // 4
    virtual tresult registerTimer(ITimerHandler* handler, uint64 milliseconds) = 0;       // 5
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;                          // 6
};

}  // namespace vst3::Linux
