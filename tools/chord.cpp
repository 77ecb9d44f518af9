#include "tools/chord.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "base/convert.h"
#include "tools/error.h"
#include "tools/text.h"
#include "vocoder/talkforge.h"

namespace {

constexpr int kSemitonesPerOctave = 12;
constexpr const ParameterInfo& kOctaveInfo = kParameters[kOctave];


// Semitone of each letter above C.
int letterSemitone(char letter) {
    static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    return kSemitones[letter - 'A'];
}

// MIDI note number of a name, or -1 when it is not a note name.
int parseNote(const std::string& token) {
    if (token.size() < 2) return -1;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
    if (letter < 'A' || letter > 'G') return -1;
    int semitone = letterSemitone(letter);
    std::size_t i = 1;
    if (token[i] == '#') ++semitone, ++i;
    else if (token[i] == 'b') --semitone, ++i;
    const std::string octave = token.substr(i);
    if (octave.empty() || octave.size() > 2) return -1;
    std::size_t digits = octave[0] == '-' ? 1 : 0;
    if (digits == octave.size()) return -1;
    for (; digits < octave.size(); ++digits)
        if (!std::isdigit(static_cast<unsigned char>(octave[digits]))) return -1;
    return (std::atoi(octave.c_str()) + 1) * kSemitonesPerOctave + semitone;
}

// The MIDI note of the keyboard's lowest key for an "Octave" value: C1, C2 or C3,
// the octave decoded as the plug-in decodes it.
int keyboardBaseNote(float octaveValue) {
    return kLowestKeyboardNote + kSemitonesPerOctave * truncClamped(static_cast<float>(kOctaveInfo.steps) * octaveValue,
                                                                     0, kOctaveInfo.steps);
}

// Note name for a MIDI note number, such as "C#3".
std::string noteName(int midiNote) {
    static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int octave = midiNote / kSemitonesPerOctave - 1;
    return kNames[midiNote % kSemitonesPerOctave] + std::to_string(octave);
}

}  // namespace

Chord parseChord(const std::string& text, float octaveValue) {
    const int base = keyboardBaseNote(octaveValue);
    const std::string range = noteName(base) + " to " + noteName(base + kKeyboardKeys - 1);
    Chord chord;
    std::stringstream list(text);
    std::string item;
    std::vector<std::string> names;
    while (std::getline(list, item, ',')) names.push_back(trimmed(item));
    if (text.empty() || text.back() == ',') names.push_back({});
    for (const std::string& name : names) {
        const int note = parseNote(name);
        if (note < 0)
            throw ToolError("--chord: '" + name + "' is not a note name (write notes like C3, F#3 or Bb2, separated by commas)");
        const int key = note - base;
        if (key < 0 || key >= kKeyboardKeys)
            throw ToolError("--chord: note " + name + " is outside the keyboard's range " + range);
        if (std::find(chord.keys.begin(), chord.keys.end(), key) != chord.keys.end())
            throw ToolError("--chord: note " + name + " is given twice");
        chord.keys.push_back(key);
    }
    if (chord.keys.size() > static_cast<std::size_t>(kNumOscillators))
        throw ToolError("--chord: " + std::to_string(chord.keys.size()) + " notes given, but the synthesizer has " +
                        std::to_string(kNumOscillators) + " oscillators");
    return chord;
}

std::vector<std::pair<int, float>> chordParameters(const Chord& chord, float level) {
    std::vector<std::pair<int, float>> values;
    for (std::size_t i = 0; i < static_cast<std::size_t>(kNumOscillators); ++i) {
        if (i < chord.keys.size()) {
            values.emplace_back(kOscPitchParams[i], stepValue(kParameters[kOscPitchParams[i]], chord.keys[i]));
            values.emplace_back(kOscLevelParams[i], level);
        } else {
            values.emplace_back(kOscLevelParams[i], 0.0f);
        }
    }
    return values;
}
