// The module's one factory: Talkforge's processor and controller classes.
#pragma once

#include "plugin/vst3/abi/factory.h"

namespace tf::vst3plugin {

// The factory with one reference for the caller (GetPluginFactory).
vst3::IPluginFactory* pluginFactory();

// The host context the factory was given (setHostContext), borrowed; null
// when the host gave none.
vst3::FUnknown* factoryHostContext();

}  // namespace tf::vst3plugin
