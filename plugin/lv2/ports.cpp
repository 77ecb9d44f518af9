#include "plugin/lv2/ports.h"

#include <cmath>

#include "base/convert.h"
#include "vocoder/filterbank.h"
#include "vocoder/steps.h"

namespace tf::lv2 {

namespace {

const ParameterInfo& info(std::int32_t index) { return kParameters[static_cast<std::size_t>(index)]; }

bool isTriggerKey(std::int32_t index) { return index == kFreezeKey || index == kFlatKey; }

// What a step number is shown as: the display's number, or the position.
int shownOffset(const ParameterInfo& p) { return p.display == ParamDisplay::kNumber ? p.offset : 0; }

}  // namespace

PortRange portRange(std::int32_t index) {
    const ParameterInfo& p = info(index);
    if (p.steps == 0) return {0.0f, 1.0f, p.defaultValue, false};
    // The trigger keys' last position names no key, as "None" does.
    const int last = isTriggerKey(index) ? kNumTriggerKeys - 1 : p.steps;
    const int offset = shownOffset(p);
    return {float(-offset), float(last - offset), portValueOf(index, p.defaultValue), true};
}

float portValueOf(std::int32_t index, float value) {
    const ParameterInfo& p = info(index);
    if (p.steps == 0) return value;
    int step = 0;
    if (index == kFreeze) {
        step = frozenBy(value) ? 1 : 0;  // on at any value but 0
    } else if (isTriggerKey(index)) {
        step = triggerKeyOf(value);
        if (step == kNumTriggerKeys) step = kKeyNone;
    } else {
        // Key pitches take the nearest step, everything else truncates.
        const float round = p.display == ParamDisplay::kNote ? 0.5f : 0.0f;
        step = truncClamped(float(p.steps) * value + round, 0, p.steps);
    }
    return float(step - shownOffset(p));
}

float parameterValueOf(std::int32_t index, float portValue) {
    const ParameterInfo& p = info(index);
    if (p.steps == 0) return portValue;
    const PortRange range = portRange(index);
    float x = portValue;
    if (!(x >= range.minimum)) x = range.minimum;
    if (x > range.maximum) x = range.maximum;
    const float shown = std::round(x);
    float value = stepValue(p, int(shown) + shownOffset(p));
    // A step's value can land a hair below the step where the signal path
    // truncates (29 x 0.01 gives 28.999998): the next float up is the step.
    while (portValueOf(index, value) < shown) value = std::nextafter(value, 2.0f);
    return value;
}

}  // namespace tf::lv2
