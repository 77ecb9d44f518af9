// Level and band meters.
#include "vocoder/meters.h"

#include <array>
#include <bit>
#include <cmath>

namespace {

// Most blocks cannot raise a meter that was raised a few blocks before and has
// hardly fallen since, so the logarithm is taken only where a cheap bound of
// the meter value does not already settle it. A double peak p = m * 2^e with
// m in [1, 2) lies in one of kBins equal slices of [1, 2); log2(p) is below
// e + log2 of the slice's upper end.
constexpr int kBinBits = 8;
constexpr int kBins = 1 << kBinBits;
constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1023;
// Covers the rounding of the bound, the table and std::log many times over.
constexpr double kBoundMargin = 1e-9;
constexpr double kSmallestNormal = 0x1p-1022;

std::array<double, kBins> sliceCeilings() {
    std::array<double, kBins> c{};
    for (int j = 0; j < kBins; ++j) c[std::size_t(j)] = std::log(1.0 + double(j + 1) / kBins) / std::log(2.0);
    return c;
}
const std::array<double, kBins> kLog2SliceCeiling = sliceCeilings();

// False only when meterValue(peak) > meter is certainly false; the exact
// comparison decides every other case (zero, tiny, infinite or NaN peaks,
// NaN meters, and peaks whose value comes near the meter).
bool mayRaise(double peak, float meter) {
    if (!(peak >= kSmallestNormal && peak < INFINITY)) return peak != 0.0;  // 0 gives -inf, which raises nothing
    const auto bits = std::bit_cast<std::uint64_t>(peak);
    const int exponent = int(bits >> kMantissaBits) - kExponentBias;
    const auto slice = std::size_t((bits >> (kMantissaBits - kBinBits)) & (kBins - 1));
    const double bound = kMeterSlope * (double(exponent) + kLog2SliceCeiling[slice]) + 1.0 + kBoundMargin;
    return !(bound <= meter);
}

void raise(Relaxed<float>& meter, Relaxed<std::uint8_t>& fresh, float peak) {
    const float current = meter;  // the editor lowers it meanwhile
    if (!mayRaise(peak, current)) return;
    const double v = meterValue(peak);
    if (v > current) {
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
    for (int i = 0; i < kNumBands; ++i) {
        const double peak = kBandMeterBoost * bandPeak[i + kFirstMeteredBand];
        const float current = bands.bandMeter[i];
        if (!mayRaise(peak, current)) continue;
        const double v = meterValue(peak);
        if (v > current) {
            bands.bandMeter[i] = static_cast<float>(v);
            bands.bandMeterHold[i] = kBandMeterHoldBlocks;
        }
    }
}
