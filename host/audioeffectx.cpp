#include "host/audioeffectx.h"

#include "base/convert.h"

namespace {
// The key code the editor receives for effEditKeyDown and effEditKeyUp.
VstKeyCode keyCodeFrom(VstInt32 index, VstIntPtr value, float opt) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xFF);
    key.modifier = static_cast<unsigned char>(truncClamped(opt, INT32_MIN, INT32_MAX) & 0xFF);
    return key;
}
}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    auto* text = static_cast<char*>(ptr);
    const auto arg = static_cast<VstInt32>(value);
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return text && string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories:
        return getNumCategories();
    case effGetProgramNameIndexed:
        return text && getProgramNameIndexed(arg, index, text) ? 1 : 0;
    case effCopyProgram:
        return copyProgram(index) ? 1 : 0;
    case effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetCurrentPosition:
        return reportCurrentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
        return offlineNotify(static_cast<VstAudioFile*>(ptr), arg, index != 0) ? 1 : 0;
    case effOfflinePrepare:
        return offlinePrepare(static_cast<VstOfflineTask*>(ptr), arg) ? 1 : 0;
    case effOfflineRun:
        return offlineRun(static_cast<VstOfflineTask*>(ptr), arg) ? 1 : 0;
    case effProcessVarIo:
        return processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(arg, opt);
        return 1;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return text && getEffectName(text) ? 1 : 0;
    case effGetErrorText:
        return text && getErrorText(text) ? 1 : 0;
    case effGetVendorString:
        return text && getVendorString(text) ? 1 : 0;
    case effGetProductString:
        return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return text ? canDo(text) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effIdle:
        return fxIdle();
    case effGetIcon:
        return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition:
        return setViewPosition(index, arg) ? 1 : 0;
    case effGetParameterProperties:
        return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effKeysRequired:
        return keysRequired() ? 0 : 1;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
        if (editor) {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor->onKeyDown(key);
        }
        return 0;
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor->onKeyUp(key);
        }
        return 0;
    case effSetEditKnobMode:
        return editor ? editor->setKnobMode(value) : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
bool AudioEffectX::getInputProperties(VstInt32, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties(VstInt32, VstPinProperties*) { return false; }
VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}
bool AudioEffectX::offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
bool AudioEffectX::offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
bool AudioEffectX::offlineRun(VstOfflineTask*, VstInt32) { return false; }
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }
VstIntPtr AudioEffectX::vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }

void AudioEffectX::setBlockSizeAndSampleRate(VstInt32 newBlockSize, float newSampleRate) {
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

// Host requests of this level. Without a host each gives its neutral answer.

void AudioEffectX::wantEvents(VstInt32 filter) {
    if (audioMaster) callHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return audioMaster ? reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter)) : nullptr;
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos)) : 0;
}

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters)) : 0;
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization)) : 0;
}

bool AudioEffectX::ioChanged() { return audioMaster && callHost(audioMasterIOChanged) != 0; }
bool AudioEffectX::needIdle() { return audioMaster && callHost(audioMasterNeedIdle) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return audioMaster && callHost(audioMasterSizeWindow, width, height) != 0;
}

// The host may set the rate or block size through the dispatcher while it answers.
double AudioEffectX::updateSampleRate() {
    if (audioMaster) callHost(audioMasterGetSampleRate);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    if (audioMaster) callHost(audioMasterGetBlockSize);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetInputLatency)) : 0;
}

VstInt32 AudioEffectX::getOutputLatency() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)) : 0;
}

// The pin number is not passed on to the host.
AEffect* AudioEffectX::getPreviousPlug(VstInt32) {
    return audioMaster ? reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug)) : nullptr;
}

AEffect* AudioEffectX::getNextPlug(VstInt32) {
    return audioMaster ? reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug)) : nullptr;
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate)) : 0;
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel)) : 0;
}

VstInt32 AudioEffectX::getAutomationState() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetAutomationState)) : 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* files, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return audioMaster && callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource) {
    return audioMaster && callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstInt32 option) {
    return audioMaster && callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return audioMaster && callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return audioMaster && callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
    if (audioMaster) callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
    return audioMaster && callHost(audioMasterGetSpeakerArrangement, 0,
                                   reinterpret_cast<VstIntPtr>(pluginInput), pluginOutput) != 0;
}

bool AudioEffectX::getHostVendorString(char* text) {
    return audioMaster && callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return audioMaster && callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetVendorVersion)) : 0;
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    return audioMaster ? callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg) : 0;
}

VstInt32 AudioEffectX::canHostDo(char* text) {
    return audioMaster && callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::getHostLanguage() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetLanguage)) : 0;
}

void* AudioEffectX::openWindow(void* window) {
    return audioMaster ? reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window)) : nullptr;
}

bool AudioEffectX::closeWindow(void* window) {
    return audioMaster && callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() {
    return audioMaster ? reinterpret_cast<void*>(callHost(audioMasterGetDirectory)) : nullptr;
}

bool AudioEffectX::updateDisplay() { return audioMaster && callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::beginEdit(VstInt32 index) {
    return audioMaster && callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) { return audioMaster && callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
    return audioMaster && select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}
