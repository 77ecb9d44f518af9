// What the VST 2 module is given for a value a CLAP host sends: a continuous
// value as it is; for position k of a stepped parameter, the first float from
// k / steps up that the engine reads as k (it truncates; note names round).
#pragma once

#include <cmath>

#include "vocoder/talkforge.h"

inline float vst2ValueOf(const ParameterInfo& p, double clapValue) {
    if (p.steps == 0) return static_cast<float>(clapValue);
    const int k = static_cast<int>(std::lround(clapValue));
    const float roundUp = p.display == ParamDisplay::kNote ? 0.5f : 0.0f;
    float v = stepValue(p, k);
    while (static_cast<int>(static_cast<float>(p.steps) * v + roundUp) < k) v = std::nextafter(v, 2.0f);
    return v;
}
