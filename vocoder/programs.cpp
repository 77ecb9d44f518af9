// The program bank: 16 programs in memory, the current one edited in place.
#include <array>
#include <cstdio>
#include <cstring>

#include "base/convert.h"
#include "vocoder/avoc.h"

namespace {
// The order in which a program's values are applied.
constexpr std::array<std::int8_t, kNumNamedParams> kApplyOrder = {
    kModLevel, kCarLevel, kOutLevel, kO1Freq,  kO2Offset, kO3Offset, kO4Offset,
    kO5Offset, kO6Offset, kO1Level,  kO2Level, kO3Level,  kO4Level,  kO5Level,
    kO6Level,  kSynthVol, kTune,     kWaveform, kOctave,  kFormant,  kFreezeKey,
    kFlatKey,  kFreeze,   kFlat,     kPlayback, kSource,
};

constexpr const char* kInitName = "Init";

bool isProgramNumber(VstInt32 n) { return n >= 0 && n < kNumPrograms; }
}  // namespace

AVocProgram::AVocProgram() : values{}, name{} {
    for (int index = 0; index < kNumParams; ++index) values[paramSlot(index)] = 0.0f;
    for (int index : {kModLevel, kCarLevel, kOutLevel, kTune, kOctave, kFormant})
        values[paramSlot(index)] = 0.5f;
    for (int band = 0; band < kNumBands; ++band) values[kBand1 + band] = 0.5f;
    copyText(name, "Empty", sizeof name);
}

void AVoc::setProgram(VstInt32 program) {
    if (!programs || !isProgramNumber(program)) return;
    curProgram = program;
    const AVocProgram& p = programs[program];
    for (int index : kApplyOrder) setParameter(index, p.values[paramSlot(index)]);
    for (int index = kBand1; index < kNumParams; ++index) setParameter(index, p.values[index]);
}

void AVoc::setProgramName(char* name) {
    if (programs) copyText(programs[curProgram].name, name, sizeof programs[curProgram].name);
}

void AVoc::getProgramName(char* name) {
    if (!programs) return copyText(name, "", kVstMaxProgNameLen);
    const char* stored = programs[curProgram].name;
    if (std::strcmp(stored, kInitName) == 0)
        std::snprintf(name, kVstMaxProgNameLen, "%s %d", kInitName, static_cast<int>(curProgram + 1));
    else
        copyText(name, stored, kVstMaxProgNameLen);
}

bool AVoc::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!programs || !isProgramNumber(index)) return false;
    copyText(text, programs[index].name, kVstMaxProgNameLen);
    return true;
}

bool AVoc::copyProgram(VstInt32 destination) {
    if (!programs || !isProgramNumber(destination)) return false;
    programs[destination] = programs[curProgram];
    return true;
}
