#include "plugin/vst3/processor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "plugin/vst3/classes.h"
#include "plugin/vst3/ids.h"
#include "plugin/vst3/messages.h"
#include "plugin/vst3/parameters.h"
#include "plugin/vst3/stream.h"
#include "plugin/vst3/text16.h"
#include "vocoder/talkforge.h"
#include "vocoder/steps.h"

namespace tf::vst3plugin {

using namespace vst3;

namespace {

constexpr int32 kVoiceBus = 0;
constexpr int32 kCarrierBus = 1;
constexpr int32 kNumAudioInputs = 2;
constexpr int32 kMidiChannels = 16;
constexpr std::uint8_t kNoteOnStatus = 0x90;
constexpr std::uint8_t kNoteOffStatus = 0x80;
constexpr double kVelocityRange = 127.0;
// The vocoded signal fades within this after the voice stops (beyond the latency).
constexpr double kDecaySeconds = 0.5;

bool supportedVoice(SpeakerArrangement a) { return a == speaker::kMono || a == speaker::kStereo; }
bool supportedCarrier(SpeakerArrangement a) { return a == speaker::kEmpty || supportedVoice(a); }
bool supportedOutput(SpeakerArrangement a) { return a == speaker::kMono || a == speaker::kStereo; }

// The first channel of a bus the host fed, or null.
const float* firstChannel(const ProcessData& data, int32 bus) {
    if (bus >= data.numInputs || !data.inputs) return nullptr;
    const AudioBusBuffers& b = data.inputs[bus];
    return b.numChannels > 0 && b.channelBuffers32 ? b.channelBuffers32[0] : nullptr;
}

std::uint8_t midiByte(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 127.0)); }

}  // namespace

Processor::Processor()
    : voiceArrangement(speaker::kStereo),
      carrierArrangement(speaker::kStereo),
      outputArrangement(speaker::kStereo),
      latency(static_cast<uint32>(latencyFrames(sampleRate))),
      silence(kMaxBlockFrames, 0.0f),
      spareOutput(kMaxBlockFrames, 0.0f) {
    engine.setListener(this);
    engine.updatePitchTable(static_cast<float>(sampleRate));
    bypass.setSampleRate(static_cast<float>(sampleRate));
}

tresult Processor::queryInterface(const char* id, void** obj) {
    if (!obj) return kInvalidArgument;
    if (answer<IComponent>(id, obj) || answer<IPluginBase, IComponent>(id, obj) ||
        answer<FUnknown, IComponent>(id, obj) || answer<IAudioProcessor>(id, obj) ||
        answer<IProcessContextRequirements>(id, obj) || answer<IConnectionPoint>(id, obj))
        return kResultOk;
    return noInterface(obj);
}

// ---- IPluginBase ----

tresult Processor::initialize(FUnknown* context) {
    if (!host) host = Ref<IHostApplication>::query(context);
    return kResultOk;
}

tresult Processor::terminate() {
    engine.attachLevelMeters(nullptr);
    metersOn = false;
    peer.reset();
    host.reset();
    return kResultOk;
}

// ---- IComponent ----

tresult Processor::getControllerClassId(char* classId) {
    if (!classId) return kInvalidArgument;
    kControllerUid.copyTo(classId);
    return kResultOk;
}

tresult Processor::setIoMode(IoMode) { return kResultOk; }

int32 Processor::getBusCount(MediaType type, BusDirection dir) {
    if (type == kAudio) return dir == kInput ? kNumAudioInputs : dir == kOutput ? 1 : 0;
    if (type == kEvent) return dir == kInput ? 1 : 0;
    return 0;
}

tresult Processor::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) {
    if (index < 0 || index >= getBusCount(type, dir)) return kInvalidArgument;
    bus = BusInfo{};
    bus.mediaType = type;
    bus.direction = dir;
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    if (type == kEvent) {
        bus.channelCount = kMidiChannels;
        copyText16(bus.name, "MIDI In");
    } else if (dir == kOutput) {
        bus.channelCount = channelCount(outputArrangement);
        copyText16(bus.name, "Output");
    } else if (index == kVoiceBus) {
        bus.channelCount = channelCount(voiceArrangement);
        copyText16(bus.name, "Voice");
    } else {
        bus.channelCount = channelCount(carrierArrangement);
        bus.busType = kAux;
        bus.flags = 0;  // a side-chain: fed when the user routes a carrier to it
        copyText16(bus.name, "Carrier");
    }
    return kResultOk;
}

tresult Processor::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult Processor::activateBus(MediaType type, BusDirection dir, int32 index, TBool) {
    // Buses are read by what the host hands to process: an inactive one is
    // silence, whatever its buffers.
    if (index < 0 || index >= getBusCount(type, dir)) return kInvalidArgument;
    return kResultOk;
}

tresult Processor::setActive(TBool state) {
    if (state && !active) {
        // The rate of the coming blocks. The signal state carries on, as the
        // VST 2 module's does through suspend and resume: a host's bounce
        // sounds as the same passage played.
        engine.updatePitchTable(static_cast<float>(sampleRate));
        bypass.setSampleRate(static_cast<float>(sampleRate));
    }
    active = state != 0;
    return kResultOk;
}

tresult Processor::setState(IBStream* state) {
    if (!state) return kInvalidArgument;
    std::string text;
    if (!readStream(state, text)) return kResultFalse;
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i) values[i] = engine.getParameter(i);
    if (!readState(text, values)) return kResultFalse;
    for (int i = 0; i < kNumParams; ++i) engine.setParameter(i, values[i]);
    return kResultOk;
}

tresult Processor::getState(IBStream* state) {
    if (!state) return kInvalidArgument;
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i) values[i] = engine.getParameter(i);
    return writeStream(state, writeState(values)) ? kResultOk : kResultFalse;
}

// ---- IAudioProcessor ----

tresult Processor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                      int32 numOuts) {
    if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kInvalidArgument;
    if (active) return kResultFalse;
    // Each bus takes what the host proposes for it if it can, else keeps its
    // arrangement; the answer says whether the whole proposal was taken.
    bool accepted = numIns >= 1 && numIns <= kNumAudioInputs && numOuts == 1;
    if (numIns >= 1) {
        if (supportedVoice(inputs[kVoiceBus]))
            voiceArrangement = inputs[kVoiceBus];
        else
            accepted = false;
    }
    if (numIns >= 2) {
        if (supportedCarrier(inputs[kCarrierBus]))
            carrierArrangement = inputs[kCarrierBus];
        else
            accepted = false;
    }
    if (numOuts >= 1) {
        if (supportedOutput(outputs[0]))
            outputArrangement = outputs[0];
        else
            accepted = false;
    }
    return accepted ? kResultTrue : kResultFalse;
}

tresult Processor::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arrangement) {
    if (dir == kInput && index == kVoiceBus)
        arrangement = voiceArrangement;
    else if (dir == kInput && index == kCarrierBus)
        arrangement = carrierArrangement;
    else if (dir == kOutput && index == 0)
        arrangement = outputArrangement;
    else
        return kInvalidArgument;
    return kResultOk;
}

tresult Processor::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 Processor::getLatencySamples() { return latency.load(std::memory_order_relaxed); }

tresult Processor::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32) return kResultFalse;
    if (!(setup.sampleRate > 0.0 && std::isfinite(setup.sampleRate))) return kInvalidArgument;
    sampleRate = setup.sampleRate;
    const auto newLatency = static_cast<uint32>(latencyFrames(sampleRate));
    if (latency.exchange(newLatency, std::memory_order_relaxed) != newLatency) {
        // The controller tells the host, which reads the latency again.
        sendMessage(host.get(), peer.get(), kLatencyMessage,
                    [&](IAttributeList& a) { a.setInt(kLatencyAttribute, newLatency); });
    }
    return kResultOk;
}

tresult Processor::setProcessing(TBool) { return kResultOk; }

uint32 Processor::getTailSamples() {
    // The built-in synthesizer's dry part sounds without any input.
    if (!switchOn(engine.getParameter(kSource)) && engine.getParameter(kSynthVol) > 0.0f) return kInfiniteTail;
    return latency.load(std::memory_order_relaxed) + static_cast<uint32>(kDecaySeconds * sampleRate);
}

void Processor::applyParameterChanges(IParameterChanges* changes) {
    for (MidiCursor& m : midi) m = MidiCursor{};
    if (!changes) return;
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue) continue;
        const ParamID id = queue->getParameterId();
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        if (points <= 0) continue;
        for (int k = 0; k < kNumMidiParameters; ++k) {
            if (kMidiParameters[k].id == id) midi[static_cast<std::size_t>(k)] = {queue, id, 0, points};
        }
        // Other parameters take the block's last value: the engine reads its
        // parameters once per block.
        if (queue->getPoint(points - 1, offset, value) != kResultOk) continue;
        if (isParamIndex(static_cast<std::int32_t>(id)))
            engine.setParameter(static_cast<std::int32_t>(id), engineValue(static_cast<int>(id), value));
        else if (id == kBypassId)
            bypass.setBypassed(value >= 0.5);
    }
}

void Processor::deliverMidi(int32 start, int32 end, int32 lastFrame) {
    for (;;) {
        // The earliest item of all sources; at equal offsets the mapped
        // controllers before the notes.
        int32 best = end;
        MidiCursor* bestCursor = nullptr;
        ParamValue bestValue = 0.0;
        for (MidiCursor& m : midi) {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (m.next < m.count && m.queue->getPoint(m.next, offset, value) == kResultOk && offset < best) {
                best = std::max(offset, start);
                bestCursor = &m;
                bestValue = value;
            }
        }
        Event e{};
        const bool eventFirst = nextEvent < eventCount && events->getEvent(nextEvent, e) == kResultOk &&
                                std::max(e.sampleOffset, start) < best;
        if (!eventFirst && !bestCursor) return;
        std::uint8_t status = 0, data1 = 0, data2 = 0;
        if (eventFirst) {
            ++nextEvent;
            best = std::max(e.sampleOffset, start);
            if (e.busIndex != 0) continue;
            if (e.type == Event::kNoteOnEvent) {
                // A note-on with velocity 0 is a note-off; any other keeps at least 1.
                const float v = e.noteOn.velocity;
                const double velocity = v > 0.0f ? std::max(1.0, std::round(v * kVelocityRange)) : 0.0;
                const auto channel = static_cast<std::uint8_t>(e.noteOn.channel & 0x0F);
                status = static_cast<std::uint8_t>((velocity > 0.0 ? kNoteOnStatus : kNoteOffStatus) | channel);
                data1 = midiByte(e.noteOn.pitch);
                data2 = midiByte(velocity);
            } else if (e.type == Event::kNoteOffEvent) {
                const auto channel = static_cast<std::uint8_t>(e.noteOff.channel & 0x0F);
                status = static_cast<std::uint8_t>(kNoteOffStatus | channel);
                data1 = midiByte(e.noteOff.pitch);
                data2 = midiByte(std::round(e.noteOff.velocity * kVelocityRange));
            } else {
                continue;
            }
        } else {
            ++bestCursor->next;
            if (!midiOfPoint(bestCursor->id, bestValue, status, data1, data2)) continue;
        }
        midiOffset = std::min(best, lastFrame) - start;
        engine.receiveMidi(midiOffset, status, data1, data2);
    }
}

tresult Processor::process(ProcessData& data) {
    if (data.symbolicSampleSize != kSample32) return kInvalidArgument;
    outputChanges = data.outputParameterChanges;
    applyParameterChanges(data.inputParameterChanges);
    events = data.inputEvents;
    nextEvent = 0;
    eventCount = events ? events->getEventCount() : 0;

    const int32 frames = data.numSamples;
    if (frames <= 0 || data.numOutputs < 1 || !data.outputs || data.outputs[0].numChannels < 1 ||
        !data.outputs[0].channelBuffers32) {
        // A parameter flush: the MIDI waits in the engine for the next block.
        deliverMidi(0, std::numeric_limits<int32>::max(), 0);
        outputChanges = nullptr;
        return kResultOk;
    }
    AudioBusBuffers& out = data.outputs[0];
    float* out0 = out.channelBuffers32[0];
    float* out1 = out.numChannels > 1 ? out.channelBuffers32[1] : nullptr;
    const float* voice = firstChannel(data, kVoiceBus);
    const float* carrier = firstChannel(data, kCarrierBus);
    if (!out0) return kInvalidArgument;

    for (int32 start = 0; start < frames; start += kMaxBlockFrames) {
        const int32 n = std::min(frames - start, kMaxBlockFrames);
        // The last part also takes what a host placed past the block's end.
        deliverMidi(start, start + n < frames ? start + n : std::numeric_limits<int32>::max(), start + n - 1);
        const float* inputs[2] = {voice ? voice + start : silence.data(), carrier ? carrier + start : silence.data()};
        float* outputs[2] = {out0 + start, out1 ? out1 + start : spareOutput.data()};
        bypass.takeVoice(inputs[0], n);
        engine.process(inputs, outputs, n, static_cast<float>(sampleRate));
        bypass.apply(outputs, n);
    }
    out.silenceFlags = 0;
    for (int32 b = 1; b < data.numOutputs; ++b) data.outputs[b].silenceFlags = 0;
    outputChanges = nullptr;
    return kResultOk;
}

void Processor::engineChangedParameter(std::int32_t index, float value) {
    if (!outputChanges) return;
    int32 queueIndex = 0;
    if (IParamValueQueue* q = outputChanges->addParameterData(static_cast<ParamID>(index), queueIndex))
        q->addPoint(midiOffset, value, queueIndex);
}

// ---- IConnectionPoint ----

tresult Processor::connect(IConnectionPoint* other) {
    if (!other) return kInvalidArgument;
    peer = Ref<IConnectionPoint>::share(other);
    return kResultOk;
}

tresult Processor::disconnect(IConnectionPoint* other) {
    if (other && other == peer.get()) peer.reset();
    engine.attachLevelMeters(nullptr);
    metersOn = false;
    return kResultOk;
}

tresult Processor::notify(IMessage* message) {
    if (isMessage(message, kMetersMessage)) {
        int64 on = 0;
        if (IAttributeList* a = message->getAttributes()) a->getInt(kMetersOnAttribute, on);
        metersOn = on != 0;
        meters = LevelMeterRecord{};
        engine.bandMeters() = BandMeterRecord{};
        engine.attachLevelMeters(metersOn ? &meters : nullptr);
        return kResultOk;
    }
    if (isMessage(message, kMeterRequestMessage)) {
        answerMeterRequest();
        return kResultOk;
    }
    return kResultFalse;
}

void Processor::answerMeterRequest() {
    if (!metersOn) return;
    // The peaks since the last answer; the audio thread raises them again.
    MeterValues v{};
    v.level[0] = meters.modMeter;
    v.level[1] = meters.carMeter;
    v.level[2] = meters.outMeter;
    v.fresh[0] = meters.modMeterFresh;
    v.fresh[1] = meters.carMeterFresh;
    v.fresh[2] = meters.outMeterFresh;
    BandMeterRecord& bands = engine.bandMeters();
    for (int b = 0; b < kNumBands; ++b) v.band[b] = bands.bandMeter[b];
    meters = LevelMeterRecord{};
    bands = BandMeterRecord{};
    sendMessage(host.get(), peer.get(), kMeterValuesMessage,
                [&](IAttributeList& a) { a.setBinary(kMeterValuesAttribute, &v, sizeof v); });
}

// ---- Creation ----

FUnknown* createProcessor() {
    auto* p = new (std::nothrow) Processor;
    if (p && !p->ready()) {
        p->release();
        return nullptr;
    }
    return p ? static_cast<IComponent*>(p) : nullptr;
}

}  // namespace tf::vst3plugin
