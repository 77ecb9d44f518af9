// Parameter changes the plug-in itself makes on the main thread (the user in
// the editor) on their way to the host, which hears of them only as events
// pushed from process or flush. A ring between the one producing thread and
// whichever thread runs process or flush (never both at once); when the ring
// is full, a change is kept per parameter instead (its gesture's begin, its
// latest value, its end) and follows the ring's content.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "plugin/clap/abi.h"

namespace tfclap {

class OutgoingChanges {
public:
    enum class Kind : std::uint8_t { kBegin, kValue, kValueNotRecorded, kEnd };

    // `slot` numbers the parameter among `kSlots` (any id may travel with it).
    static constexpr std::size_t kSlots = 77;

    // Main thread.
    void push(Kind kind, std::size_t slot, clap_id id, double value);
    // Pushes everything queued to `out` at frame `time`, in the order it was
    // made. What the host's list refuses stays queued. Audio thread (process,
    // flush while active) or main thread (flush while inactive).
    void drain(const clap_output_events* out, std::uint32_t time);

private:
    struct Change {
        Kind kind;
        std::uint16_t slot;
        clap_id id;
        double value;
    };
    static constexpr std::size_t kCapacity = 1024;  // a power of two

    bool send(const clap_output_events* out, std::uint32_t time, const Change& change);

    std::array<Change, kCapacity> ring{};
    std::atomic<std::size_t> head{0};  // next to take
    std::atomic<std::size_t> tail{0};  // next to fill

    // Overflow, per slot: the bits of the kinds waiting, and the latest value.
    static constexpr std::uint8_t kBeginBit = 1, kValueBit = 2, kUnrecordedBit = 4, kEndBit = 8;
    std::array<std::atomic<std::uint8_t>, kSlots> waiting{};
    std::array<std::atomic<double>, kSlots> waitingValue{};
    std::array<std::atomic<clap_id>, kSlots> waitingId{};
};

}  // namespace tfclap
