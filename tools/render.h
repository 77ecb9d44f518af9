// The offline render loop: inputs streamed in blocks through the plug-in, MIDI
// delivered sample-accurately, the output written as it comes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/plugin_host.h"

class AudioSource;
class WavWriter;

struct RenderJob {
    AudioSource* voice = nullptr;    // input 1, delivering at the processing rate
    AudioSource* carrier = nullptr;  // input 2; null when the synthesizer plays
    std::vector<TimedMidi> midi;     // in time order
    // The frames the MIDI song runs (its last event, plus one), at most
    // `midiOverrun` frames past the end of the audio inputs.
    std::int64_t midiFrames = 0;
    std::int64_t midiOverrun = 0;
    // Frames of input to render. Without it the render runs to the end of the
    // longest input, shorter ones padded with silence.
    std::optional<std::int64_t> length;
    int blockSize = 512;
    bool compensateLatency = false;
    bool showProgress = false;
};

struct RenderResult {
    std::int64_t frames = 0;
    double peak = 0.0;
    double rms = 0.0;
    double wallSeconds = 0.0;
    bool midiCut = false;  // the song ran on past the audio by more than midiOverrun
};

// Runs the whole job; the plug-in must have been started at its rate and block size.
RenderResult render(PluginHost& plugin, const RenderJob& job, WavWriter& out);
