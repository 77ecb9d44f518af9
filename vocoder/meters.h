// Level and band meters published at the end of each block. The signal path
// only ever raises a value; holding and falling back belong to the reader.
#pragma once

#include <cstdint>

#include "base/relaxed.h"
#include "vocoder/filterbank.h"

inline constexpr double kMeterSlope = 0.15;      // meter units per halving of the peak
inline constexpr double kBandMeterBoost = 3.0;   // band levels read 3x hotter
inline constexpr int kBandMeterHoldBlocks = 3;
inline constexpr int kFirstMeteredBand = kFirstSliderBand;  // band meter i shows the band slider i controls

// The three level meters, owned by whoever displays them (the editor). Each
// field is written with one store; the reader lowers values and clears flags
// on its own thread.
struct LevelMeterRecord {
    Relaxed<float> modMeter = 0.0f;
    Relaxed<float> carMeter = 0.0f;
    Relaxed<float> outMeter = 0.0f;
    Relaxed<std::uint8_t> modMeterFresh = 0;
    Relaxed<std::uint8_t> carMeterFresh = 0;
    Relaxed<std::uint8_t> outMeterFresh = 0;
};

// Band meters and their hold counters; entries 0..49 are used. Shared as the
// level meters are.
struct BandMeterRecord {
    Relaxed<float> bandMeter[kNumFilterBands] = {};
    Relaxed<int> bandMeterHold[kNumFilterBands] = {};
};

// The largest absolute values of one block.
struct BlockPeaks {
    float mod = 0.0f;
    float car = 0.0f;
    float out = 0.0f;
};

// 1.0 at full scale, 0.15 less per halving; minus infinity for 0.
double meterValue(double peak);

// Raises the meters from one block's peaks; bandPeak holds the peaks of the 54 filter bands.
void publishMeters(LevelMeterRecord& levels, BandMeterRecord& bands, const BlockPeaks& peaks, const float* bandPeak);
