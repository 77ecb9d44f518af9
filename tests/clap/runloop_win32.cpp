// The test host's main loop on Windows: the thread's window messages, which
// drive the editor's child window and its timers.
#include <windows.h>

#include "tests/clap/clap_host.h"

namespace claphost {

void ClapHost::waitAndDispatch(int waitMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(waitMs), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace claphost
