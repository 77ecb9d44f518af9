// MIDI intake: files synthesizer events into the per-frame queue; the sustain
// pedal and the all-voices-off controller act at once.
#include "vocoder/avoc.h"

VstInt32 AVoc::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->eventAt(i);
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const int status = static_cast<unsigned char>(midi->midiData[0]) & kMidiStatusMask;
        const int data1 = static_cast<signed char>(midi->midiData[1]);
        const int data2 = static_cast<signed char>(midi->midiData[2]);
        // At half rate one processed frame spans two host samples.
        const int frame = frameState.halfRate ? midi->deltaFrames / kHalfRateSpan : midi->deltaFrames;

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
                if (triggerKeyOf(paramValue(kFreezeKey)) == kKeyMidi64) setParameterAutomated(kFreeze, value);
                if (triggerKeyOf(paramValue(kFlatKey)) == kKeyMidi64) setParameterAutomated(kFlat, value);
            }
            break;
        default:
            break;
        }
    }
    return 1;
}
