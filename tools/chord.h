// Drone chords: note names mapped onto the six oscillators as the editor's
// two-octave keyboard maps them.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Semitones 0..24 above the keyboard's lowest C, in the order given.
struct Chord {
    std::vector<int> keys;
};

// Parses "C3,E3,G3" (letters A-G, optional # or b, octave number; middle C is
// C4). Throws ToolError naming the note and the range for anything else.
Chord parseChord(const std::string& text, float octaveValue);

// Parameter values that make the oscillators play the chord: pitch and level of
// each used oscillator, level 0 for the rest.
std::vector<std::pair<int, float>> chordParameters(const Chord& chord, float level);
