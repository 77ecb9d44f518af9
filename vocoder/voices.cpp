// MIDI voices, pitch bend and vibrato.
#include "vocoder/voices.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "vocoder/steps.h"

Voices::Voices() {
    releaseAll();
    for (int i = 0; i < kVibratoTableSize; ++i) {
        const double angle = std::numbers::pi * i / (kVibratoTableSize / 2);
        vibratoTable[i] = static_cast<int>(kVibratoAmplitude * std::cos(angle));
    }
}

void Voices::releaseAll() {
    std::fill(std::begin(voiceNote), std::end(voiceNote), 0);
    std::fill(std::begin(voiceGate), std::end(voiceGate), 0);
    nextVoice = 0;
}

void Voices::noteOn(int note, int velocity) {
    // Round robin from nextVoice, skipping sounding voices; with all six
    // sounding, the starting voice is taken over.
    int v = nextVoice;
    for (int steps = 0; voiceGate[v] != 0 && steps < kNumOscillators; ++steps) {
        v = (v + 1) % kNumOscillators;
        nextVoice = v;
    }
    voiceNote[v] = note;
    voiceGate[v] = velocity;
    nextVoice = (v + 1) % kNumOscillators;
}

void Voices::noteOff(int note) {
    for (int k = 0; k < kNumOscillators; ++k) {
        if (voiceNote[k] == note) voiceGate[k] = 0;
    }
}

void Voices::handle(int status, int data1, int data2, bool playback) {
    switch (status) {
    case kMidiNoteOn:
    case kMidiNoteOff: {
        const int note = std::max(0, (data1 & kMidiDataMask) - kVoiceNoteOffset);
        const int velocity = data2 & kMidiDataMask;
        if (status == kMidiNoteOn && velocity != 0) {
            noteOn(note, velocity);
        } else {
            noteOff(note);
        }
        break;
    }
    case kMidiPitchBend: {
        const int value = ((data2 & kMidiDataMask) << kMidiDataBits) + (data1 & kMidiDataMask);
        const int divisor = kBendCenter / (bendRange * kCentsPerSemitone);
        bendTarget = static_cast<float>(value - kBendCenter) / static_cast<float>(divisor) + kDenormalOffset;
        if (!playback) bendCurrent = bendTarget;
        break;
    }
    case kMidiController:
        if (data1 == kCtrlModWheel) modWheel = data2;
        break;
    default:
        break;
    }
}

void Voices::setOscillators(Oscillators& osc, int base) const {
    for (int k = 0; k < kNumOscillators; ++k) {
        osc.inc[k] = osc.increment(kCentsPerSemitone * voiceNote[k] + base);
        osc.target[k] = voiceGate[k] != 0 ? 1.0f : kDenormalOffset;
    }
}

void Voices::control(Oscillators& osc, int octaveStep, int tuneStep) { setOscillators(osc, glide(octaveStep, tuneStep)); }
