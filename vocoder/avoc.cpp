// The vocoder effect: construction, parameters and their texts, identity.
#include "vocoder/avoc.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>

#include "host/convert.h"
#include "vocoder/steps.h"

namespace {

constexpr VstInt32 kUniqueId = fourCharCode('4', '6', '7', 'v');
constexpr int kNumInputs = 2;
constexpr int kNumOutputs = 2;
constexpr const char* kEffectName = "Talkforge";
constexpr const char* kVendorName = "Harrowgate Sounds";
constexpr const char* kMidiCapability = "receiveVstMidiEvent";

// Parameter texts are short; hosts pass at least 8 bytes and in practice more.
// Names of up to 9 characters are copied whole, as hosts have always shown them.
constexpr std::size_t kParamTextSize = 24;

struct NamedParameter {
    const char* name;
    const char* label;
};

constexpr std::array<NamedParameter, kNumNamedParams> kNamedParameters = {{
    {"Mod.level", "dB"}, {"Car.level", "dB"}, {"Out.level", "dB"}, {"Formant", " "},
    {"Freeze", " "},     {"Flat", " "},       {"Tune", " "},       {"Waveform", " "},
    {"O1 freq", " "},    {"O1 level", "dB"},  {"O2 offset", " "},  {"O2 level", "dB"},
    {"O3 offset", " "},  {"O3 level", "dB"},  {"O4 offset", " "},  {"O4 level", "dB"},
    {"O5 offset", " "},  {"O5 level", "dB"},  {"O6 offset", " "},  {"O6 level", "dB"},
    {"Synth vol", "dB"}, {"Octave", " "},     {"FreezeKey", " "},  {"FlatKey", " "},
    {"Playback", " "},   {"Source", " "},
}};

constexpr std::array<const char*, 4> kWaveformNames = {"Sawtooth", "Square", "Pulse 25", "Pulse 10"};

// noteNames[k]: the note k semitones above A in octave 0, "A-0" .. "B-8".
constexpr int kNumNoteNames = 99;
using NoteName = std::array<char, 4>;
constexpr std::array<NoteName, kNumNoteNames> makeNoteNames() {
    constexpr const char* letters = "AABCCDDEFFGG";
    constexpr const char* accidentals = "-#--#-#--#-#";
    std::array<NoteName, kNumNoteNames> names{};
    for (int k = 0; k < kNumNoteNames; ++k) {
        const int step = k % 12;
        const int octave = (k + 9) / 12;  // counts up at each C
        names[static_cast<std::size_t>(k)] = {letters[step], accidentals[step], static_cast<char>('0' + octave), '\0'};
    }
    return names;
}
constexpr std::array<NoteName, kNumNoteNames> noteNames = makeNoteNames();
static_assert(noteNames[0][0] == 'A' && noteNames[3][0] == 'C' && noteNames[3][2] == '1');
static_assert(noteNames[98][0] == 'B' && noteNames[98][1] == '-' && noteNames[98][2] == '8');

// trunc(count * v + offset) for a display. Values far outside 0..1 still show
// a number; the bound keeps the conversion defined.
constexpr int kDisplayLimit = 100000000;
int steps(float v, float count, float offset = 0.0f) {
    return truncClamped(count * v + offset, -kDisplayLimit, kDisplayLimit);
}

bool setPinProperties(VstInt32 index, VstPinProperties* properties, const char* direction) {
    if (index < 0 || index >= kNumInputs) return false;
    std::snprintf(properties->label, sizeof properties->label, "Talkforge %1d %s", static_cast<int>(index + 1),
                  direction);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

}  // namespace

AVoc::AVoc(audioMasterCallback master) : AudioEffectX(master, kNumPrograms, kNumParams) {
    programs.reset(new (std::nothrow) AVocProgram[kNumPrograms]);
    if (programs) setProgram(0);
    resetFilterState();
    updatePitchTable(getSampleRate());
    setNumInputs(kNumInputs);
    setNumOutputs(kNumOutputs);
    canProcessReplacing(true);
    setUniqueID(kUniqueId);
}

AVoc::~AVoc() = default;

void AVoc::setParameter(VstInt32 index, float value) {
    if (isParamIndex(index)) {
        const int slot = paramSlot(index);
        if (programs) programs[curProgram].values[slot] = value;
        paramValues[slot] = value;
    }
    if (editor) editor->postUpdate();
}

float AVoc::getParameter(VstInt32 index) { return isParamIndex(index) ? paramValue(index) : 0.0f; }

void AVoc::getParameterLabel(VstInt32 index, char* label) {
    if (!isParamIndex(index)) return;
    copyText(label, index < kNumNamedParams ? kNamedParameters[static_cast<std::size_t>(index)].label : " ",
             kParamTextSize);
}

void AVoc::getParameterName(VstInt32 index, char* text) {
    if (!isParamIndex(index)) return;
    if (index < kNumNamedParams)
        copyText(text, kNamedParameters[static_cast<std::size_t>(index)].name, kParamTextSize);
    else
        std::snprintf(text, kParamTextSize, "Band %1d", static_cast<int>(index - kBand1 + 1));
}

void AVoc::getParameterDisplay(VstInt32 index, char* text) {
    if (!isParamIndex(index)) return;
    const float v = paramValue(index);
    switch (index) {
    case kFormant:
        return long2string(steps(v, 20.0f) - 10, text);
    case kTune:
        return long2string(steps(v, 100.0f) - 50, text);
    case kOctave:
        return long2string(steps(v, 2.0f) - 1, text);
    case kFreeze:
    case kFlat:
    case kPlayback:
    case kSource:
        return long2string(steps(v, 1.0f), text);
    case kFreezeKey:
    case kFlatKey:
        return long2string(steps(v, 6.0f), text);
    case kWaveform:
        return copyText(text, kWaveformNames[static_cast<std::size_t>(truncClamped(3.0f * v, 0, 3))], kParamTextSize);
    case kO1Freq:
    case kO2Offset:
    case kO3Offset:
    case kO4Offset:
    case kO5Offset:
    case kO6Offset:
    {
        const NoteName& note = noteNames[static_cast<std::size_t>(truncClamped(25.0f * v + 0.5f, 0, kNumNoteNames - 1))];
        std::memcpy(text, note.data(), note.size());  // with its NUL
        return;
    }
    default:  // levels and bands
        return dB2string(v, text);
    }
}

void AVoc::resume() { wantEvents(1); }

bool AVoc::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    return setPinProperties(index, properties, "In");
}

bool AVoc::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return setPinProperties(index, properties, "Out");
}

bool AVoc::getEffectName(char* name) {
    copyText(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool AVoc::getVendorString(char* text) {
    copyText(text, kVendorName, kVstMaxVendorStrLen);
    return true;
}

bool AVoc::getProductString(char* text) {
    copyText(text, kEffectName, kVstMaxProductStrLen);
    return true;
}

VstInt32 AVoc::canDo(char* text) { return std::strcmp(text, kMidiCapability) == 0 ? 1 : -1; }
