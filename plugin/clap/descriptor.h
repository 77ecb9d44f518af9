// What hosts list before they create an instance: the plug-in's permanent
// id, its names and its features.
#pragma once

#include "plugin/clap/abi.h"

namespace tfclap {

// Keys hosts' projects and presets: never change it.
inline constexpr const char* kPluginId = "com.harrowgate-sounds.talkforge";

extern const clap_plugin_descriptor kDescriptor;

}  // namespace tfclap
