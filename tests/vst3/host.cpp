#include "tests/vst3/host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plugin/vst3/text16.h"

namespace vst3test {

const char* bundlePath() { return TALKFORGE_VST3_BUNDLE; }

// ---- Module ----

Module::Module(const std::string& bundle) {
    const std::string path = bundleLibrary(bundle);
    library = loadLibrary(path, error);
    if (!library) {
        error = "cannot load " + path + ": " + error;
        return;
    }
    entered = enterModule(library);
    if (!entered) {
        error = "the module refused to start";
        return;
    }
    auto getFactory = reinterpret_cast<GetFactoryProc>(findSymbol(library, kGetFactoryProcName));
    if (!getFactory) {
        error = "no GetPluginFactory in " + path;
        return;
    }
    factoryRef = Ref<IPluginFactory>::adopt(getFactory());
    if (!factoryRef) error = "GetPluginFactory returned null";
}

bool Module::close() {
    factoryRef.reset();
    const bool exited = entered && exitModule(library);
    entered = false;
    if (library) unloadLibrary(library);
    library = nullptr;
    return exited;
}

// ---- Attribute lists and messages ----

tresult AttributeList::queryInterface(const char* id, void** obj) {
    if (answer<IAttributeList>(id, obj) || answer<FUnknown, IAttributeList>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult AttributeList::setInt(AttrID id, int64 value) {
    if (!id) return kInvalidArgument;
    values[id] = value;
    return kResultOk;
}

tresult AttributeList::getInt(AttrID id, int64& value) {
    auto it = id ? values.find(id) : values.end();
    if (it == values.end() || !std::holds_alternative<int64>(it->second)) return kResultFalse;
    value = std::get<int64>(it->second);
    return kResultOk;
}

tresult AttributeList::setFloat(AttrID id, double value) {
    if (!id) return kInvalidArgument;
    values[id] = value;
    return kResultOk;
}

tresult AttributeList::getFloat(AttrID id, double& value) {
    auto it = id ? values.find(id) : values.end();
    if (it == values.end() || !std::holds_alternative<double>(it->second)) return kResultFalse;
    value = std::get<double>(it->second);
    return kResultOk;
}

tresult AttributeList::setString(AttrID id, const TChar* string) {
    if (!id || !string) return kInvalidArgument;
    values[id] = std::u16string(string);
    return kResultOk;
}

tresult AttributeList::getString(AttrID id, TChar* string, uint32 sizeInBytes) {
    auto it = id ? values.find(id) : values.end();
    if (it == values.end() || !std::holds_alternative<std::u16string>(it->second) || !string ||
        sizeInBytes < sizeof(TChar))
        return kResultFalse;
    const std::u16string& s = std::get<std::u16string>(it->second);
    const std::size_t n = std::min<std::size_t>(s.size(), sizeInBytes / sizeof(TChar) - 1);
    std::copy_n(s.begin(), n, string);
    string[n] = 0;
    return kResultOk;
}

tresult AttributeList::setBinary(AttrID id, const void* data, uint32 sizeInBytes) {
    if (!id || (!data && sizeInBytes)) return kInvalidArgument;
    const char* bytes = static_cast<const char*>(data);
    values[id] = std::vector<char>(bytes, bytes + sizeInBytes);
    return kResultOk;
}

tresult AttributeList::getBinary(AttrID id, const void*& data, uint32& sizeInBytes) {
    auto it = id ? values.find(id) : values.end();
    if (it == values.end() || !std::holds_alternative<std::vector<char>>(it->second)) return kResultFalse;
    const std::vector<char>& v = std::get<std::vector<char>>(it->second);
    data = v.data();
    sizeInBytes = static_cast<uint32>(v.size());
    return kResultOk;
}

Message::Message() : attributes(Ref<AttributeList>::adopt(new AttributeList)) {}

tresult Message::queryInterface(const char* id, void** obj) {
    if (answer<IMessage>(id, obj) || answer<FUnknown, IMessage>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult HostApplication::queryInterface(const char* id, void** obj) {
    if (answer<IHostApplication>(id, obj) || answer<FUnknown, IHostApplication>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult HostApplication::getName(char16* name) {
    if (!name) return kInvalidArgument;
    copyText16(name, kString128Length, "Talkforge test host");
    return kResultOk;
}

tresult HostApplication::createInstance(char* cid, char* id, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    FUnknown* made = nullptr;
    if (IMessage::iid.matches(cid)) {
        made = static_cast<IMessage*>(new Message);
        ++messagesCreated;
    } else if (IAttributeList::iid.matches(cid)) {
        made = static_cast<IAttributeList*>(new AttributeList);
    } else {
        return kNoInterface;
    }
    const tresult r = made->queryInterface(id, obj);
    made->release();
    return r;
}

// ---- Streams ----

tresult MemoryStream::queryInterface(const char* id, void** obj) {
    if (answer<IBStream>(id, obj) || answer<FUnknown, IBStream>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    if (numBytesRead) *numBytesRead = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    const int64 size = static_cast<int64>(data.size());
    const int64 n = std::max<int64>(0, std::min<int64>(numBytes, size - position));
    if (n > 0) std::memcpy(buffer, data.data() + position, static_cast<std::size_t>(n));
    position += n;
    if (numBytesRead) *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    if (numBytesWritten) *numBytesWritten = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    const auto at = static_cast<std::size_t>(position);
    if (data.size() < at + static_cast<std::size_t>(numBytes)) data.resize(at + static_cast<std::size_t>(numBytes));
    std::memcpy(data.data() + at, buffer, static_cast<std::size_t>(numBytes));
    position += numBytes;
    if (numBytesWritten) *numBytesWritten = numBytes;
    return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    const int64 base = mode == kSeekSet ? 0 : mode == kSeekCur ? position : static_cast<int64>(data.size());
    if ((mode != kSeekSet && mode != kSeekCur && mode != kSeekEnd) || base + pos < 0) return kInvalidArgument;
    position = base + pos;
    if (result) *result = position;
    return kResultOk;
}

tresult MemoryStream::tell(int64* pos) {
    if (!pos) return kInvalidArgument;
    *pos = position;
    return kResultOk;
}

// ---- Parameter changes and events ----

tresult ParamValueQueue::queryInterface(const char* id, void** obj) {
    if (answer<IParamValueQueue>(id, obj) || answer<FUnknown, IParamValueQueue>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= getPointCount()) return kInvalidArgument;
    sampleOffset = points[static_cast<std::size_t>(index)].first;
    value = points[static_cast<std::size_t>(index)].second;
    return kResultOk;
}

tresult ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    auto it = std::find_if(points.begin(), points.end(), [&](const auto& p) { return p.first >= sampleOffset; });
    if (it != points.end() && it->first == sampleOffset)
        it->second = value;
    else
        it = points.insert(it, {sampleOffset, value});
    index = static_cast<int32>(it - points.begin());
    return kResultOk;
}

ParameterChanges::ParameterChanges() { queues.reserve(256); }

ParameterChanges::~ParameterChanges() { clear(); }

tresult ParameterChanges::queryInterface(const char* id, void** obj) {
    if (answer<IParameterChanges>(id, obj) || answer<FUnknown, IParameterChanges>(id, obj)) return kResultOk;
    return noInterface(obj);
}

IParamValueQueue* ParameterChanges::getParameterData(int32 index) {
    return index >= 0 && index < getParameterCount() ? queues[static_cast<std::size_t>(index)] : nullptr;
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (std::size_t i = 0; i < queues.size(); ++i)
        if (queues[i]->paramId == id) {
            index = static_cast<int32>(i);
            return queues[i];
        }
    queues.push_back(new ParamValueQueue(id));
    queues.back()->points.reserve(64);
    index = static_cast<int32>(queues.size() - 1);
    return queues.back();
}

void ParameterChanges::add(ParamID id, int32 offset, ParamValue value) {
    int32 index = 0;
    addParameterData(id, index)->addPoint(offset, value, index);
}

ParamValue ParameterChanges::last(ParamID id) const {
    for (const ParamValueQueue* q : queues)
        if (q->paramId == id && !q->points.empty()) return q->points.back().second;
    return -1.0;
}

void ParameterChanges::clear() {
    for (ParamValueQueue* q : queues) q->release();
    queues.clear();
}

tresult EventList::queryInterface(const char* id, void** obj) {
    if (answer<IEventList>(id, obj) || answer<FUnknown, IEventList>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult EventList::getEvent(int32 index, Event& e) {
    if (index < 0 || index >= getEventCount()) return kInvalidArgument;
    e = events[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult EventList::addEvent(Event& e) {
    events.push_back(e);
    return kResultOk;
}

void EventList::noteOn(int32 offset, int16 channel, int16 pitch, float velocity) {
    Event e{};
    e.sampleOffset = offset;
    e.type = Event::kNoteOnEvent;
    e.noteOn = {channel, pitch, 0.0f, velocity, 0, -1};
    events.push_back(e);
}

void EventList::noteOff(int32 offset, int16 channel, int16 pitch) {
    Event e{};
    e.sampleOffset = offset;
    e.type = Event::kNoteOffEvent;
    e.noteOff = {channel, pitch, 0.0f, -1, 0.0f};
    events.push_back(e);
}

// ---- Component handler and connection ----

tresult ComponentHandler::queryInterface(const char* id, void** obj) {
    if (answer<IComponentHandler>(id, obj) || answer<IComponentHandler2>(id, obj) ||
        answer<FUnknown, IComponentHandler>(id, obj))
        return kResultOk;
    return noInterface(obj);
}

namespace {
std::string gesture(const char* format, ParamID id, ParamValue value = 0.0) {
    char text[64];
    std::snprintf(text, sizeof text, format, id, value);
    return text;
}
}  // namespace

tresult ComponentHandler::beginEdit(ParamID id) {
    gestures += gesture("b%u ", id);
    return kResultOk;
}

tresult ComponentHandler::performEdit(ParamID id, ParamValue value) {
    gestures += gesture("%u=%g ", id, value);
    performed.emplace_back(id, value);
    if (onPerform) onPerform(id, value);
    return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id) {
    gestures += gesture("e%u ", id);
    return kResultOk;
}

tresult ComponentHandler::restartComponent(int32 flags) {
    restarts.push_back(flags);
    return kResultOk;
}

tresult ConnectionProxy::queryInterface(const char* id, void** obj) {
    if (answer<IConnectionPoint>(id, obj) || answer<FUnknown, IConnectionPoint>(id, obj)) return kResultOk;
    return noInterface(obj);
}

tresult ConnectionProxy::notify(IMessage* message) {
    if (!target) return kResultFalse;
    ++delivered;
    return target->notify(message);
}

// ---- Instance ----

Instance::Instance(IPluginFactory* factory, HostApplication& host)
    : handler(Ref<ComponentHandler>::adopt(new ComponentHandler)) {
    if (!factory) return;
    // The processor class is the one of category "Audio Module Class".
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo info{};
        if (factory->getClassInfo(i, &info) != kResultOk || std::strcmp(info.category, "Audio Module Class") != 0)
            continue;
        void* obj = nullptr;
        if (factory->createInstance(info.cid, IComponent::iid.bytes, &obj) == kResultOk)
            component = Ref<IComponent>::adopt(static_cast<IComponent*>(obj));
        break;
    }
    if (!component || component->initialize(&host) != kResultOk) {
        component.reset();
        return;
    }
    processor = Ref<IAudioProcessor>::query(component.get());

    controller = Ref<IEditController>::query(component.get());
    singleObject = static_cast<bool>(controller);
    if (!singleObject) {
        char cid[kUidBytes] = {};
        void* obj = nullptr;
        if (component->getControllerClassId(cid) == kResultOk &&
            factory->createInstance(cid, IEditController::iid.bytes, &obj) == kResultOk)
            controller = Ref<IEditController>::adopt(static_cast<IEditController*>(obj));
        if (controller && controller->initialize(&host) != kResultOk) controller.reset();
    }
    if (!controller) return;
    controller->setComponentHandler(handler.get());

    if (!singleObject) {
        auto componentPoint = Ref<IConnectionPoint>::query(component.get());
        auto controllerPoint = Ref<IConnectionPoint>::query(controller.get());
        if (componentPoint && controllerPoint) {
            toController = Ref<ConnectionProxy>::adopt(new ConnectionProxy(controllerPoint.get()));
            toProcessor = Ref<ConnectionProxy>::adopt(new ConnectionProxy(componentPoint.get()));
            componentPoint->connect(toController.get());
            controllerPoint->connect(toProcessor.get());
        }
    }
    MemoryStream stream;
    if (component->getState(&stream) == kResultOk) {
        stream.seek(0, kSeekSet, nullptr);
        controller->setComponentState(&stream);
    }
}

Instance::~Instance() {
    stop();
    if (toController) {
        if (auto p = Ref<IConnectionPoint>::query(component.get())) p->disconnect(toController.get());
        if (auto p = Ref<IConnectionPoint>::query(controller.get())) p->disconnect(toProcessor.get());
    }
    if (controller) {
        controller->setComponentHandler(nullptr);
        if (!singleObject) controller->terminate();
        controller.reset();
    }
    processor.reset();
    if (component) {
        component->terminate();
        component.reset();
    }
}

tresult Instance::start(double rate, int32 maxBlock, int32 mode) {
    stop();
    component->activateBus(kEvent, kInput, 0, 1);
    ProcessSetup setup{mode, kSample32, maxBlock, rate};
    tresult r = processor->setupProcessing(setup);
    if (r != kResultOk) return r;
    for (int32 i = 0; i < component->getBusCount(kAudio, kInput); ++i) component->activateBus(kAudio, kInput, i, 1);
    for (int32 i = 0; i < component->getBusCount(kAudio, kOutput); ++i) component->activateBus(kAudio, kOutput, i, 1);
    r = component->setActive(1);
    if (r != kResultOk) return r;
    processor->setProcessing(1);
    started = true;
    return kResultOk;
}

void Instance::stop() {
    if (!started) return;
    processor->setProcessing(0);
    component->setActive(0);
    started = false;
}

tresult Instance::process(std::vector<Bus>& inputs, std::vector<Bus>& outputs, int32 frames,
                          const ProcessOptions& options) {
    std::vector<std::vector<float*>> pointers;
    pointers.reserve(inputs.size() + outputs.size());
    auto buffers = [&](std::vector<Bus>& buses) {
        std::vector<AudioBusBuffers> out(buses.size());
        for (std::size_t b = 0; b < buses.size(); ++b) {
            pointers.emplace_back();
            for (auto& c : buses[b].channels) pointers.back().push_back(buses[b].nullPointers ? nullptr : c.data());
            out[b].numChannels = static_cast<int32>(buses[b].channels.size());
            out[b].silenceFlags = 0;
            out[b].channelBuffers32 = pointers.back().empty() ? nullptr : pointers.back().data();
        }
        return out;
    };
    std::vector<AudioBusBuffers> in = buffers(inputs), out = buffers(outputs);
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = options.numInputs >= 0 ? options.numInputs : static_cast<int32>(in.size());
    data.numOutputs = static_cast<int32>(out.size());
    data.inputs = in.empty() ? nullptr : in.data();
    data.outputs = out.empty() ? nullptr : out.data();
    data.inputParameterChanges = options.changes;
    data.outputParameterChanges = options.outputChanges;
    data.inputEvents = options.events;
    data.processContext = options.context;
    lastOutputSilence.assign(out.size(), 0);
    const tresult r = processor->process(data);
    for (std::size_t b = 0; b < out.size(); ++b) lastOutputSilence[b] = out[b].silenceFlags;
    return r;
}

std::string Instance::processorState() {
    MemoryStream stream;
    if (component->getState(&stream) != kResultOk) return {};
    return stream.data;
}

tresult Instance::setProcessorState(const std::string& bytes) {
    MemoryStream stream(bytes);
    const tresult r = component->setState(&stream);
    if (r != kResultOk) return r;
    MemoryStream again(bytes);
    return controller->setComponentState(&again);
}

ParamID midiMapping(IEditController* controller, int16 channel, CtrlNumber number, tresult* result) {
    auto mapping = Ref<IMidiMapping>::query(controller);
    ParamID id = kNoParamId;
    const tresult r = mapping ? mapping->getMidiControllerAssignment(0, channel, number, id) : kNoInterface;
    if (result) *result = r;
    return r == kResultOk ? id : kNoParamId;
}

std::string uidText(const char* bytes) {
    uint32 w[4];
    uidWords(bytes, w);
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", w[0], w[1], w[2], w[3]);
    return text;
}

}  // namespace vst3test
