#include "plugin/clap/outgoing.h"

namespace tfclap {

void OutgoingChanges::push(Kind kind, std::size_t slot, clap_id id, double value) {
    if (slot >= kSlots) return;
    const std::size_t t = tail.load(std::memory_order_relaxed);
    if (t - head.load(std::memory_order_acquire) < kCapacity) {
        ring[t % kCapacity] = {kind, static_cast<std::uint16_t>(slot), id, value};
        tail.store(t + 1, std::memory_order_release);
        return;
    }
    static constexpr std::uint8_t kBits[] = {kBeginBit, kValueBit, kUnrecordedBit, kEndBit};
    waitingId[slot].store(id, std::memory_order_relaxed);
    if (kind == Kind::kValue || kind == Kind::kValueNotRecorded) waitingValue[slot].store(value, std::memory_order_relaxed);
    waiting[slot].fetch_or(kBits[static_cast<int>(kind)], std::memory_order_release);
}

bool OutgoingChanges::send(const clap_output_events* out, std::uint32_t time, const Change& change) {
    if (change.kind == Kind::kBegin || change.kind == Kind::kEnd) {
        clap_event_param_gesture e{};
        e.header = {sizeof e, time, kCoreEventSpaceId,
                    change.kind == Kind::kBegin ? kEventParamGestureBegin : kEventParamGestureEnd, 0};
        e.param_id = change.id;
        return out->try_push(out, &e.header);
    }
    clap_event_param_value e{};
    e.header = {sizeof e, time, kCoreEventSpaceId, kEventParamValue,
                change.kind == Kind::kValueNotRecorded ? kEventDontRecord : 0u};
    e.param_id = change.id;
    e.note_id = -1;
    e.port_index = -1;
    e.channel = -1;
    e.key = -1;
    e.value = change.value;
    return out->try_push(out, &e.header);
}

void OutgoingChanges::drain(const clap_output_events* out, std::uint32_t time) {
    if (!out) return;
    std::size_t h = head.load(std::memory_order_relaxed);
    const std::size_t t = tail.load(std::memory_order_acquire);
    for (; h != t; ++h) {
        if (!send(out, time, ring[h % kCapacity])) break;
    }
    head.store(h, std::memory_order_release);
    if (h != t) return;  // the host's list is full: the rest waits, in order

    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const std::uint8_t bits = waiting[slot].exchange(0, std::memory_order_acquire);
        if (!bits) continue;
        const auto id = waitingId[slot].load(std::memory_order_relaxed);
        const double value = waitingValue[slot].load(std::memory_order_relaxed);
        const auto s = static_cast<std::uint16_t>(slot);
        if (bits & kBeginBit) send(out, time, {Kind::kBegin, s, id, 0.0});
        if (bits & kValueBit) send(out, time, {Kind::kValue, s, id, value});
        else if (bits & kUnrecordedBit) send(out, time, {Kind::kValueNotRecorded, s, id, value});
        if (bits & kEndBit) send(out, time, {Kind::kEnd, s, id, 0.0});
    }
}

}  // namespace tfclap
