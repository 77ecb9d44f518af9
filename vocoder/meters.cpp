// Level and band meters.
#include "vocoder/meters.h"

#include <cmath>

namespace {

void raise(float& meter, std::uint8_t& fresh, float peak) {
    const double v = meterValue(peak);
    if (v > meter) {
        meter = static_cast<float>(v);
        fresh = 1;
    }
}

}  // namespace

double meterValue(double peak) { return kMeterSlope * std::log(peak) / std::log(2.0) + 1.0; }

void publishMeters(LevelMeterRecord& levels, BandMeterRecord& bands, const BlockPeaks& peaks, const float* bandPeak) {
    raise(levels.modMeter, levels.modMeterFresh, peaks.mod);
    raise(levels.carMeter, levels.carMeterFresh, peaks.car);
    raise(levels.outMeter, levels.outMeterFresh, peaks.out);
    for (int i = 0; i < kNumBandMeters; ++i) {
        const double v = meterValue(kBandMeterBoost * bandPeak[i + kFirstMeteredBand]);
        if (v > bands.bandMeter[i]) {
            bands.bandMeter[i] = static_cast<float>(v);
            bands.bandMeterHold[i] = kBandMeterHoldBlocks;
        }
    }
}
