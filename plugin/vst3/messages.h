// What processor and controller tell each other. They share nothing else:
// hosts may run them apart, so every message is self-contained.
#pragma once

#include <cstdint>
#include <cstring>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/object.h"
#include "vocoder/meters.h"

namespace tf::vst3plugin {

// Controller to processor: the editor shows the meters ("on" 1) or no longer
// does ("on" 0); the processor's engine measures them only in between.
inline constexpr const char* kMetersMessage = "Talkforge.meters";
inline constexpr const char* kMetersOnAttribute = "on";
// Controller to processor, from the editor's timer: send what the meters saw.
inline constexpr const char* kMeterRequestMessage = "Talkforge.meterRequest";
// Processor to controller, the answer: the peaks since the last answer.
inline constexpr const char* kMeterValuesMessage = "Talkforge.meterValues";
inline constexpr const char* kMeterValuesAttribute = "values";
// Processor to controller: the latency changed with the rate (the controller
// tells the host, through its component handler).
inline constexpr const char* kLatencyMessage = "Talkforge.latency";
inline constexpr const char* kLatencyAttribute = "samples";

// The meters as they travel: raised since the last answer.
struct MeterValues {
    float level[3];  // voice, carrier, output
    std::uint8_t fresh[3];
    float band[kNumBands];
};

// Sends a message with one attribute (set by `fill`) to `peer` through a
// message the host makes. UI thread. False when there is no peer or no host.
template <class Fill>
bool sendMessage(vst3::IHostApplication* host, vst3::IConnectionPoint* peer, const char* id, Fill fill) {
    if (!host || !peer) return false;
    void* obj = nullptr;
    vst3::Uid messageId = vst3::IMessage::iid;
    if (host->createInstance(messageId.bytes, messageId.bytes, &obj) != vst3::kResultOk || !obj) return false;
    auto message = vst3::Ref<vst3::IMessage>::adopt(static_cast<vst3::IMessage*>(obj));
    message->setMessageID(id);
    vst3::IAttributeList* attributes = message->getAttributes();
    if (!attributes) return false;
    fill(*attributes);
    return peer->notify(message.get()) == vst3::kResultOk;
}

// Whether `message` has this id.
inline bool isMessage(vst3::IMessage* message, const char* id) {
    const char* own = message ? message->getMessageID() : nullptr;
    return own && std::strcmp(own, id) == 0;
}

}  // namespace tf::vst3plugin
