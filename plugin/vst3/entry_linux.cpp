// The module's entry points on Linux: ModuleEntry after dlopen, ModuleExit
// before dlclose, GetPluginFactory in between. Everything else is hidden.
#include <atomic>

#include "plugin/vst3/factory.h"

namespace {
// ModuleEntry may come more than once (hosts that open the module twice); each
// needs its ModuleExit.
std::atomic<int> entries{0};
}  // namespace

extern "C" {

__attribute__((visibility("default"))) bool ModuleEntry(void* /*libraryHandle*/) {
    entries.fetch_add(1, std::memory_order_relaxed);
    return true;
}

__attribute__((visibility("default"))) bool ModuleExit() {
    int n = entries.load(std::memory_order_relaxed);
    while (n > 0 && !entries.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) {
    }
    return n > 0;
}

__attribute__((visibility("default"))) vst3::IPluginFactory* GetPluginFactory() {
    return tf::vst3plugin::pluginFactory();
}

}  // extern "C"
