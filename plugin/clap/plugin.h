// Talkforge as a CLAP plug-in instance over the vocoder engine.
#pragma once

#include "plugin/clap/abi.h"

namespace tfclap {

// A new instance for `host` (kept, not called), or null when it cannot be
// made. Any thread.
const clap_plugin* newPlugin(const clap_host* host);

}  // namespace tfclap
