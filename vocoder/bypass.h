// A bypass for the host forms that offer one: the output fades, without a
// click, between the vocoder's signal and the voice delayed by the vocoder's
// latency, so that switching it moves nothing in time. The vocoder keeps
// running underneath, so that switching back finds it in step with the voice.
#pragma once

#include "vocoder/talkforge.h"

class Bypass {
public:
    static constexpr double kFadeSeconds = 0.02;

    // The delay and the fade length for a host rate; clears the delay line and
    // jumps to the target without a fade. Not while a block runs.
    void setSampleRate(float hostRate);
    // On: the voice; off: the vocoder. Takes effect with a fade from the next block.
    void setBypassed(bool on) { target = on ? 1.0f : 0.0f; }
    bool bypassed() const { return target != 0.0f; }

    // A block, in two halves around the vocoder's processing: takeVoice keeps
    // the block's voice before the vocoder runs (the host's input and output
    // buffers may be the same memory), then apply mixes the delayed voice into
    // both outputs. At most kMaxBlockFrames frames.
    void takeVoice(const float* voice, int frames);
    void apply(float* const* outputs, int frames);

private:
    static constexpr int kRingSize = 1 << 17;  // the longest latency and the longest block
    static constexpr int kRingMask = kRingSize - 1;
    static_assert(kRingSize >= latencyFrames(kHalfRateHostRate) + kMaxBlockFrames);

    float ring[kRingSize] = {};
    int writePos = 0;
    int delay = latencyFrames(0.0);
    float mix = 0.0f;     // 0 the vocoder, 1 the voice
    float target = 0.0f;
    float step = 1.0f;    // change of mix per frame while fading
};
