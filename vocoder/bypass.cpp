#include "vocoder/bypass.h"

#include <algorithm>
#include <cmath>
#include <limits>

void Bypass::setSampleRate(float hostRate) {
    std::fill(std::begin(ring), std::end(ring), 0.0f);
    delay = latencyFrames(hostRate);
    const double fadeFrames = std::isfinite(hostRate) && hostRate > 0.0f ? hostRate * kFadeSeconds : 1.0;
    step = static_cast<float>(1.0 / std::max(1.0, fadeFrames));
    mix = target;
}

void Bypass::takeVoice(const float* voice, int frames) {
    // In at most two runs of the ring, each a plain loop that vectorises: the
    // copy runs on every block, bypassed or not.
    int at = writePos;
    for (int done = 0; done < frames;) {
        const int run = std::min(frames - done, kRingSize - at);
        float* to = ring + at;
        const float* from = voice + done;
        for (int n = 0; n < run; ++n) to[n] = std::fabs(from[n]) <= std::numeric_limits<float>::max() ? from[n] : 0.0f;
        done += run;
        at = 0;
    }
}

void Bypass::apply(float* const* outputs, int frames) {
    if (mix == 0.0f && target == 0.0f) {  // the vocoder alone
        writePos = (writePos + frames) & kRingMask;
        return;
    }
    for (int n = 0; n < frames; ++n) {
        mix = mix < target ? std::min(target, mix + step) : std::max(target, mix - step);
        const float voice = ring[(writePos + n - delay) & kRingMask];
        const float out = (1.0f - mix) * outputs[0][n] + mix * voice;  // exactly either at the ends
        outputs[0][n] = out;
        outputs[1][n] = out;
    }
    writePos = (writePos + frames) & kRingMask;
}
