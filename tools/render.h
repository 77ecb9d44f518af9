// The offline render loop: inputs in blocks through the plug-in, MIDI delivered
// sample-accurately, the output written as it comes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/plugin_host.h"

class WavWriter;

struct RenderJob {
    std::vector<float> voice;       // input 1, at the processing rate
    std::vector<float> carrier;     // input 2; empty when the synthesizer plays
    std::vector<TimedMidi> midi;    // in time order
    std::int64_t inputFrames = 0;   // the longest input; shorter ones are padded
    int blockSize = 512;
    bool compensateLatency = false;
    bool showProgress = false;
};

struct RenderResult {
    std::int64_t frames = 0;
    double peak = 0.0;
    double rms = 0.0;
    double wallSeconds = 0.0;
};

// Runs the whole job; the plug-in must have been started at its rate and block size.
RenderResult render(PluginHost& plugin, const RenderJob& job, WavWriter& out);
