// Where the engine keeps parameter values: the storage-slot order of the
// parameter values and of each program.
#pragma once

#include <cstddef>

#include "vocoder/talkforge.h"

// paramValues and each program hold the named parameters grouped by function;
// paramSlot(index) is where parameter `index` lives. Bands keep their index.
constexpr int paramSlot(int index) { return kParameters[static_cast<std::size_t>(index)].slot; }
