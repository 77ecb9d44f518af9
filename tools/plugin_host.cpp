#include "tools/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "base/convert.h"
#include "tools/error.h"

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

constexpr VstIntPtr kHostVstVersion = 2400;
constexpr std::size_t kTextBufferSize = 256;  // far more than the conventional 8 or 64 bytes
constexpr const char* kHostVendor = "Harrowgate Sounds";
constexpr const char* kHostProduct = "talkforge renderer";
constexpr VstIntPtr kHostVendorVersion = 1;
// The header of a VstEvents record takes two pointer-sized words, the event pointers follow it.
constexpr std::size_t kHeaderWords = offsetof(VstEvents, events) / sizeof(VstIntPtr);

// The host's capabilities, as asked for through audioMasterCanDo.
bool hostCanDo(const char* text) {
    static constexpr const char* kCan[] = {"sendVstEvents", "sendVstMidiEvent", "offline"};
    return text && std::any_of(std::begin(kCan), std::end(kCan),
                               [text](const char* c) { return std::strcmp(c, text) == 0; });
}

}  // namespace

PluginHost::PluginHost(const std::string& path) {
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        throw ToolError("cannot load plug-in '" + path + "': " + (why ? why : "unknown error") +
                        " (give its path with --plugin or TALKFORGE_PLUGIN)");
    }
    auto entry = reinterpret_cast<PluginEntry>(dlsym(library, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<PluginEntry>(dlsym(library, "main"));
    if (!entry) {
        dlclose(library);
        throw ToolError("plug-in '" + path + "' exports neither VSTPluginMain nor main");
    }
    effect = entry(&PluginHost::hostCallback);
    std::string problem;
    if (!effect) problem = "its entry returned no effect";
    else if (effect->magic != kEffectMagic) problem = "its effect record has the wrong magic number";
    else if (effect->numInputs < 2 || effect->numOutputs < 2) problem = "it does not have two inputs and two outputs";
    else if (!effect->processReplacing || !(effect->flags & effFlagsCanReplacing)) problem = "it cannot process replacing";
    if (!problem.empty()) {
        if (effect && effect->magic == kEffectMagic) dispatch(effClose);
        effect = nullptr;
        dlclose(library);
        throw ToolError("plug-in '" + path + "' is not usable: " + problem);
    }
    // resvd1 is the host's field: it leads the callback back to this object.
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    dispatch(effOpen);
}

PluginHost::~PluginHost() {
    closeEditor();
    if (running) dispatch(effMainsChanged, 0, 0);
    dispatch(effClose);
    dlclose(library);
}

VstIntPtr PluginHost::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void* ptr, float opt) {
    (void)index, (void)value, (void)opt;
    const auto* self = effect ? reinterpret_cast<const PluginHost*>(effect->resvd1) : nullptr;
    switch (opcode) {
    case audioMasterVersion: return kHostVstVersion;
    case audioMasterWantMidi: return 1;
    case audioMasterGetSampleRate: return self ? static_cast<VstIntPtr>(self->rate) : 0;
    case audioMasterGetBlockSize: return self ? self->block : 0;
    case audioMasterGetCurrentProcessLevel: return self ? self->processLevel : kProcessLevelOffline;
    case audioMasterGetVendorString: copyText(static_cast<char*>(ptr), kHostVendor, kVstMaxVendorStrLen); return 1;
    case audioMasterGetProductString: copyText(static_cast<char*>(ptr), kHostProduct, kVstMaxProductStrLen); return 1;
    case audioMasterGetVendorVersion: return kHostVendorVersion;
    case audioMasterCanDo: return hostCanDo(static_cast<const char*>(ptr)) ? 1 : 0;
    default: return 0;  // automation, edits, idle and the rest need no answer here
    }
}

VstIntPtr PluginHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginHost::textQuery(VstInt32 opcode, int index) {
    char text[kTextBufferSize] = {};
    dispatch(opcode, index, 0, text);
    text[kTextBufferSize - 1] = '\0';
    return text;
}

std::string PluginHost::paramName(int index) { return textQuery(effGetParamName, index); }
std::string PluginHost::paramDisplay(int index) { return textQuery(effGetParamDisplay, index); }
std::string PluginHost::paramLabel(int index) { return textQuery(effGetParamLabel, index); }
float PluginHost::parameter(int index) { return effect->getParameter(effect, index); }
void PluginHost::setParameter(int index, float value) { effect->setParameter(effect, index, value); }

void PluginHost::start(double sampleRate, int blockSize) {
    if (running) dispatch(effMainsChanged, 0, 0);
    rate = sampleRate;
    block = blockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    running = true;
    // The plug-in adopts a new rate at the start of a block, after it has set up
    // the block's drone pitches: an empty block first makes the first real one
    // play in tune whatever its size.
    float silence[1] = {};
    float* channels[2] = {silence, silence};
    process(channels, channels, 0);
}

void PluginHost::reserveEvents(std::size_t count) {
    midiEvents.reserve(count);
    eventList.reserve(kHeaderWords + count);
}

void PluginHost::sendEvents(std::span<const TimedMidi> events, std::int64_t blockStart) {
    if (events.empty()) return;
    // Growing from empty stays within the reserved room.
    midiEvents.clear();
    midiEvents.resize(events.size());
    eventList.clear();
    eventList.resize(kHeaderWords + events.size());
    auto* list = reinterpret_cast<VstEvents*>(eventList.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    auto* slots = reinterpret_cast<VstEvent**>(eventList.data() + kHeaderWords);
    for (std::size_t i = 0; i < events.size(); ++i) {
        VstMidiEvent& e = midiEvents[i];
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = static_cast<VstInt32>(events[i].frame - blockStart);
        for (std::size_t b = 0; b < 3; ++b) e.midiData[b] = static_cast<char>(events[i].bytes[b]);
        slots[i] = reinterpret_cast<VstEvent*>(&e);
    }
    dispatch(effProcessEvents, 0, 0, list);
}

void PluginHost::process(float* const* inputs, float* const* outputs, int frames) {
    effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
}

bool PluginHost::editorSize(int& width, int& height) {
    ERect* r = nullptr;
    if (!(effect->flags & effFlagsHasEditor) || dispatch(effEditGetRect, 0, 0, &r) == 0 || !r) return false;
    width = r->right - r->left;
    height = r->bottom - r->top;
    return width > 0 && height > 0;
}

bool PluginHost::openEditor(void* parentWindow) {
    closeEditor();
    editorOpen = dispatch(effEditOpen, 0, 0, parentWindow) != 0;
    return editorOpen;
}

void PluginHost::idleEditor() {
    if (editorOpen) dispatch(effEditIdle);
}

void PluginHost::closeEditor() {
    if (editorOpen) dispatch(effEditClose);
    editorOpen = false;
}
