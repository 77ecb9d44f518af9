#include "gui/platform/win32/module.h"

namespace {
// Written once, when the DLL is loaded; read from then on.
HINSTANCE loadedModule = nullptr;
}  // namespace

// The DLL's load notification: keeps the module handle and agrees to every
// notification (attach and detach alike).
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) loadedModule = instance;
    return TRUE;
}

namespace tf::platform::win32 {

HINSTANCE moduleHandle() {
    if (loadedModule) return loadedModule;
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&loadedModule), &self);
    return self;
}

}  // namespace tf::platform::win32
