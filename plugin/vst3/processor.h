// The audio processor: the engine behind VST 3's buses, parameter changes,
// events and state. It shares nothing with the controller but messages.
#pragma once

#include <array>
#include <atomic>
#include <vector>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/abi/processor.h"
#include "plugin/vst3/object.h"
#include "plugin/vst3/parameters.h"
#include "vocoder/bypass.h"
#include "vocoder/engine.h"

namespace tf::vst3plugin {

class Processor final : public vst3::Object<Processor, vst3::IComponent, vst3::IAudioProcessor,
                                            vst3::IProcessContextRequirements, vst3::IConnectionPoint>,
                        private EngineListener {
public:
    Processor();
    bool ready() const { return engine.ready(); }

    // FUnknown. Any thread.
    vst3::tresult queryInterface(const char* id, void** obj) override;

    // IPluginBase, IComponent. UI thread unless noted.
    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;
    vst3::tresult getControllerClassId(char* classId) override;
    vst3::tresult setIoMode(vst3::IoMode mode) override;
    vst3::int32 getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
    vst3::tresult getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                             vst3::BusInfo& bus) override;
    vst3::tresult getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
    vst3::tresult activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                              vst3::TBool state) override;   // also audio thread
    vst3::tresult setActive(vst3::TBool state) override;     // also audio thread
    vst3::tresult setState(vst3::IBStream* state) override;  // may overlap process
    vst3::tresult getState(vst3::IBStream* state) override;  // may overlap process

    // IAudioProcessor.
    vst3::tresult setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                     vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) override;
    vst3::tresult getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                    vst3::SpeakerArrangement& arrangement) override;
    vst3::tresult canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 getLatencySamples() override;  // any thread
    vst3::tresult setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult setProcessing(vst3::TBool state) override;  // also audio thread
    vst3::tresult process(vst3::ProcessData& data) override;  // audio thread
    vst3::uint32 getTailSamples() override;                   // any thread

    // IProcessContextRequirements: the vocoder needs no transport information.
    vst3::uint32 getProcessContextRequirements() override { return 0; }

    // IConnectionPoint. UI thread.
    vst3::tresult connect(vst3::IConnectionPoint* other) override;
    vst3::tresult disconnect(vst3::IConnectionPoint* other) override;
    vst3::tresult notify(vst3::IMessage* message) override;

private:
    friend class vst3::Object<Processor, vst3::IComponent, vst3::IAudioProcessor, vst3::IProcessContextRequirements,
                              vst3::IConnectionPoint>;
    ~Processor() = default;

    // One source of MIDI in a block: a mapped parameter's points, or the event list.
    struct MidiCursor {
        vst3::IParamValueQueue* queue = nullptr;
        vst3::ParamID id = 0;
        vst3::int32 next = 0;
        vst3::int32 count = 0;
    };

    void applyParameterChanges(vst3::IParameterChanges* changes);
    // Hands the engine the MIDI due before frame `end` (block frames), at
    // frames relative to `start`.
    void deliverMidi(vst3::int32 start, vst3::int32 end, vst3::int32 lastFrame);
    void engineChangedParameter(std::int32_t index, float value) override;  // audio thread
    void answerMeterRequest();

    VocoderEngine engine;
    Bypass bypass;
    vst3::Ref<vst3::IHostApplication> host;
    vst3::Ref<vst3::IConnectionPoint> peer;

    // The voice's, the carrier's and the output's arrangements.
    vst3::SpeakerArrangement voiceArrangement;
    vst3::SpeakerArrangement carrierArrangement;
    vst3::SpeakerArrangement outputArrangement;

    double sampleRate = 44100.0;
    std::atomic<vst3::uint32> latency;
    bool active = false;

    // The block being processed: its MIDI sources and output changes.
    std::array<MidiCursor, kNumMidiParameters> midi{};
    vst3::IEventList* events = nullptr;
    vst3::int32 nextEvent = 0;
    vst3::int32 eventCount = 0;
    vst3::IParameterChanges* outputChanges = nullptr;
    vst3::int32 midiOffset = 0;

    // What stands in for a missing input, and the second output of a mono
    // output bus: a block's worth each, allocated with the processor.
    std::vector<float> silence;
    std::vector<float> spareOutput;

    // The meters the engine raises while the editor shows them; sent to the
    // controller and cleared at its request.
    LevelMeterRecord meters;
    bool metersOn = false;
};

}  // namespace tf::vst3plugin
