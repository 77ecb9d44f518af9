// The engine's construction, parameters, program bank and MIDI intake.
#include "vocoder/engine.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/convert.h"
#include "vocoder/steps.h"

namespace {

constexpr std::array<std::int8_t, kNumParams> makeApplyOrder() {
    std::array<std::int8_t, kNumParams> order = {
        kModLevel, kCarLevel, kOutLevel, kO1Freq,  kO2Offset, kO3Offset, kO4Offset,
        kO5Offset, kO6Offset, kO1Level,  kO2Level, kO3Level,  kO4Level,  kO5Level,
        kO6Level,  kSynthVol, kTune,     kWaveform, kOctave,  kFormant,  kFreezeKey,
        kFlatKey,  kFreeze,   kFlat,     kPlayback, kSource,
    };
    for (int band = 0; band < kNumBands; ++band) order[static_cast<std::size_t>(kBand1 + band)] = static_cast<std::int8_t>(kBand1 + band);
    return order;
}

constexpr const char* kInitName = "Init";
constexpr const char* kEmptyName = "Empty";

bool isProgramNumber(int n) { return n >= 0 && n < kNumPrograms; }

}  // namespace

const std::array<std::int8_t, kNumParams> kProgramApplyOrder = makeApplyOrder();

AVocProgram::AVocProgram() : values{}, name{} {
    for (const ParameterInfo& p : kParameters) values[p.slot] = p.defaultValue;
    copyText(name, kEmptyName, sizeof name);
}

VocoderEngine::VocoderEngine(float sampleRate) {
    programs.reset(new (std::nothrow) AVocProgram[kNumPrograms]);
    if (programs) setProgram(0);
    resetFilterState();
    updatePitchTable(sampleRate);
}

VocoderEngine::~VocoderEngine() = default;

void VocoderEngine::setParameter(std::int32_t index, float value) {
    if (!isParamIndex(index)) return;
    const int slot = paramSlot(index);
    if (programs) programs[programNumber].values[slot] = value;
    paramValues[slot] = value;
}

bool VocoderEngine::selectProgram(int program) {
    if (!programs || !isProgramNumber(program)) return false;
    programNumber = program;
    return true;
}

void VocoderEngine::setProgram(int program) {
    if (!selectProgram(program)) return;
    for (int index : kProgramApplyOrder) setParameter(index, programValue(program, index));
}

void VocoderEngine::setProgramName(const char* name) {
    if (programs) copyText(programs[programNumber].name, name, kProgramNameSize);
}

void VocoderEngine::getProgramName(char* text) const {
    if (!programs) return copyText(text, "", kProgramNameSize);
    const char* stored = programs[programNumber].name;
    if (std::strcmp(stored, kInitName) == 0)
        std::snprintf(text, kProgramNameSize, "%s %d", kInitName, programNumber + 1);
    else
        copyText(text, stored, kProgramNameSize);
}

bool VocoderEngine::getProgramNameIndexed(int program, char* text) const {
    if (!programs || !isProgramNumber(program)) return false;
    copyText(text, programs[program].name, kProgramNameSize);
    return true;
}

bool VocoderEngine::copyProgram(int destination) {
    if (!programs || !isProgramNumber(destination)) return false;
    programs[destination] = programs[programNumber];
    return true;
}

void VocoderEngine::receiveMidi(std::int32_t deltaFrames, std::uint8_t statusByte, std::uint8_t byte1,
                                std::uint8_t byte2) {
    const int status = statusByte & kMidiStatusMask;
    const int data1 = static_cast<signed char>(byte1);
    const int data2 = static_cast<signed char>(byte2);
    // At half rate one processed frame spans two host samples.
    const int frame = frameState.halfRate ? deltaFrames / kHalfRateSpan : deltaFrames;

    switch (status) {
    case kMidiNoteOn:
    case kMidiNoteOff:
    case kMidiPitchBend:
        eventQueue.file(frame, status, data1, data2);
        break;
    case kMidiController:
        if (data1 == kCtrlModWheel) {
            eventQueue.file(frame, status, data1, data2);
        } else if (data1 == kCtrlAllVoicesOff) {
            voices.releaseAll();
        } else if (data1 == kCtrlSustain) {
            const float value = data2 >= kSustainOnValue ? 1.0f : 0.0f;
            for (const std::int32_t index : {kFreeze, kFlat}) {
                if (triggerKeyOf(paramValue(index == kFreeze ? kFreezeKey : kFlatKey)) != kKeyMidi64) continue;
                setParameter(index, value);
                if (listener) listener->engineChangedParameter(index, value);
            }
        }
        break;
    default:
        break;
    }
}
