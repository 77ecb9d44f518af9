#include "vocoder/bypass.h"

#include <algorithm>
#include <cmath>

void Bypass::setSampleRate(float hostRate) {
    std::fill(std::begin(ring), std::end(ring), 0.0f);
    delay = latencyFrames(hostRate);
    const double fadeFrames = std::isfinite(hostRate) && hostRate > 0.0f ? hostRate * kFadeSeconds : 1.0;
    step = static_cast<float>(1.0 / std::max(1.0, fadeFrames));
    mix = target;
}

void Bypass::takeVoice(const float* voice, int frames) {
    for (int n = 0; n < frames; ++n) {
        const float v = voice[n];
        ring[(writePos + n) & kRingMask] = std::isfinite(v) ? v : 0.0f;
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
