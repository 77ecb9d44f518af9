// The VST 2 effect over the engine: parameters and their texts, programs,
// MIDI events, blocks, pins and identity.
#include "vocoder/avoc.h"

#include <cstdio>
#include <cstring>

#include "base/convert.h"
#include "vocoder/paramtext.h"

namespace {

static_assert(kTalkforgeUniqueId == fourCharCode('4', '6', '7', 'v'));
constexpr const char* kEffectName = kTalkforgeName;
constexpr const char* kVendorName = kTalkforgeVendor;
constexpr const char* kMidiCapability = "receiveVstMidiEvent";

bool setPinProperties(VstInt32 index, VstPinProperties* properties, const char* direction) {
    if (index < 0 || index >= kNumInputs) return false;
    std::snprintf(properties->label, sizeof properties->label, "Talkforge %1d %s", static_cast<int>(index + 1),
                  direction);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

}  // namespace

AVoc::AVoc(audioMasterCallback master)
    : AudioEffectX(master, kNumPrograms, kNumParams), engine(getSampleRate()) {
    static_assert(kProgramNameSize == kVstMaxProgNameLen);
    engine.setListener(this);
    setNumInputs(kNumInputs);
    setNumOutputs(kNumOutputs);
    canProcessReplacing(true);
    setUniqueID(kTalkforgeUniqueId);
}

AVoc::~AVoc() = default;

void AVoc::setParameter(VstInt32 index, float value) {
    engine.setParameter(index, value);
    if (editor) editor->postUpdate();
}

float AVoc::getParameter(VstInt32 index) { return engine.getParameter(index); }

void AVoc::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processReplacing(inputs, outputs, sampleFrames);
}

void AVoc::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    engine.process(inputs, outputs, sampleFrames, getSampleRate());
}

VstInt32 AVoc::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->eventAt(i);
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto byte = [midi](int k) { return static_cast<std::uint8_t>(midi->midiData[k]); };
        engine.receiveMidi(midi->deltaFrames, byte(0), byte(1), byte(2));
    }
    return 1;
}

// Programs: the engine's bank; a program change reaches the editor and the
// host through setParameter, value by value.
void AVoc::setProgram(VstInt32 program) {
    if (!engine.selectProgram(program)) return;
    curProgram = program;
    for (int index : kProgramApplyOrder) setParameter(index, engine.programValue(program, index));
}

void AVoc::setProgramName(char* name) { engine.setProgramName(name); }

void AVoc::getProgramName(char* name) { engine.getProgramName(name); }

bool AVoc::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    return engine.getProgramNameIndexed(index, text);
}

bool AVoc::copyProgram(VstInt32 destination) { return engine.copyProgram(destination); }

void AVoc::getParameterLabel(VstInt32 index, char* label) {
    if (isParamIndex(index)) copyText(label, kParameters[static_cast<std::size_t>(index)].label, kParamTextSize);
}

void AVoc::getParameterName(VstInt32 index, char* text) {
    if (isParamIndex(index)) copyText(text, kParameters[static_cast<std::size_t>(index)].name, kParamTextSize);
}

void AVoc::getParameterDisplay(VstInt32 index, char* text) {
    if (isParamIndex(index)) parameterDisplay(index, paramValue(index), text);
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
