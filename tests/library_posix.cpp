// Loads the plug-in as a Linux host does: dlopen with every symbol bound at once.
#include <dlfcn.h>

#include "tests/testhost.h"

void* openLibrary(const char* path, std::string& error) {
    void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!h) error = dlerror();
    return h;
}

void* librarySymbol(void* library, const char* name) { return dlsym(library, name); }
