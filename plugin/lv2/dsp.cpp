// The LV2 DSP module: the vocoder engine behind LV2 ports. Control ports are
// copied into the engine when they change, MIDI events reach it at their
// frames, the bypass fades to the delayed voice, and while a UI asks for them
// the meters go out on the notify port.
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "plugin/lv2/messages.h"
#include "plugin/lv2/ports.h"
#include "vocoder/bypass.h"
#include "vocoder/engine.h"
#include "vocoder/voices.h"

namespace tf::lv2 {
namespace {

// Channel messages run from note-off to pitch bend; system messages follow.
constexpr std::uint8_t kChannelMessageFirst = kMidiNoteOff;
constexpr std::uint8_t kSystemMessageFirst = 0xF0;

class Instance final : private EngineListener {
public:
    Instance(double sampleRate, LV2_URID_Map* map) : rate(float(sampleRate)) {
        engine = makeEngine(rate);
        bypass.setSampleRate(rate);
        meterMessageFrames = framesIn(kMeterMessageSeconds);
        meterRequestFrames = framesIn(kMeterRequestSeconds);
        if (map) {
            urids.emplace(*map);
            lv2_atom_forge_init(&forge, map);
        }
    }

    bool ready() const { return engine != nullptr; }

    void connect(std::uint32_t port, void* data) {
        if (port < kNumParams) {
            params[port] = static_cast<const float*>(data);
            return;
        }
        switch (port) {
        case kVoicePort: voice = static_cast<const float*>(data); break;
        case kCarrierPort: carrier = static_cast<const float*>(data); break;
        case kOutput1Port: output1 = static_cast<float*>(data); break;
        case kOutput2Port: output2 = static_cast<float*>(data); break;
        case kMidiPort: midiIn = static_cast<const LV2_Atom_Sequence*>(data); break;
        case kNotifyPort: notify = static_cast<LV2_Atom_Sequence*>(data); break;
        case kLatencyPort:
            latency = static_cast<float*>(data);
            if (latency) *latency = float(latencyFrames(rate));  // for hosts that read it before running
            break;
        case kEnabledPort: enabled = static_cast<const float*>(data); break;
        default: break;
        }
    }

    // A fresh start, as of a new instance (hosts run an instance a little
    // between activations, Ardour to read its latency): an engine of its own,
    // which takes the ports' values at the next run, and the bypass's delay
    // line clear. Without the memory for a new engine the old one forgets
    // its signal and its notes.
    void activate() {
        if (ran) {
            if (auto fresh = makeEngine(rate)) {
                engine = std::move(fresh);
                appliedAny = false;
            } else {
                engine->resetFilterState();
                engine->receiveMidi(0, kMidiController, kCtrlAllVoicesOff, 0);
            }
            if (metering) {
                clearMeters();
                engine->attachLevelMeters(&levels);
            }
        }
        ran = false;
        bypass.setSampleRate(rate);
    }

    void run(std::uint32_t frames);

private:
    void engineChangedParameter(std::int32_t index, float value) override { tellParameter(index, value); }

    void copyChangedParameters();
    void beginNotify();
    void endNotify();
    void readEvents(std::uint32_t first, std::uint32_t count, std::uint32_t frames);
    template <class Write>
    void writeEvent(Write write);
    void tellParameter(std::int32_t index, float value);
    void requestMeters();
    void stopMeters();
    void clearMeters();
    void sendMeters();

    // Frames in a time at this rate, at least one; within an int at any rate
    // a host may give, however large.
    int framesIn(double seconds) const { return int(std::clamp(double(rate) * seconds, 1.0, 1e9)); }

    // A ready engine telling this instance of its own changes, or null.
    std::unique_ptr<VocoderEngine> makeEngine(float sampleRate) {
        std::unique_ptr<VocoderEngine> e(new (std::nothrow) VocoderEngine(sampleRate));
        if (!e || !e->ready()) return nullptr;
        e->setListener(this);
        return e;
    }

    std::unique_ptr<VocoderEngine> engine;
    Bypass bypass;
    bool ran = false;  // since the last activation
    const float rate;

    const float* params[kNumParams] = {};
    std::uint32_t appliedBits[kNumParams] = {};  // the port values last copied in
    bool appliedAny = false;
    const float* voice = nullptr;
    const float* carrier = nullptr;
    float* output1 = nullptr;
    float* output2 = nullptr;
    const LV2_Atom_Sequence* midiIn = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    float* latency = nullptr;
    const float* enabled = nullptr;

    // Messages: only with the host's urid:map.
    std::optional<Urids> urids;
    LV2_Atom_Forge forge{};
    LV2_Atom_Forge_Frame notifyFrame{};
    bool notifying = false;     // the notify sequence is open for this run
    std::int64_t eventFrame = 0;  // the frame of the event being handled, for what it causes

    // Meters run while a UI asked for them lately.
    LevelMeterRecord levels;
    bool metering = false;
    int meterMessageFrames = 1;
    int meterRequestFrames = 1;
    int framesSinceMeters = 0;
    int meterFramesLeft = 0;
};

void Instance::run(std::uint32_t frames) {
    ran = true;
    if (latency) *latency = float(latencyFrames(rate));
    copyChangedParameters();
    if (enabled) bypass.setBypassed(*enabled < 0.5f);
    beginNotify();

    if (!voice || !carrier || !output1 || !output2) {
        // Hosts connect every audio port; a host that did not gets silence.
        for (float* out : {output1, output2})
            if (out) std::fill_n(out, frames, 0.0f);
    } else {
        if (frames == 0) readEvents(0, 0, 0);  // filed for the next block's first frame
        // The engine takes at most kMaxBlockFrames at once.
        for (std::uint32_t start = 0; start < frames;) {
            const std::uint32_t count = std::min<std::uint32_t>(frames - start, kMaxBlockFrames);
            readEvents(start, count, frames);
            const float* inputs[kNumInputs] = {voice + start, carrier + start};
            float* outputs[kNumOutputs] = {output1 + start, output2 + start};
            if (enabled) bypass.takeVoice(inputs[kVoiceInput], int(count));
            engine->process(inputs, outputs, int(count), rate);
            if (enabled) bypass.apply(outputs, int(count));
            start += count;
        }
    }

    if (metering) {
        eventFrame = frames > 0 ? frames - 1 : 0;
        framesSinceMeters += int(std::min<std::uint32_t>(frames, std::uint32_t(meterMessageFrames)));
        if (framesSinceMeters >= meterMessageFrames) {
            sendMeters();
            framesSinceMeters = 0;
        }
        meterFramesLeft -= int(std::min<std::uint32_t>(frames, std::uint32_t(meterRequestFrames)));
        if (meterFramesLeft <= 0) stopMeters();
    }
    endNotify();
}

void Instance::copyChangedParameters() {
    // Only changed ports: a value the engine set itself (the sustain pedal
    // switching Freeze) stands until the host changes that port.
    for (std::int32_t i = 0; i < kNumParams; ++i) {
        if (!params[i]) continue;
        const float port = *params[i];
        const auto bits = std::bit_cast<std::uint32_t>(port);
        if (appliedAny && bits == appliedBits[i]) continue;
        appliedBits[i] = bits;
        engine->setParameter(i, parameterValueOf(i, port));
    }
    appliedAny = true;
}

void Instance::beginNotify() {
    notifying = false;
    if (!notify || !urids) return;
    // The host gives the buffer's capacity as the sequence's size.
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(notify), notify->atom.size);
    notifying = lv2_atom_forge_sequence_head(&forge, &notifyFrame, 0) != 0;
}

void Instance::endNotify() {
    if (notifying) lv2_atom_forge_pop(&forge, &notifyFrame);
    notifying = false;
}

// Hands the engine the events of the span of `count` frames from `first`
// (of a run of `frames`), each at its frame within the span. Events stamped
// outside the run count as its first or last frame; a run of no frames files
// its events for the next block's first frame.
void Instance::readEvents(std::uint32_t first, std::uint32_t count, std::uint32_t frames) {
    if (!midiIn || !urids || midiIn->atom.type != forge.Sequence) return;
    const std::int64_t lastFrame = frames > 0 ? std::int64_t(frames) - 1 : 0;
    LV2_ATOM_SEQUENCE_FOREACH(midiIn, ev) {
        const std::int64_t at = std::clamp<std::int64_t>(ev->time.frames, 0, lastFrame);
        if (count > 0 && (at < first || at >= std::int64_t(first) + count)) continue;
        eventFrame = at;
        if (ev->body.type == urids->midiEvent) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(ev + 1);
            const std::uint32_t size = ev->body.size;
            if (size == 0 || bytes[0] < kChannelMessageFirst || bytes[0] >= kSystemMessageFirst) continue;
            engine->receiveMidi(std::int32_t(at - first), bytes[0], size > 1 ? bytes[1] : 0, size > 2 ? bytes[2] : 0);
        } else if (isObjectOf(forge, *urids, &ev->body, urids->meterRequest)) {
            requestMeters();
        }
    }
}

// Writes one event on the notify port through `write`, which says whether
// every part of it fitted; an event that did not fit is taken back whole, so
// that the host never reads a partial one.
template <class Write>
void Instance::writeEvent(Write write) {
    if (!notifying) return;
    auto* sequence = reinterpret_cast<LV2_Atom*>(forge.buf);
    const std::uint32_t offset = forge.offset;
    const std::uint32_t size = sequence->size;
    if (!write()) {
        forge.offset = offset;
        sequence->size = size;
    }
}

void Instance::tellParameter(std::int32_t index, float value) {
    writeEvent([&] {
        LV2_Atom_Forge_Frame object;
        if (!lv2_atom_forge_frame_time(&forge, eventFrame) ||
            !lv2_atom_forge_object(&forge, &object, 0, urids->parameterChange))
            return false;
        const bool written = lv2_atom_forge_key(&forge, urids->parameterIndex) && lv2_atom_forge_int(&forge, index) &&
                             lv2_atom_forge_key(&forge, urids->parameterValue) && lv2_atom_forge_float(&forge, value);
        lv2_atom_forge_pop(&forge, &object);
        return written;
    });
}

// A UI shows meters: they run from now for a while, and a UI that has just
// opened learns of the switches the sustain pedal holds.
void Instance::requestMeters() {
    if (!metering) {
        clearMeters();
        engine->attachLevelMeters(&levels);
        metering = true;
        framesSinceMeters = 0;
        for (std::int32_t index : {kFreeze, kFlat}) tellParameter(index, engine->getParameter(index));
    }
    meterFramesLeft = meterRequestFrames;
}

void Instance::stopMeters() {
    engine->attachLevelMeters(nullptr);
    metering = false;
}

// Meters start from nothing: the UI keeps what it was shown.
void Instance::clearMeters() {
    levels = LevelMeterRecord{};
    engine->bandMeters() = BandMeterRecord{};
}

void Instance::sendMeters() {
    if (!notifying) return clearMeters();
    float values[kNumMeterValues];
    values[0] = levels.modMeter;
    values[1] = levels.carMeter;
    values[2] = levels.outMeter;
    std::copy_n(engine->bandMeters().bandMeter, kNumBands, values + 3);
    clearMeters();
    writeEvent([&] {
        LV2_Atom_Forge_Frame object;
        if (!lv2_atom_forge_frame_time(&forge, eventFrame) || !lv2_atom_forge_object(&forge, &object, 0, urids->meters))
            return false;
        const bool written = lv2_atom_forge_key(&forge, urids->meterValues) &&
                             lv2_atom_forge_vector(&forge, sizeof(float), forge.Float, kNumMeterValues, values);
        lv2_atom_forge_pop(&forge, &object);
        return written;
    });
}

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    if (!(sampleRate > 0.0)) return nullptr;
    try {
        auto* map = static_cast<LV2_URID_Map*>(lv2_features_data(features, LV2_URID__map));
        auto* instance = new (std::nothrow) Instance(sampleRate, map);
        if (instance && !instance->ready()) {
            delete instance;
            return nullptr;
        }
        return instance;
    } catch (...) {
        return nullptr;
    }
}

Instance& of(LV2_Handle handle) { return *static_cast<Instance*>(handle); }

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) { of(handle).connect(port, data); }
void activate(LV2_Handle handle) { of(handle).activate(); }
void run(LV2_Handle handle, std::uint32_t frames) { of(handle).run(frames); }
void cleanup(LV2_Handle handle) { delete &of(handle); }
const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, nullptr, cleanup, extensionData};

}  // namespace
}  // namespace tf::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &tf::lv2::kDescriptor : nullptr;
}
