// Shared constants of the signal path and the conversions of parameter values
// into table indices and switch states.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

#include "base/convert.h"
#include "vocoder/parameters.h"

// Added to the conditioned inputs, the synthesizer output and several levels;
// keeps the recursive filters clear of denormal numbers.
inline constexpr float kDenormalOffset = 0x1p-24f;

// trunc(v) != 0 without converting: a switch is on from 1.0 (or at -1.0 and below).
constexpr bool switchOn(float v) { return v >= 1.0f || v <= -1.0f; }

// A plain factor read from a parameter ("O1 level".."O6 level", "Synth vol"):
// the value clamped into 0..1, NaN counting as 0, so that no host value can
// drive the output beyond what the parameter's range gives.
constexpr float factorOf(float v) { return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f; }

// The sample itself, or 0 for NaN and infinities.
inline float finiteOr0(float x) { return std::isfinite(x) ? x : 0.0f; }

// 1 for NaN and infinities, else 0.
inline int notFinite(float v) { return !(std::fabs(v) <= std::numeric_limits<float>::max()); }

// Every value is finite. Written as a reduction of flags so that it vectorises.
template <std::size_t N>
bool allFinite(const float (&values)[N]) {
    int bad = 0;
    for (float v : values) bad |= notFinite(v);
    return bad == 0;
}

// Trigger key of a FreezeKey/FlatKey value: trunc(6 v + 0.5). 1.0 decodes to
// kNumTriggerKeys, which names no key.
static_assert(kParameters[kFreezeKey].steps == kNumTriggerKeys && kParameters[kFlatKey].steps == kNumTriggerKeys);
constexpr int triggerKeyOf(float v) {
    return truncClamped(static_cast<float>(kNumTriggerKeys) * v + 0.5f, 0, kNumTriggerKeys);
}
