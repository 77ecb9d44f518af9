// Loads a bundle as Linux hosts do: Contents/<machine>-linux/<name>.so,
// dlopen, ModuleEntry with the library's handle, and ModuleExit before dlclose.
#include <dlfcn.h>

#include "tests/vst3/host.h"

namespace vst3test {

std::string bundleLibrary(const std::string& bundle) {
    std::string name = bundle.substr(bundle.find_last_of('/') + 1);
    name = name.substr(0, name.rfind(".vst3"));
    return bundle + "/Contents/x86_64-linux/" + name + ".so";
}

void* loadLibrary(const std::string& path, std::string& error) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) error = dlerror();
    return h;
}

void* findSymbol(void* library, const char* name) { return dlsym(library, name); }

void unloadLibrary(void* library) { dlclose(library); }

bool enterModule(void* library) {
    auto entry = reinterpret_cast<ModuleEntryProc>(findSymbol(library, kModuleEntryName));
    return entry && entry(library);
}

bool exitModule(void* library) {
    auto exit = reinterpret_cast<ModuleExitProc>(findSymbol(library, kModuleExitName));
    return exit && exit();
}

}  // namespace vst3test
