// One period of a live audio server run through the plug-in: the period's
// MIDI handed over at its frames, and a period longer than the plug-in's
// largest block split into blocks it takes. Everything it needs is allocated
// up front, so the audio thread allocates nothing here.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "tools/plugin_host.h"

class PeriodProcessor {
public:
    // MIDI events a period may carry; any beyond are dropped and counted.
    static constexpr std::size_t kMaxEvents = 1024;

    explicit PeriodProcessor(PluginHost& plugin);

    // Audio thread. Takes one MIDI message at a frame of the coming period.
    // Channel messages only; system messages are not for the plug-in.
    void addMidi(std::uint32_t frame, const std::uint8_t* bytes, std::size_t size);
    // Runs the period and forgets its events.
    void run(const float* voice, const float* carrier, float* left, float* right, std::uint32_t frames);

    // Events dropped because a period carried more than kMaxEvents (any thread).
    std::uint64_t droppedEvents() const { return dropped.load(std::memory_order_relaxed); }

private:
    PluginHost& plugin;
    std::array<TimedMidi, kMaxEvents> events{};
    std::size_t count = 0;
    std::atomic<std::uint64_t> dropped{0};
};
