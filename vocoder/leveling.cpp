// Output leveling and interpolation.
#include "vocoder/leveling.h"

#include <algorithm>

#include "vocoder/steps.h"

Leveling::Leveling() { clearRing(); }

void Leveling::clearRing() {
    std::fill(std::begin(vocRing), std::end(vocRing), 0.0f);
    ringFinite = true;
}

void Leveling::clearLevels() {
    carPeak = 0.0f;
    vocPeak = 0.0f;
    gainSmooth1 = {};
    gainSmooth2 = {};
    outputGain = 0.0f;
}

bool Leveling::finite() const {
    const float levels[] = {carPeak, vocPeak, gainSmooth1.pos, gainSmooth1.vel,
                            gainSmooth2.pos, gainSmooth2.vel, outputGain};
    // The ring is scanned only when a non-finite value went in since it was cleared.
    return allFinite(levels) && (ringFinite || allFinite(vocRing));
}
