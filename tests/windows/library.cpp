// Loads the plug-in as a Windows host does: LoadLibrary, GetProcAddress.
#include <windows.h>

#include "tests/testhost.h"

void* openLibrary(const char* path, std::string& error) {
    HMODULE h = LoadLibraryA(path);
    if (!h) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
}

void* librarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
