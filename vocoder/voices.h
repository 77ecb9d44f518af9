// The six MIDI voices of playback mode: note assignment, pitch bend with glide,
// and mod-wheel vibrato. They turn queued events into increments and amplitude
// targets for the oscillators.
#pragma once

#include "vocoder/eventqueue.h"
#include "vocoder/oscillators.h"

// MIDI status bytes with the channel removed.
enum MidiStatus : int { kMidiNoteOff = 0x80, kMidiNoteOn = 0x90, kMidiController = 0xB0, kMidiPitchBend = 0xE0 };
inline constexpr int kMidiStatusMask = 0xF0;  // the status without the channel
inline constexpr int kMidiDataMask = 0x7F;
inline constexpr int kMidiDataBits = 7;
inline constexpr int kCtrlModWheel = 1;
inline constexpr int kCtrlSustain = 64;
inline constexpr int kCtrlAllVoicesOff = 126;
inline constexpr int kSustainOnValue = 64;

inline constexpr int kVoiceNoteOffset = 12;  // voice note = MIDI note - 12
inline constexpr int kPlaybackBase = 200;    // pitch index = 100 note + 200 + 1200 J + 2 T + bend + vibrato
inline constexpr int kBendCenter = 8192;
inline constexpr int kDefaultBendRange = 2;  // semitones
inline constexpr float kBendGlide = 0.001953125f;  // 1/512 per frame
inline constexpr int kVibratoTableSize = 1024;
inline constexpr int kVibratoAmplitude = 32;
inline constexpr int kVibratoPhaseMask = 0x1FFF;  // one cycle: 8192 processed frames
inline constexpr int kVibratoPhaseDivider = (kVibratoPhaseMask + 1) / kVibratoTableSize;
inline constexpr int kModWheelDeadZone = 8;
inline constexpr int kVibratoDivisor = 120;

struct Voices {
    Voices();

    int voiceNote[kNumOscillators];
    int voiceGate[kNumOscillators];  // 0 released, else the note-on velocity
    int nextVoice = 0;
    int bendRange = kDefaultBendRange;
    float bendTarget = 0.0f;   // cents
    float bendCurrent = 0.0f;  // cents
    int modWheel = 0;
    int vibratoTable[kVibratoTableSize];
    int vibratoPhase = 0;
    int vibratoCents = 0;

    // One queued event (status without channel; 0 for none). `playback`: whether
    // the bend glides (playback mode) or jumps.
    void handle(int status, int data1, int data2, bool playback);

    // Handles the event in a slot of the queue, if any, and frees the slot
    // (its data2 stays as it was).
    void handleSlot(EventQueue& queue, int bank, int index, bool playback) {
        int& status = queue.eventStatus[bank][index];
        if (status == 0) return;
        int& data1 = queue.eventData1[bank][index];
        handle(status, data1, queue.eventData2[bank][index], playback);
        status = 0;
        data1 = 0;
    }

    // Releases every voice at once.
    void releaseAll();

    // Playback mode, once per processed frame: glide, vibrato, and the six
    // increments and targets written into `osc`.
    void control(Oscillators& osc, int octaveStep, int tuneStep);
    // The two halves of control: the bend glide and vibrato step, which return
    // the pitch index of voice note 0, and the increments and targets for it.
    int glide(int octaveStep, int tuneStep) {
        return glideStep(bendCurrent, vibratoPhase, vibratoCents, bendTarget, modWheel, octaveStep, tuneStep);
    }
    // As `count` calls of glide, their results into bases; the state stays in
    // locals over the calls.
    void glideRun(int octaveStep, int tuneStep, int* bases, int count) {
        float current = bendCurrent;
        int phase = vibratoPhase;
        int cents = vibratoCents;
        const float target = bendTarget;
        const int wheel = modWheel;
        for (int i = 0; i < count; ++i) bases[i] = glideStep(current, phase, cents, target, wheel, octaveStep, tuneStep);
        bendCurrent = current;
        vibratoPhase = phase;
        vibratoCents = cents;
    }
    void setOscillators(Oscillators& osc, int base) const;

private:
    int glideStep(float& current, int& phase, int& cents, float target, int wheel, int octaveStep, int tuneStep) const {
        if (current != target) current = current + (target - current) * kBendGlide;
        if (wheel > kModWheelDeadZone) {
            cents = ((wheel - kModWheelDeadZone) * vibratoTable[phase / kVibratoPhaseDivider]) / kVibratoDivisor;
            phase = (phase + 1) & kVibratoPhaseMask;
        } else {
            cents = 0;
        }
        const int bend = static_cast<int>(current);  // bendCurrent stays within the bend range
        return kPlaybackBase + kCentsPerOctave * octaveStep + kTuneCentsPerStep * tuneStep + bend + cents;
    }

    void noteOn(int note, int velocity);
    void noteOff(int note);
};
