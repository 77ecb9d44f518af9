// The preset library: sixteen sounds to start from. Each is written once, in
// presets.cpp, as a value for every parameter symbol, and resolved through the
// parameter table into the 76 values by index that hosts load.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "vocoder/talkforge.h"

namespace tf::presets {

inline constexpr int kNumPresets = 16;
// A program name holds this many characters and its terminator.
inline constexpr std::size_t kNameChars = 23;

// A preset as the source writes it.
struct PresetValue {
    std::string_view symbol;
    float value;
};

struct PresetSource {
    std::string_view name;
    std::string_view description;  // one line: what the sound is for
    std::array<PresetValue, kNumParams> values;
};

// A preset as hosts load it.
struct Preset {
    std::string_view name;
    std::string_view description;
    std::array<float, kNumParams> values;  // by parameter index
};

// The library as written, in bank order.
std::span<const PresetSource> presetSources();

// Resolves a source's symbols through the parameter table. Throws
// std::invalid_argument naming the preset and what is wrong: an unknown or
// repeated symbol, a parameter left out, a value outside 0 to 1 or between the
// steps of a stepped parameter, a name that is empty or too long.
Preset resolvePreset(const PresetSource& source);

// The library, resolved once, in bank order.
std::span<const Preset> presets();

// The preset with this name in any case, or null.
const Preset* findPreset(std::string_view name);

}  // namespace tf::presets
