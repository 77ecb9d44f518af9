// Talkforge's parameters as VST 3 shows them: the 76 with their VST 2 indices
// as ids, the bypass, and the hidden parameters the host's MIDI controllers
// are mapped to. Processor and controller both read this table.
#pragma once

#include <cstdint>

#include "plugin/vst3/abi/controller.h"
#include "vocoder/talkforge.h"

namespace tf::vst3plugin {

// Ids beyond the 76, far enough above them to leave room for more.
inline constexpr vst3::ParamID kBypassId = 1000;
inline constexpr vst3::ParamID kPitchBendId = 1001;
inline constexpr vst3::ParamID kModWheelId = 1002;
inline constexpr vst3::ParamID kSustainId = 1003;
inline constexpr vst3::ParamID kAllNotesOffId = 1004;

// A parameter standing for MIDI controllers: the host sends them as its
// changes, at their sample offsets, and the processor turns each point back
// into the MIDI message the engine takes.
struct MidiParameter {
    vst3::ParamID id;
    const char* title;
    vst3::ParamValue defaultValue;
};
inline constexpr MidiParameter kMidiParameters[] = {
    {kPitchBendId, "Pitch Bend", 8192.0 / 16383.0},
    {kModWheelId, "Mod Wheel", 0.0},
    {kSustainId, "Sustain", 0.0},
    // Controllers 123 (all notes off, which hosts send on stop) and 126 (the
    // VST 2 module's all-voices-off): each point releases every voice.
    {kAllNotesOffId, "All Notes Off", 0.0},
};
inline constexpr int kNumMidiParameters = static_cast<int>(std::size(kMidiParameters));

// The parameter list: the 76 in index order, the bypass, the MIDI ones.
inline constexpr int kNumVst3Parameters = kNumParams + 1 + kNumMidiParameters;

// The id of list entry `listIndex` (0 .. kNumVst3Parameters - 1), and the
// list entry of an id (-1 for an unknown one).
vst3::ParamID parameterIdAt(int listIndex);
int listIndexOf(vst3::ParamID id);

// The parameter a host's MIDI controller `number` drives, or kNoParamId.
vst3::ParamID midiControllerParameter(vst3::CtrlNumber number);

// The MIDI message (status on channel 1, two data bytes) of a point of a
// MIDI parameter; false for any other id.
bool midiOfPoint(vst3::ParamID id, vst3::ParamValue value, std::uint8_t& status, std::uint8_t& data1,
                 std::uint8_t& data2);

// A host's value clamped into 0..1, NaN counting as 0.
constexpr vst3::ParamValue clampedNormalized(vst3::ParamValue v) { return v >= 0.0 ? (v <= 1.0 ? v : 1.0) : 0.0; }

// The engine's value for a normalized value of parameter `index` (0..75),
// clamped into 0..1. A stepped parameter at one of its positions k / steps,
// as hosts send them, gets the float nearest to it that the engine reads as
// position k again (the float nearest to 53 / 100 reads as 52 otherwise).
float engineValue(int index, vst3::ParamValue normalized);

// The position a value shows for a stepped parameter (before the display's
// offset): what the engine reads from it.
int stepPosition(const ::ParameterInfo& p, float value);

// The ParameterInfo of list entry `listIndex`; false for an index outside the list.
bool describeParameter(int listIndex, vst3::ParameterInfo& info);

// A parameter's display text of a normalized value, without blanks around
// it (at most kParamTextSize bytes with the NUL); false for an unknown id.
bool parameterText(vst3::ParamID id, vst3::ParamValue normalized, char* text);
// The normalized value a text stands for; false when it means nothing.
bool parameterValueOfText(vst3::ParamID id, const char* text, vst3::ParamValue& normalized);

}  // namespace tf::vst3plugin
