// The module's entry record, its plug-in factory and the descriptor: all a
// host reads before it creates an instance.
#include <cstring>

#include "host/version.h"
#include "plugin/clap/descriptor.h"
#include "plugin/clap/plugin.h"
#include "vocoder/talkforge.h"

// The only exported symbol, a data record with C linkage.
extern "C" {
#if defined(_WIN32)
extern const tfclap::clap_plugin_entry clap_entry;
#else
extern __attribute__((visibility("default"))) const tfclap::clap_plugin_entry clap_entry;
#endif
}

namespace tfclap {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "mono", nullptr};

}  // namespace

const clap_plugin_descriptor kDescriptor = {
    kVersion,
    kPluginId,
    kTalkforgeName,
    kTalkforgeVendor,
    "",  // url
    "",  // manual_url
    "",  // support_url
    kTalkforgeVersion,
    "Vocoder: the voice on the main input shapes the side-chain carrier or the built-in synthesizer",
    kFeatures,
};

namespace {

// Nothing to set up or tear down: instances own everything they use, so
// repeated or nested init and deinit calls are harmless.
bool moduleInit(const char*) { return true; }
void moduleDeinit() {}

std::uint32_t pluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* pluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// Any thread; must not call the host.
const clap_plugin* createPlugin(const clap_plugin_factory*, const clap_host* host, const char* pluginId) {
    if (!host || !pluginId || !versionIsCompatible(host->version) || std::strcmp(pluginId, kPluginId) != 0)
        return nullptr;
    return newPlugin(host);
}

const clap_plugin_factory kFactory = {pluginCount, pluginDescriptor, createPlugin};

const void* factory(const char* id) {
    return id && std::strcmp(id, kPluginFactoryId) == 0 ? &kFactory : nullptr;
}

}  // namespace
}  // namespace tfclap

const tfclap::clap_plugin_entry clap_entry = {tfclap::kVersion, tfclap::moduleInit, tfclap::moduleDeinit,
                                              tfclap::factory};
