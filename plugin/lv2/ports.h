// Talkforge as an LV2 plug-in: its URIs, its ports and how a port's value
// stands for a parameter value. The DSP module, the UI module and the
// generator of the bundle's descriptions all read this one description.
//
// The URIs and the port symbols are permanent: hosts save sessions and
// presets by them.
#pragma once

#include <cstdint>

#include "vocoder/talkforge.h"

namespace tf::lv2 {

#define TF_LV2_URI "https://harrowgate-sounds.com/plugins/talkforge"
inline constexpr const char* kPluginUri = TF_LV2_URI;
inline constexpr const char* kUiUri = TF_LV2_URI "#ui";
// Messages between the DSP and the UI, on the MIDI input and the notify output.
inline constexpr const char* kMeterRequestUri = TF_LV2_URI "#MeterRequest";  // UI -> DSP: show me meters
inline constexpr const char* kMetersUri = TF_LV2_URI "#Meters";              // DSP -> UI: the meters' values
inline constexpr const char* kMeterValuesUri = TF_LV2_URI "#meterValues";    // a vector of kNumMeterValues floats
inline constexpr const char* kParameterChangeUri = TF_LV2_URI "#ParameterChange";  // DSP -> UI: the engine set one
inline constexpr const char* kParameterIndexUri = TF_LV2_URI "#parameterIndex";
inline constexpr const char* kParameterValueUri = TF_LV2_URI "#parameterValue";  // the engine's value
// Presets: <kPresetUriBase><symbol of the preset's name>.
inline constexpr const char* kPresetUriBase = TF_LV2_URI "/presets#";
#undef TF_LV2_URI

// The module files inside the bundle.
inline constexpr const char* kDspBinary = "talkforge.so";
inline constexpr const char* kUiBinary = "talkforge_ui.so";

// Port indices: the 76 parameters at their parameter index, then the rest.
enum Port : std::uint32_t {
    kVoicePort = kNumParams,  // audio in: the modulator
    kCarrierPort,             // audio in: the external carrier, a side-chain input
    kOutput1Port,             // audio out, both outputs the same signal
    kOutput2Port,
    kMidiPort,      // atom sequence in: MIDI, and the UI's meter requests
    kNotifyPort,    // atom sequence out: meters and the engine's own parameter changes, for the UI
    kLatencyPort,   // control out: the delay of the vocoded signal in frames
    kEnabledPort,   // control in: 0 bypasses
    kNumPorts
};

struct FixedPort {
    Port index;
    const char* symbol;
    const char* name;
};
inline constexpr FixedPort kFixedPorts[] = {
    {kVoicePort, "voice", "Voice"},
    {kCarrierPort, "carrier", "Carrier"},
    {kOutput1Port, "output_1", "Output 1"},
    {kOutput2Port, "output_2", "Output 2"},
    {kMidiPort, "midi_in", "MIDI In"},
    {kNotifyPort, "notify", "Notify"},
    {kLatencyPort, "latency", "Latency"},
    {kEnabledPort, "enabled", "Enabled"},
};
static_assert(sizeof kFixedPorts / sizeof kFixedPorts[0] == kNumPorts - kNumParams);

// The meters as the notify port carries them: the modulator, carrier and
// output levels, then the 50 band meters, each a meter value as publishMeters
// computes it (the highest since the last message).
inline constexpr int kNumMeterValues = 3 + kNumBands;
// The DSP sends meters while a UI asked for them within this time; a UI asks
// several times within it.
inline constexpr double kMeterRequestSeconds = 2.0;
inline constexpr double kMeterRequestEverySeconds = 0.5;
// The DSP sends meters at most this often.
inline constexpr double kMeterMessageSeconds = 0.02;
// The notify port needs room for a few messages per block.
inline constexpr int kNotifyMinimumBytes = 4096;

// A parameter's control port. Continuous parameters carry the parameter's own
// value (0 to 1). Stepped ones carry the number of their step as the editor
// and the display show it: Formant -10 to 10, Tune -50 to 50, Octave -1 to 1,
// the oscillator keys 0 to 25, Waveform 0 to 3, the trigger keys 0 to 5
// (None, Shift, Alt, Ctrl, Tab, MIDI64), the switches 0 and 1.
struct PortRange {
    float minimum;
    float maximum;
    float defaultValue;
    bool stepped;
};
PortRange portRange(std::int32_t index);

// The port value that shows a parameter value: for a stepped parameter, the
// step the signal path takes from the value.
float portValueOf(std::int32_t index, float value);
// The parameter value a port value stands for: for a stepped parameter, the
// nearest step's value, which the signal path reads as that step. NaN counts
// as the lowest step.
float parameterValueOf(std::int32_t index, float portValue);

}  // namespace tf::lv2
