// Drone chords: note names mapped onto the six oscillators as the editor's
// two-octave keyboard maps them.
#pragma once

#include <string>
#include <utility>
#include <vector>

constexpr int kKeyboardKeys = 25;  // two octaves, C to C
constexpr int kNumOscillators = 6;

// Semitones 0..24 above the keyboard's lowest C, in the order given.
struct Chord {
    std::vector<int> keys;
};

// The MIDI note of the keyboard's lowest key for an "Octave" value: C1, C2 or C3.
int keyboardBaseNote(float octaveValue);

// Parses "C3,E3,G3" (letters A-G, optional # or b, octave number; middle C is
// C4). Throws ToolError naming the note and the range for anything else.
Chord parseChord(const std::string& text, float octaveValue);

// Note name for a MIDI note number, such as "C#3".
std::string noteName(int midiNote);

// Parameter values that make the oscillators play the chord: pitch and level of
// each used oscillator, level 0 for the rest.
std::vector<std::pair<int, float>> chordParameters(const Chord& chord, float level);
