#include "plugin/vst3/parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/convert.h"
#include "plugin/vst3/text16.h"
#include "vocoder/paramtext.h"

namespace tf::vst3plugin {

using namespace vst3;

namespace {

constexpr int kBypassListIndex = kNumParams;
constexpr int kFirstMidiListIndex = kNumParams + 1;
constexpr double kPitchBendRange = 16383.0;
constexpr double kControllerRange = 127.0;
constexpr std::uint8_t kControllerStatus = 0xB0;
constexpr std::uint8_t kPitchBendStatus = 0xE0;
constexpr std::uint8_t kCtrlModWheel = 1;
constexpr std::uint8_t kCtrlSustain = 64;
constexpr std::uint8_t kCtrlAllVoicesOff = 126;  // what the engine releases every voice on
// A normalized value this close to a position (in steps) is that position.
constexpr double kPositionTolerance = 1e-6;

std::uint8_t scaled(ParamValue v, double range) {
    return static_cast<std::uint8_t>(std::lround(clampedNormalized(v) * range));
}

bool truncates(const ::ParameterInfo& p) {
    return p.steps > 0 && (p.display == ParamDisplay::kNumber || p.display == ParamDisplay::kChoice);
}

}  // namespace

ParamID parameterIdAt(int listIndex) {
    if (listIndex >= 0 && listIndex < kNumParams) return static_cast<ParamID>(listIndex);
    if (listIndex == kBypassListIndex) return kBypassId;
    if (listIndex >= kFirstMidiListIndex && listIndex < kNumVst3Parameters)
        return kMidiParameters[listIndex - kFirstMidiListIndex].id;
    return kNoParamId;
}

int listIndexOf(ParamID id) {
    if (id < static_cast<ParamID>(kNumParams)) return static_cast<int>(id);
    if (id == kBypassId) return kBypassListIndex;
    for (int k = 0; k < kNumMidiParameters; ++k)
        if (kMidiParameters[k].id == id) return kFirstMidiListIndex + k;
    return -1;
}

ParamID midiControllerParameter(CtrlNumber number) {
    switch (number) {
    case kPitchBend:
        return kPitchBendId;
    case kCtrlModWheel:
        return kModWheelId;
    case kCtrlSustainOnOff:
        return kSustainId;
    case kCtrlAllNotesOff:
    case kCtrlAllVoicesOff:
        return kAllNotesOffId;
    default:
        return kNoParamId;
    }
}

bool midiOfPoint(ParamID id, ParamValue value, std::uint8_t& status, std::uint8_t& data1, std::uint8_t& data2) {
    switch (id) {
    case kPitchBendId: {
        const int bend = static_cast<int>(std::lround(clampedNormalized(value) * kPitchBendRange));
        status = kPitchBendStatus;
        data1 = static_cast<std::uint8_t>(bend & 0x7F);
        data2 = static_cast<std::uint8_t>(bend >> 7);
        return true;
    }
    case kModWheelId:
        status = kControllerStatus, data1 = kCtrlModWheel, data2 = scaled(value, kControllerRange);
        return true;
    case kSustainId:
        status = kControllerStatus, data1 = kCtrlSustain, data2 = scaled(value, kControllerRange);
        return true;
    case kAllNotesOffId:
        status = kControllerStatus, data1 = kCtrlAllVoicesOff, data2 = 0;
        return true;
    default:
        return false;
    }
}

int stepPosition(const ::ParameterInfo& p, float value) {
    const float count = static_cast<float>(p.steps);
    return truncates(p) ? truncClamped(count * value, 0, p.steps) : truncClamped(count * value + 0.5f, 0, p.steps);
}

float engineValue(int index, ParamValue normalized) {
    const double v = clampedNormalized(normalized);
    float value = static_cast<float>(v);
    if (!isParamIndex(index)) return value;
    const ::ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    if (!truncates(p)) return value;
    const double position = std::round(v * p.steps);
    if (std::fabs(v * p.steps - position) > kPositionTolerance) return value;  // between positions
    while (stepPosition(p, value) < position) value = std::nextafter(value, 2.0f);
    return value;
}

bool describeParameter(int listIndex, vst3::ParameterInfo& info) {
    const ParamID id = parameterIdAt(listIndex);
    if (id == kNoParamId) return false;
    info = vst3::ParameterInfo{};
    info.id = id;
    info.unitId = kRootUnitId;
    if (isParamIndex(static_cast<std::int32_t>(id))) {
        const ::ParameterInfo& p = kParameters[id];
        copyText16(info.title, p.name);
        copyText16(info.shortTitle, p.name);
        const std::string_view label = p.label;
        copyText16(info.units, label == " " ? "" : label);  // " " is the VST 2 form of no unit
        info.stepCount = p.steps;
        info.defaultNormalizedValue = p.defaultValue;
        info.flags = vst3::ParameterInfo::kCanAutomate;
        if (p.display == ParamDisplay::kChoice) info.flags |= vst3::ParameterInfo::kIsList;
        return true;
    }
    if (id == kBypassId) {
        copyText16(info.title, "Bypass");
        copyText16(info.shortTitle, "Bypass");
        info.stepCount = 1;
        info.flags = vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass;
        return true;
    }
    const MidiParameter& m = kMidiParameters[listIndex - kFirstMidiListIndex];
    copyText16(info.title, m.title);
    copyText16(info.shortTitle, m.title);
    info.defaultNormalizedValue = m.defaultValue;
    // Driven by the host's MIDI only: not automated, not listed.
    info.flags = vst3::ParameterInfo::kIsHidden;
    return true;
}

bool parameterText(ParamID id, ParamValue normalized, char* text) {
    const auto index = static_cast<std::int32_t>(id);
    if (isParamIndex(index)) {
        // The effect's text without the blanks that align it in VST 2 hosts' columns.
        char padded[kParamTextSize] = {};
        parameterDisplay(index, engineValue(index, normalized), padded);
        std::string_view shown = padded;
        shown.remove_prefix(std::min(shown.find_first_not_of(' '), shown.size()));
        shown = shown.substr(0, shown.find_last_not_of(' ') + 1);
        const std::size_t n = std::min(shown.size(), kParamTextSize - 1);
        std::memcpy(text, shown.data(), n);
        text[n] = '\0';
        return true;
    }
    if (id == kBypassId) {
        copyText(text, clampedNormalized(normalized) >= 0.5 ? "On" : "Off", kParamTextSize);
        return true;
    }
    std::uint8_t status = 0, data1 = 0, data2 = 0;
    if (!midiOfPoint(id, normalized, status, data1, data2)) return false;
    const int number = status == kPitchBendStatus ? (data2 << 7 | data1) - 8192 : data2;
    std::snprintf(text, kParamTextSize, "%d", number);
    return true;
}

bool parameterValueOfText(ParamID id, const char* text, ParamValue& normalized) {
    const auto index = static_cast<std::int32_t>(id);
    if (!text || !isParamIndex(index)) return false;
    float value = 0.0f;
    if (!parameterFromText(index, text, value)) return false;
    const ::ParameterInfo& p = kParameters[id];
    // A stepped parameter's text names a position: its exact value k / steps.
    normalized = p.steps > 0 ? static_cast<double>(stepPosition(p, value)) / p.steps : static_cast<double>(value);
    return true;
}

}  // namespace tf::vst3plugin
