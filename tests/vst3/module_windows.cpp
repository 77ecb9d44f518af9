// Loads a bundle as Windows hosts do: Contents/x86_64-win/<name>.vst3 with
// LoadLibrary, and InitDll and ExitDll where the module has them.
#include <windows.h>

#include "tests/vst3/host.h"

namespace vst3test {

std::string bundleLibrary(const std::string& bundle) {
    std::string name = bundle.substr(bundle.find_last_of("/\\") + 1);
    return bundle + "\\Contents\\x86_64-win\\" + name;
}

void* loadLibrary(const std::string& path, std::string& error) {
    HMODULE h = LoadLibraryA(path.c_str());
    if (!h) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
}

void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

bool enterModule(void* library) {
    auto init = reinterpret_cast<InitDllProc>(findSymbol(library, kInitDllName));
    return !init || init();
}

bool exitModule(void* library) {
    auto exit = reinterpret_cast<ExitDllProc>(findSymbol(library, kExitDllName));
    return !exit || exit();
}

}  // namespace vst3test
