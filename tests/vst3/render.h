// The same render through the VST 2 module (the project's test host) and
// through the VST 3 bundle (this folder's host): a voice, an external carrier
// or none, parameters set before the first block, and MIDI at its frames.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/vst3/host.h"

namespace vst3test {

struct TimedMessage {
    int frame;
    std::uint8_t status, data1, data2;
};

struct RenderJob {
    double rate = 44100.0;
    int block = 512;
    std::vector<float> voice;
    std::vector<float> carrier;                     // empty: no external carrier
    std::vector<std::pair<int, float>> parameters;  // by index, before the first block
    std::vector<TimedMessage> midi;                 // sorted by frame
};

// Output 1 of the VST 2 module (output 2 must equal it), one block after another.
std::vector<float> renderVst2(const RenderJob& job);

// Output 1 of a started VST 3 instance (output 2 must equal it): parameters
// as changes at offset 0 of the first block, notes as events, pitch bend and
// controllers as changes of the parameters the controller maps them to.
std::vector<float> renderVst3(Instance& instance, const RenderJob& job);

// The largest difference between two signals of the same length (infinity
// when the lengths differ).
double maxDifference(const std::vector<float>& a, const std::vector<float>& b);
double peak(const std::vector<float>& v);

}  // namespace vst3test
