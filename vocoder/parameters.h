// Parameter indices, counts and the storage-slot order of parameter values.
#pragma once

#include <array>
#include <cstdint>

enum ParameterIndex : std::int32_t {
    kModLevel = 0,
    kCarLevel,
    kOutLevel,
    kFormant,
    kFreeze,
    kFlat,
    kTune,
    kWaveform,
    kO1Freq,
    kO1Level,
    kO2Offset,
    kO2Level,
    kO3Offset,
    kO3Level,
    kO4Offset,
    kO4Level,
    kO5Offset,
    kO5Level,
    kO6Offset,
    kO6Level,
    kSynthVol,
    kOctave,
    kFreezeKey,
    kFlatKey,
    kPlayback,
    kSource,
    kBand1,
};

constexpr int kNumPrograms = 16;
constexpr int kNumParams = 76;
constexpr int kNumNamedParams = 26;
constexpr int kNumBands = 50;
static_assert(kBand1 == kNumNamedParams && kBand1 + kNumBands == kNumParams);

// paramValues and each program hold the named parameters grouped by function;
// kParamSlot[index] is where parameter `index` lives. Bands keep their index.
constexpr std::array<std::int8_t, kNumNamedParams> kParamSlot = {
    0, 1, 2, 19, 22, 23, 17, 15, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 18, 20, 21, 24, 25,
};

constexpr int paramSlot(int index) { return index < kNumNamedParams ? kParamSlot[static_cast<std::size_t>(index)] : index; }

constexpr bool isParamIndex(std::int32_t index) { return index >= 0 && index < kNumParams; }

// The six oscillators' pitch ("O1 freq", "O2 offset".."O6 offset") and level parameters.
constexpr std::array<std::int32_t, 6> kOscPitchParams = {kO1Freq, kO2Offset, kO3Offset, kO4Offset, kO5Offset, kO6Offset};
constexpr std::array<std::int32_t, 6> kOscLevelParams = {kO1Level, kO2Level, kO3Level, kO4Level, kO5Level, kO6Level};

// Trigger keys for Freeze and Flat, decoded as trunc(6 v + 0.5).
enum TriggerKey : int { kKeyNone = 0, kKeyShift, kKeyAlt, kKeyCtrl, kKeyTab, kKeyMidi64, kNumTriggerKeys };
