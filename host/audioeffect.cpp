#include "host/audioeffect.h"

#include "base/convert.h"
#include "base/valuetext.h"

namespace {

// Record entries: find the effect through the record and call its operation.
// Nothing escapes to the host as an exception.

// UI or audio thread, as the opcode goes.
VstIntPtr dispatcherEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                          float opt) {
    AudioEffect* effect = effectOf(e);
    if (!effect) return 0;
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

// Audio thread.
void processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) try {
            effect->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
}

// Audio thread.
void processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) try {
            effect->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
}

// Any thread.
void setParameterEntry(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = effectOf(e)) try {
            effect->setParameter(index, value);
        } catch (...) {
        }
}

// Any thread.
float getParameterEntry(AEffect* e, VstInt32 index) {
    if (AudioEffect* effect = effectOf(e)) try {
            return effect->getParameter(index);
        } catch (...) {
        }
    return 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programCount, VstInt32 paramCount)
    : audioMaster(master), numPrograms(programCount), numParams(paramCount) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatcherEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = programCount;
    cEffect.numParams = paramCount;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = kNoEffectId;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) { return 0.0f; }
void AudioEffect::processReplacing(float**, float**, VstInt32) {}
void AudioEffect::setProgramName(char* name) { copyText(name, "", 1); }
void AudioEffect::getProgramName(char* name) { copyText(name, "", 1); }
void AudioEffect::getParameterLabel(VstInt32, char* label) { copyText(label, "", 1); }
void AudioEffect::getParameterDisplay(VstInt32, char* text) { copyText(text, "", 1); }
void AudioEffect::getParameterName(VstInt32, char* text) { copyText(text, "", 1); }
VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        // Negative numbers name no program either.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text) getParameterName(index, text);
        return 0;
    case effGetVu:
        return truncClamped(static_cast<double>(getVu()) * 32767.0, INT32_MIN, INT32_MAX);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    if (audioMaster) callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    const auto version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version == 0 ? 1 : version;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterCurrentId)) : 0;
}

void AudioEffect::masterIdle() {
    if (audioMaster) callHost(audioMasterIdle);
}

// The host answers 0 for a connected pin.
bool AudioEffect::isInputConnected(VstInt32 input) {
    return audioMaster ? callHost(audioMasterPinConnected, input, 0) == 0 : true;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return audioMaster ? callHost(audioMasterPinConnected, output, 1) == 0 : true;
}

void AudioEffect::dB2string(float value, char* text) { tf::decibelText(value, text); }
void AudioEffect::Hz2string(float samples, char* text) { tf::hertzText(samples, getSampleRate(), text); }
void AudioEffect::ms2string(float samples, char* text) { tf::millisecondText(samples, getSampleRate(), text); }
void AudioEffect::float2string(float value, char* text) { tf::floatText(value, text); }
void AudioEffect::long2string(VstInt32 value, char* text) { tf::integerText(value, text); }
