#include "tools/live_period.h"

#include <algorithm>
#include <span>

#include "vocoder/talkforge.h"

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kSystemMessages = 0xF0;
constexpr std::uint8_t kKindMask = 0xF0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;

// The bytes of a channel message with this status, or 0 for anything else.
std::size_t channelMessageSize(std::uint8_t status) {
    if (!(status & kStatusBit) || status >= kSystemMessages) return 0;
    const std::uint8_t kind = status & kKindMask;
    return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
}

}  // namespace

PeriodProcessor::PeriodProcessor(PluginHost& host) : plugin(host) { plugin.reserveEvents(kMaxEvents); }

void PeriodProcessor::addMidi(std::uint32_t frame, const std::uint8_t* bytes, std::size_t size) {
    const std::size_t needed = size > 0 ? channelMessageSize(bytes[0]) : 0;
    if (needed == 0 || size < needed) return;
    if (count == kMaxEvents) {
        dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    TimedMidi& e = events[count++];
    e.frame = frame;
    std::fill(std::begin(e.bytes), std::end(e.bytes), std::uint8_t{0});
    std::copy_n(bytes, needed, e.bytes);
}

void PeriodProcessor::run(const float* voice, const float* carrier, float* left, float* right, std::uint32_t frames) {
    // The server hands the events over in time order.
    const TimedMidi* next = events.data();
    const TimedMidi* const end = events.data() + count;
    for (std::uint32_t at = 0; at < frames;) {
        const auto n = std::min<std::uint32_t>(frames - at, kMaxBlockFrames);
        const TimedMidi* first = next;
        while (next != end && next->frame < at + n) ++next;
        plugin.sendEvents(std::span(first, next), at);
        float* inputs[kNumInputs] = {const_cast<float*>(voice + at), const_cast<float*>(carrier + at)};
        float* outputs[kNumOutputs] = {left + at, right + at};
        plugin.process(inputs, outputs, static_cast<int>(n));
        at += n;
    }
    count = 0;
}
