// A small VST 3 host for tests, written from the binary interface alone: it
// loads a bundle as hosts do, creates the processor and the controller
// through the factory, connects them through proxies, and drives them only
// through their interfaces. The host's own objects (messages, streams,
// parameter changes, event lists, the component handler) live here too.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/abi/factory.h"
#include "plugin/vst3/abi/processor.h"
#include "plugin/vst3/object.h"

namespace vst3test {

using namespace vst3;

// The built bundle, as the build names it.
const char* bundlePath();

// ---- The platform's module loading (module_linux.cpp, module_windows.cpp) ----

// The library inside a bundle folder, named like the bundle.
std::string bundleLibrary(const std::string& bundle);
void* loadLibrary(const std::string& path, std::string& error);
void* findSymbol(void* library, const char* name);
void unloadLibrary(void* library);
// The platform's calls after loading and before unloading (ModuleEntry and
// ModuleExit on Linux, InitDll and ExitDll on Windows, where they are
// optional); false when the module refused or lacks a required one.
bool enterModule(void* library);
bool exitModule(void* library);

// A loaded bundle and its factory.
class Module {
public:
    explicit Module(const std::string& bundle = bundlePath());
    ~Module() { close(); }
    // Releases the factory, exits and unloads the module; returns what the
    // module's exit answered.
    bool close();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    IPluginFactory* factory() const { return factoryRef.get(); }
    template <class I>
    Ref<I> factoryAs() const {
        return Ref<I>::query(factoryRef.get());
    }
    std::string error;  // why loading failed, when factory() is null

private:
    void* library = nullptr;
    bool entered = false;
    Ref<IPluginFactory> factoryRef;
};

// ---- Host objects ----

class AttributeList final : public Object<AttributeList, IAttributeList> {
public:
    tresult queryInterface(const char* id, void** obj) override;
    tresult setInt(AttrID id, int64 value) override;
    tresult getInt(AttrID id, int64& value) override;
    tresult setFloat(AttrID id, double value) override;
    tresult getFloat(AttrID id, double& value) override;
    tresult setString(AttrID id, const TChar* string) override;
    tresult getString(AttrID id, TChar* string, uint32 sizeInBytes) override;
    tresult setBinary(AttrID id, const void* data, uint32 sizeInBytes) override;
    tresult getBinary(AttrID id, const void*& data, uint32& sizeInBytes) override;

private:
    using Value = std::variant<int64, double, std::u16string, std::vector<char>>;
    std::map<std::string, Value> values;
};

class Message final : public Object<Message, IMessage> {
public:
    Message();
    tresult queryInterface(const char* id, void** obj) override;
    FIDString getMessageID() override { return messageId.c_str(); }
    void setMessageID(FIDString id) override { messageId = id ? id : ""; }
    IAttributeList* getAttributes() override { return attributes.get(); }

private:
    std::string messageId;
    Ref<AttributeList> attributes;
};

// The host application the plug-in's objects are initialized with: it
// makes messages and attribute lists.
class HostApplication final : public Object<HostApplication, IHostApplication> {
public:
    tresult queryInterface(const char* id, void** obj) override;
    tresult getName(char16* name) override;
    tresult createInstance(char* cid, char* id, void** obj) override;
    int messagesCreated = 0;
};

// A byte stream in memory, as hosts hand to getState and setState.
class MemoryStream final : public Object<MemoryStream, IBStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : data(std::move(bytes)) {}
    tresult queryInterface(const char* id, void** obj) override;
    tresult read(void* buffer, int32 numBytes, int32* numBytesRead) override;
    tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
    tresult seek(int64 pos, int32 mode, int64* result) override;
    tresult tell(int64* pos) override;

    std::string data;
    int64 position = 0;
};

class ParamValueQueue final : public Object<ParamValueQueue, IParamValueQueue> {
public:
    explicit ParamValueQueue(ParamID id) : paramId(id) {}
    tresult queryInterface(const char* id, void** obj) override;
    ParamID getParameterId() override { return paramId; }
    int32 getPointCount() override { return static_cast<int32>(points.size()); }
    tresult getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
    tresult addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

    ParamID paramId;
    std::vector<std::pair<int32, ParamValue>> points;
};

class ParameterChanges final : public Object<ParameterChanges, IParameterChanges> {
public:
    ParameterChanges();
    ~ParameterChanges();
    tresult queryInterface(const char* id, void** obj) override;
    int32 getParameterCount() override { return static_cast<int32>(queues.size()); }
    IParamValueQueue* getParameterData(int32 index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32& index) override;

    // A point of parameter `id` (its queue made if needed).
    void add(ParamID id, int32 offset, ParamValue value);
    // The last value of `id` in this block, or -1.
    ParamValue last(ParamID id) const;
    void clear();
    std::vector<ParamValueQueue*> queues;
};

class EventList final : public Object<EventList, IEventList> {
public:
    tresult queryInterface(const char* id, void** obj) override;
    int32 getEventCount() override { return static_cast<int32>(events.size()); }
    tresult getEvent(int32 index, Event& e) override;
    tresult addEvent(Event& e) override;

    void noteOn(int32 offset, int16 channel, int16 pitch, float velocity);
    void noteOff(int32 offset, int16 channel, int16 pitch);
    std::vector<Event> events;
};

// Records what the plug-in asks of the host: edits and restarts.
class ComponentHandler final : public Object<ComponentHandler, IComponentHandler, IComponentHandler2> {
public:
    tresult queryInterface(const char* id, void** obj) override;
    tresult beginEdit(ParamID id) override;
    tresult performEdit(ParamID id, ParamValue value) override;
    tresult endEdit(ParamID id) override;
    tresult restartComponent(int32 flags) override;
    tresult setDirty(TBool) override { return kResultOk; }
    tresult requestOpenEditor(FIDString) override { return kResultFalse; }
    tresult startGroupEdit() override { return kResultOk; }
    tresult finishGroupEdit() override { return kResultOk; }

    // "b<id> <id>=<value> e<id> ", in order.
    std::string gestures;
    std::vector<int32> restarts;
    // Edits a host passes on to the processor with its next block.
    std::vector<std::pair<ParamID, ParamValue>> performed;
    std::function<void(ParamID, ParamValue)> onPerform;
};

// Stands between processor and controller, as hosts connect them: messages
// pass through, the peers never see each other's objects.
class ConnectionProxy final : public Object<ConnectionProxy, IConnectionPoint> {
public:
    explicit ConnectionProxy(IConnectionPoint* peer) : target(Ref<IConnectionPoint>::share(peer)) {}
    tresult queryInterface(const char* id, void** obj) override;
    tresult connect(IConnectionPoint*) override { return kResultOk; }
    tresult disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult notify(IMessage* message) override;
    int delivered = 0;

private:
    Ref<IConnectionPoint> target;
};

// ---- An instance ----

// One audio bus of a process call: the channels the host hands over.
struct Bus {
    std::vector<std::vector<float>> channels;
    bool nullPointers = false;  // numChannels set, channel pointers null (an unfed bus)
};

struct ProcessOptions {
    IEventList* events = nullptr;
    IParameterChanges* changes = nullptr;
    IParameterChanges* outputChanges = nullptr;
    ProcessContext* context = nullptr;
    int32 numInputs = -1;  // default: the buses given
};

class Instance {
public:
    // Creates and initializes processor and controller as hosts do, connects
    // them, and hands the processor's state to the controller.
    Instance(IPluginFactory* factory, HostApplication& host);
    ~Instance();  // the host's teardown, in its order
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool ok() const { return component && processor && controller; }

    // setupProcessing, the buses' activation and setActive/setProcessing(true).
    tresult start(double rate, int32 maxBlock, int32 mode = kRealtime);
    void stop();  // setProcessing(false), setActive(false)

    tresult process(std::vector<Bus>& inputs, std::vector<Bus>& outputs, int32 frames,
                    const ProcessOptions& options = {});

    // The processor's state handed to a stream and back.
    std::string processorState();
    tresult setProcessorState(const std::string& bytes);  // also the controller's component state

    Ref<IComponent> component;
    Ref<IAudioProcessor> processor;
    Ref<IEditController> controller;
    Ref<ComponentHandler> handler;
    Ref<ConnectionProxy> toController, toProcessor;
    bool singleObject = false;
    bool started = false;
    std::vector<uint64> lastOutputSilence;  // the output buses' silence flags after the last process
};

// The host's sides of a sample: 14-bit pitch bend and controllers as the
// normalized values hosts send to mapped parameters.
inline ParamValue pitchBendValue(int bend14) { return bend14 / 16383.0; }
inline ParamValue controllerValue(int value7) { return value7 / 127.0; }

// A parameter's id answering a MIDI controller (kResultFalse: none).
ParamID midiMapping(IEditController* controller, int16 channel, CtrlNumber number, tresult* result = nullptr);

// Text of an id: %08X%08X%08X%08X of its four words.
std::string uidText(const char* bytes);

}  // namespace vst3test
