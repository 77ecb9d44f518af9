// What a host-like program must know about Talkforge: its identity, its
// channels, the largest block, the latency of the vocoded signal, the
// parameter table, the one place that says what each parameter is, and the
// saved-state text keyed by the parameters' symbols.
//
// Everything here is constant data or inline: programs that load the plug-in
// include this header and link nothing of the engine.
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr const char* kTalkforgeName = "Talkforge";
inline constexpr const char* kTalkforgeVendor = "Harrowgate Sounds";
// The plug-in's VST 2 unique ID, the four-character code '467v': hosts, preset
// files and the VST 3 class that replaces the VST 2 plug-in know it by this.
inline constexpr std::int32_t kTalkforgeUniqueId = 0x34363776;

// ---- Channels ----
// Input 1 is the voice (the modulator), input 2 the external carrier; both
// outputs carry the same mono signal.
inline constexpr int kVoiceInput = 0;
inline constexpr int kCarrierInput = 1;
inline constexpr int kNumInputs = 2;
inline constexpr int kNumOutputs = 2;

// ---- Blocks and latency ----
inline constexpr int kMaxBlockFrames = 65535;  // longer blocks are refused (silent output)
// Exactly this host rate runs the signal path at half rate. The engine takes
// its rate as a float, as VST 2 hosts pass it: 96000.001 is this rate too.
inline constexpr float kHalfRateHostRate = 96000.0f;
// The vocoded signal trails the inputs by this many processed frames: half the
// decimation kernel, the lookahead of the leveling and half the interpolation
// kernel. The dry synthesizer part of the output is not delayed.
inline constexpr int kLatencyProcessedFrames = 508;

// The delay of the vocoded signal in host frames at a host rate.
constexpr int latencyFrames(double hostRate) {
    return static_cast<float>(hostRate) == kHalfRateHostRate ? 2 * kLatencyProcessedFrames : kLatencyProcessedFrames;
}

// ---- Parameters ----
enum ParameterIndex : std::int32_t {
    kModLevel = 0,
    kCarLevel,
    kOutLevel,
    kFormant,
    kFreeze,
    kFlat,
    kTune,
    kWaveform,
    kO1Freq,
    kO1Level,
    kO2Offset,
    kO2Level,
    kO3Offset,
    kO3Level,
    kO4Offset,
    kO4Level,
    kO5Offset,
    kO5Level,
    kO6Offset,
    kO6Level,
    kSynthVol,
    kOctave,
    kFreezeKey,
    kFlatKey,
    kPlayback,
    kSource,
    kBand1,
};

inline constexpr int kNumParams = 76;
inline constexpr int kNumNamedParams = 26;
inline constexpr int kNumBands = 50;  // band levels, band sliders and band meters alike
inline constexpr int kNumPrograms = 16;
static_assert(kBand1 == kNumNamedParams && kBand1 + kNumBands == kNumParams);

constexpr bool isParamIndex(std::int32_t index) { return index >= 0 && index < kNumParams; }

// How a value is shown to the user.
enum class ParamDisplay : std::uint8_t {
    kDecibels,  // a gain: 20 log10(v) dB, "-oo" at 0
    kNumber,    // trunc(v x steps) - offset
    kNote,      // the note name of key trunc(v x steps + 0.5) above A-0
    kChoice,    // choices[trunc(v x steps)]
};

struct ParameterInfo {
    std::int32_t index;
    std::int8_t slot;     // where the value lives in the parameter storage and in a program
    const char* name;     // as hosts show it
    const char* label;    // its unit, or a blank
    std::int16_t steps;   // stepped parameters: the value of position p is p x (1 / steps); 0: continuous
    std::int16_t offset;  // what a kNumber display takes off
    ParamDisplay display;
    float defaultValue;   // the value of a new program
    const char* symbol;   // machine name, [a-z0-9_]: names ports and saved-state keys, never changes
    const char* const* choices = nullptr;  // kChoice: the names of positions 0..steps
};

// Waveform choices, as the display names them.
inline constexpr std::array<const char*, 4> kWaveformNames = {"Sawtooth", "Square", "Pulse 25", "Pulse 10"};
// Freeze and Flat trigger keys: position trunc(6 v + 0.5).
enum TriggerKey : int { kKeyNone = 0, kKeyShift, kKeyAlt, kKeyCtrl, kKeyTab, kKeyMidi64, kNumTriggerKeys };

namespace detail {
using P = ParameterInfo;
using D = ParamDisplay;
inline constexpr const char* kBandSymbols[kNumBands] = {
    "band_1",  "band_2",  "band_3",  "band_4",  "band_5",  "band_6",  "band_7",  "band_8",  "band_9",  "band_10",
    "band_11", "band_12", "band_13", "band_14", "band_15", "band_16", "band_17", "band_18", "band_19", "band_20",
    "band_21", "band_22", "band_23", "band_24", "band_25", "band_26", "band_27", "band_28", "band_29", "band_30",
    "band_31", "band_32", "band_33", "band_34", "band_35", "band_36", "band_37", "band_38", "band_39", "band_40",
    "band_41", "band_42", "band_43", "band_44", "band_45", "band_46", "band_47", "band_48", "band_49", "band_50",
};
inline constexpr const char* kBandNames[kNumBands] = {
    "Band 1",  "Band 2",  "Band 3",  "Band 4",  "Band 5",  "Band 6",  "Band 7",  "Band 8",  "Band 9",  "Band 10",
    "Band 11", "Band 12", "Band 13", "Band 14", "Band 15", "Band 16", "Band 17", "Band 18", "Band 19", "Band 20",
    "Band 21", "Band 22", "Band 23", "Band 24", "Band 25", "Band 26", "Band 27", "Band 28", "Band 29", "Band 30",
    "Band 31", "Band 32", "Band 33", "Band 34", "Band 35", "Band 36", "Band 37", "Band 38", "Band 39", "Band 40",
    "Band 41", "Band 42", "Band 43", "Band 44", "Band 45", "Band 46", "Band 47", "Band 48", "Band 49", "Band 50",
};
inline constexpr float kMid = 0.5f;

constexpr std::array<ParameterInfo, kNumParams> makeParameters() {
    // The named parameters, by index. Slots group them by function.
    std::array<ParameterInfo, kNumParams> t = {{
        {kModLevel, 0, "Mod.level", "dB", 0, 0, D::kDecibels, kMid, "mod_level"},
        {kCarLevel, 1, "Car.level", "dB", 0, 0, D::kDecibels, kMid, "car_level"},
        {kOutLevel, 2, "Out.level", "dB", 0, 0, D::kDecibels, kMid, "out_level"},
        {kFormant, 19, "Formant", " ", 20, 10, D::kNumber, kMid, "formant"},
        {kFreeze, 22, "Freeze", " ", 1, 0, D::kNumber, 0.0f, "freeze"},
        {kFlat, 23, "Flat", " ", 1, 0, D::kNumber, 0.0f, "flat"},
        {kTune, 17, "Tune", " ", 100, 50, D::kNumber, kMid, "tune"},
        {kWaveform, 15, "Waveform", " ", 3, 0, D::kChoice, 0.0f, "waveform", kWaveformNames.data()},
        {kO1Freq, 3, "O1 freq", " ", 25, 0, D::kNote, 0.0f, "o1_freq"},
        {kO1Level, 4, "O1 level", "dB", 0, 0, D::kDecibels, 0.0f, "o1_level"},
        {kO2Offset, 5, "O2 offset", " ", 25, 0, D::kNote, 0.0f, "o2_offset"},
        {kO2Level, 6, "O2 level", "dB", 0, 0, D::kDecibels, 0.0f, "o2_level"},
        {kO3Offset, 7, "O3 offset", " ", 25, 0, D::kNote, 0.0f, "o3_offset"},
        {kO3Level, 8, "O3 level", "dB", 0, 0, D::kDecibels, 0.0f, "o3_level"},
        {kO4Offset, 9, "O4 offset", " ", 25, 0, D::kNote, 0.0f, "o4_offset"},
        {kO4Level, 10, "O4 level", "dB", 0, 0, D::kDecibels, 0.0f, "o4_level"},
        {kO5Offset, 11, "O5 offset", " ", 25, 0, D::kNote, 0.0f, "o5_offset"},
        {kO5Level, 12, "O5 level", "dB", 0, 0, D::kDecibels, 0.0f, "o5_level"},
        {kO6Offset, 13, "O6 offset", " ", 25, 0, D::kNote, 0.0f, "o6_offset"},
        {kO6Level, 14, "O6 level", "dB", 0, 0, D::kDecibels, 0.0f, "o6_level"},
        {kSynthVol, 16, "Synth vol", "dB", 0, 0, D::kDecibels, 0.0f, "synth_vol"},
        {kOctave, 18, "Octave", " ", 2, 1, D::kNumber, kMid, "octave"},
        {kFreezeKey, 20, "FreezeKey", " ", 6, 0, D::kNumber, 0.0f, "freeze_key"},
        {kFlatKey, 21, "FlatKey", " ", 6, 0, D::kNumber, 0.0f, "flat_key"},
        {kPlayback, 24, "Playback", " ", 1, 0, D::kNumber, 0.0f, "playback"},
        {kSource, 25, "Source", " ", 1, 0, D::kNumber, 0.0f, "source"},
    }};
    // The band levels keep their index as their slot.
    for (int b = 0; b < kNumBands; ++b)
        t[static_cast<std::size_t>(kBand1 + b)] = {kBand1 + b, static_cast<std::int8_t>(kBand1 + b), kBandNames[b], " ",
                                                   0, 0, D::kDecibels, kMid, kBandSymbols[b]};
    return t;
}
}  // namespace detail

inline constexpr std::array<ParameterInfo, kNumParams> kParameters = detail::makeParameters();

// The parameter with this symbol, or null.
constexpr const ParameterInfo* parameterBySymbol(std::string_view symbol) {
    for (const ParameterInfo& p : kParameters)
        if (symbol == p.symbol) return &p;
    return nullptr;
}

// The value of position p of a stepped parameter: p x (1 / steps), in float,
// as the editor and the hosts write it (keys 0.04 apart, the waveform list's
// 0.33333334, the trigger-key list's 0.16666667).
constexpr float stepValue(const ParameterInfo& p, int position) {
    return static_cast<float>(position) * (1.0f / static_cast<float>(p.steps));
}

// The oscillators' pitch and level parameters, by oscillator.
inline constexpr int kNumOscillators = 6;
inline constexpr std::array<std::int32_t, kNumOscillators> kOscPitchParams = {kO1Freq,   kO2Offset, kO3Offset,
                                                                              kO4Offset, kO5Offset, kO6Offset};
inline constexpr std::array<std::int32_t, kNumOscillators> kOscLevelParams = {kO1Level, kO2Level, kO3Level,
                                                                              kO4Level, kO5Level, kO6Level};
// The chord keyboard: one key per position of an oscillator's pitch, from C;
// the lowest key is MIDI note 24 + 12 x trunc(2 x "Octave").
inline constexpr int kKeyboardKeys = kParameters[kO1Freq].steps;
inline constexpr int kLowestKeyboardNote = 24;

// ---- Saved state ----
// The parameters as a short text that hosts store in their projects and give
// back. It names each value by its parameter's symbol, so that it stays
// readable when parameters are added, and carries a version:
//
//   talkforge-state 1
//   mod_level 0.5
//   ...
//
// Written with every one of the 76 values; read tolerantly: lines it does not
// know (comments included) are skipped and parameters it does not name keep
// their value.
inline constexpr std::string_view kStateMagic = "talkforge-state";
inline constexpr int kStateVersion = 1;

namespace detail {
// Splits off the first line of `rest` (without its end, "\n" or "\r\n").
inline std::string_view nextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}
// "key value" with blanks between (and maybe after); false for anything else.
inline bool splitPair(std::string_view line, std::string_view& key, std::string_view& value) {
    constexpr const char* kBlanks = " \t";
    const std::size_t keyEnd = line.find_first_of(kBlanks);
    const std::size_t start = line.find_first_not_of(kBlanks, keyEnd);
    if (keyEnd == 0 || start == std::string_view::npos) return false;
    key = line.substr(0, keyEnd);
    value = line.substr(start, line.find_last_not_of(kBlanks) + 1 - start);
    return true;
}
template <class Number>
bool parseWhole(std::string_view text, Number& n) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size();
}
}  // namespace detail

// The 76 values (by parameter index) as state text. Each value is written in
// the shortest form that reads back to the same float.
inline std::string writeState(const float (&values)[kNumParams]) {
    std::string text(kStateMagic);
    text += ' ';
    text += std::to_string(kStateVersion);
    text += '\n';
    for (const ParameterInfo& p : kParameters) {
        char number[32];
        const auto result = std::to_chars(number, number + sizeof number, values[p.index]);
        text += p.symbol;
        text += ' ';
        text.append(number, result.ptr);
        text += '\n';
    }
    return text;
}

// The version a state text declares on its first line; -1 when it is not
// Talkforge state.
inline int stateVersion(std::string_view text) {
    std::string_view magic, version;
    int number = -1;
    if (!detail::splitPair(detail::nextLine(text), magic, version) || magic != kStateMagic ||
        !detail::parseWhole(version, number) || number < 0)
        return -1;
    return number;
}

// Reads state text into `values` (by parameter index). Values are taken when
// finite, clamped into 0..1. Returns false, changing nothing, when the text is
// not Talkforge state of the version this build reads.
inline bool readState(std::string_view text, float (&values)[kNumParams]) {
    if (stateVersion(text) != kStateVersion) return false;
    std::string_view rest = text;
    detail::nextLine(rest);
    while (!rest.empty()) {
        std::string_view key, value;
        float v = 0.0f;
        if (!detail::splitPair(detail::nextLine(rest), key, value) || !detail::parseWhole(value, v) || !std::isfinite(v))
            continue;
        if (const ParameterInfo* p = parameterBySymbol(key)) values[p->index] = std::clamp(v, 0.0f, 1.0f);
    }
    return true;
}
