// The vocoder effect: construction, parameters and their texts, identity.
#include "vocoder/avoc.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/convert.h"
#include "vocoder/steps.h"

namespace {

constexpr VstInt32 kUniqueId = fourCharCode('4', '6', '7', 'v');
constexpr const char* kEffectName = kTalkforgeName;
constexpr const char* kVendorName = kTalkforgeVendor;
constexpr const char* kMidiCapability = "receiveVstMidiEvent";

// Parameter texts are short; hosts pass at least 8 bytes and in practice more.
// Names of up to 9 characters are copied whole, as hosts have always shown them.
constexpr std::size_t kParamTextSize = 24;

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
    if (isParamIndex(index)) copyText(label, kParameters[static_cast<std::size_t>(index)].label, kParamTextSize);
}

void AVoc::getParameterName(VstInt32 index, char* text) {
    if (isParamIndex(index)) copyText(text, kParameters[static_cast<std::size_t>(index)].name, kParamTextSize);
}

void AVoc::getParameterDisplay(VstInt32 index, char* text) {
    if (!isParamIndex(index)) return;
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    const float v = paramValue(index);
    const float count = static_cast<float>(p.steps);
    switch (p.display) {
    case ParamDisplay::kNumber:
        return long2string(steps(v, count) - p.offset, text);
    case ParamDisplay::kChoice:
        return copyText(text, kWaveformNames[static_cast<std::size_t>(truncClamped(count * v, 0, p.steps))],
                        kParamTextSize);
    case ParamDisplay::kNote:
    {
        const NoteName& note = noteNames[static_cast<std::size_t>(truncClamped(count * v + 0.5f, 0, kNumNoteNames - 1))];
        std::memcpy(text, note.data(), note.size());  // with its NUL
        return;
    }
    case ParamDisplay::kDecibels:
        break;
    }
    return dB2string(v, text);
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
