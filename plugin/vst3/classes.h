// The classes the factory creates, each with one reference for the caller;
// null when an instance cannot be made.
#pragma once

#include "plugin/vst3/abi/base.h"

namespace tf::vst3plugin {

vst3::FUnknown* createProcessor();   // UI thread
vst3::FUnknown* createController();  // UI thread

}  // namespace tf::vst3plugin
