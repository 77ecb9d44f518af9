#include "resources/presets.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace tf::presets {

namespace {

// A stepped parameter at one of its positions, as the editor writes it: a
// formant shift of -10..10 is position 0..20, an octave of -1..1 position
// 0..2, a tune of -50..50 cents position 0..100, an oscillator's key the
// semitones above the keyboard's lowest C, a waveform or trigger key its
// place in the list, a switch 0 or 1. An unknown symbol gets -1, and
// resolvePreset names it. The table is searched here rather than through
// parameterBySymbol, whose pointer GCC cannot test in a constant expression
// under the sanitizers.
constexpr PresetValue step(std::string_view symbol, int position) {
    for (const ParameterInfo& p : kParameters)
        if (symbol == p.symbol) return {symbol, stepValue(p, position)};
    return {symbol, -1.0f};
}

// The library. Levels and band sliders are written as hosts store them: 0.5
// is unity gain ("Band" sliders: 0 off, 1.0 +12 dB).
constexpr PresetSource kSources[kNumPresets] = {
    {"Robot Chord",
     "The classic robot: every word on one sawtooth chord",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.60f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 12), {"o1_level", 0.33f}, step("o2_offset", 15), {"o2_level", 0.33f},
      step("o3_offset", 19), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.50f}, {"band_2", 0.50f}, {"band_3", 0.50f}, {"band_4", 0.50f}, {"band_5", 0.50f},
      {"band_6", 0.50f}, {"band_7", 0.50f}, {"band_8", 0.50f}, {"band_9", 0.50f}, {"band_10", 0.50f},
      {"band_11", 0.50f}, {"band_12", 0.50f}, {"band_13", 0.50f}, {"band_14", 0.50f}, {"band_15", 0.50f},
      {"band_16", 0.50f}, {"band_17", 0.50f}, {"band_18", 0.50f}, {"band_19", 0.50f}, {"band_20", 0.50f},
      {"band_21", 0.50f}, {"band_22", 0.50f}, {"band_23", 0.50f}, {"band_24", 0.50f}, {"band_25", 0.50f},
      {"band_26", 0.50f}, {"band_27", 0.50f}, {"band_28", 0.50f}, {"band_29", 0.50f}, {"band_30", 0.50f},
      {"band_31", 0.50f}, {"band_32", 0.50f}, {"band_33", 0.50f}, {"band_34", 0.50f}, {"band_35", 0.50f},
      {"band_36", 0.50f}, {"band_37", 0.50f}, {"band_38", 0.50f}, {"band_39", 0.50f}, {"band_40", 0.50f},
      {"band_41", 0.50f}, {"band_42", 0.50f}, {"band_43", 0.50f}, {"band_44", 0.50f}, {"band_45", 0.50f},
      {"band_46", 0.50f}, {"band_47", 0.50f}, {"band_48", 0.50f}, {"band_49", 0.50f}, {"band_50", 0.50f}}}},
    {"Six-Note Choir",
     "A choir of six square-wave voices on a wide C major 7th",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.55f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 1),
      step("o1_freq", 0), {"o1_level", 0.17f}, step("o2_offset", 7), {"o2_level", 0.17f},
      step("o3_offset", 12), {"o3_level", 0.17f}, step("o4_offset", 16), {"o4_level", 0.17f},
      step("o5_offset", 19), {"o5_level", 0.17f}, step("o6_offset", 23), {"o6_level", 0.17f},
      {"synth_vol", 0.00f}, step("octave", 2), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.35f}, {"band_2", 0.36f}, {"band_3", 0.38f}, {"band_4", 0.39f}, {"band_5", 0.41f},
      {"band_6", 0.42f}, {"band_7", 0.44f}, {"band_8", 0.45f}, {"band_9", 0.46f}, {"band_10", 0.47f},
      {"band_11", 0.48f}, {"band_12", 0.48f}, {"band_13", 0.49f}, {"band_14", 0.50f}, {"band_15", 0.51f},
      {"band_16", 0.52f}, {"band_17", 0.53f}, {"band_18", 0.53f}, {"band_19", 0.54f}, {"band_20", 0.55f},
      {"band_21", 0.55f}, {"band_22", 0.55f}, {"band_23", 0.55f}, {"band_24", 0.55f}, {"band_25", 0.55f},
      {"band_26", 0.55f}, {"band_27", 0.55f}, {"band_28", 0.55f}, {"band_29", 0.55f}, {"band_30", 0.55f},
      {"band_31", 0.55f}, {"band_32", 0.55f}, {"band_33", 0.53f}, {"band_34", 0.51f}, {"band_35", 0.49f},
      {"band_36", 0.47f}, {"band_37", 0.45f}, {"band_38", 0.43f}, {"band_39", 0.41f}, {"band_40", 0.39f},
      {"band_41", 0.37f}, {"band_42", 0.35f}, {"band_43", 0.34f}, {"band_44", 0.32f}, {"band_45", 0.31f},
      {"band_46", 0.30f}, {"band_47", 0.29f}, {"band_48", 0.28f}, {"band_49", 0.26f}, {"band_50", 0.25f}}}},
    {"Bright Formant",
     "Formants three bands up: a small, bright voice",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.61f},
      step("formant", 13), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 9), {"o1_level", 0.33f}, step("o2_offset", 12), {"o2_level", 0.33f},
      step("o3_offset", 16), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.30f}, {"band_2", 0.31f}, {"band_3", 0.33f}, {"band_4", 0.34f}, {"band_5", 0.36f},
      {"band_6", 0.37f}, {"band_7", 0.39f}, {"band_8", 0.40f}, {"band_9", 0.41f}, {"band_10", 0.43f},
      {"band_11", 0.44f}, {"band_12", 0.46f}, {"band_13", 0.47f}, {"band_14", 0.49f}, {"band_15", 0.50f},
      {"band_16", 0.51f}, {"band_17", 0.52f}, {"band_18", 0.52f}, {"band_19", 0.53f}, {"band_20", 0.54f},
      {"band_21", 0.55f}, {"band_22", 0.55f}, {"band_23", 0.56f}, {"band_24", 0.57f}, {"band_25", 0.57f},
      {"band_26", 0.58f}, {"band_27", 0.59f}, {"band_28", 0.60f}, {"band_29", 0.60f}, {"band_30", 0.61f},
      {"band_31", 0.62f}, {"band_32", 0.63f}, {"band_33", 0.64f}, {"band_34", 0.64f}, {"band_35", 0.65f},
      {"band_36", 0.66f}, {"band_37", 0.66f}, {"band_38", 0.67f}, {"band_39", 0.68f}, {"band_40", 0.68f},
      {"band_41", 0.69f}, {"band_42", 0.70f}, {"band_43", 0.70f}, {"band_44", 0.71f}, {"band_45", 0.72f},
      {"band_46", 0.72f}, {"band_47", 0.73f}, {"band_48", 0.74f}, {"band_49", 0.74f}, {"band_50", 0.75f}}}},
    {"Dark Formant",
     "Formants three bands down: a big, dark voice",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.64f},
      step("formant", 7), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 0), {"o1_level", 0.33f}, step("o2_offset", 7), {"o2_level", 0.33f},
      step("o3_offset", 15), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 0), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.60f}, {"band_2", 0.59f}, {"band_3", 0.59f}, {"band_4", 0.58f}, {"band_5", 0.58f},
      {"band_6", 0.57f}, {"band_7", 0.57f}, {"band_8", 0.56f}, {"band_9", 0.56f}, {"band_10", 0.55f},
      {"band_11", 0.55f}, {"band_12", 0.54f}, {"band_13", 0.54f}, {"band_14", 0.53f}, {"band_15", 0.53f},
      {"band_16", 0.52f}, {"band_17", 0.52f}, {"band_18", 0.51f}, {"band_19", 0.51f}, {"band_20", 0.50f},
      {"band_21", 0.49f}, {"band_22", 0.47f}, {"band_23", 0.46f}, {"band_24", 0.45f}, {"band_25", 0.43f},
      {"band_26", 0.42f}, {"band_27", 0.41f}, {"band_28", 0.39f}, {"band_29", 0.38f}, {"band_30", 0.37f},
      {"band_31", 0.35f}, {"band_32", 0.34f}, {"band_33", 0.33f}, {"band_34", 0.31f}, {"band_35", 0.30f},
      {"band_36", 0.29f}, {"band_37", 0.28f}, {"band_38", 0.27f}, {"band_39", 0.26f}, {"band_40", 0.25f},
      {"band_41", 0.24f}, {"band_42", 0.23f}, {"band_43", 0.22f}, {"band_44", 0.21f}, {"band_45", 0.20f},
      {"band_46", 0.19f}, {"band_47", 0.18f}, {"band_48", 0.17f}, {"band_49", 0.16f}, {"band_50", 0.15f}}}},
    {"Telephone",
     "A phone line, 300 Hz to 3.4 kHz; the pedal opens it",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.52f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 1),
      step("o1_freq", 12), {"o1_level", 0.33f}, step("o2_offset", 16), {"o2_level", 0.33f},
      step("o3_offset", 19), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 5), step("playback", 0), step("source", 0),
      {"band_1", 0.00f}, {"band_2", 0.00f}, {"band_3", 0.00f}, {"band_4", 0.40f}, {"band_5", 0.42f},
      {"band_6", 0.44f}, {"band_7", 0.46f}, {"band_8", 0.47f}, {"band_9", 0.49f}, {"band_10", 0.51f},
      {"band_11", 0.53f}, {"band_12", 0.55f}, {"band_13", 0.57f}, {"band_14", 0.59f}, {"band_15", 0.61f},
      {"band_16", 0.62f}, {"band_17", 0.64f}, {"band_18", 0.66f}, {"band_19", 0.68f}, {"band_20", 0.70f},
      {"band_21", 0.68f}, {"band_22", 0.67f}, {"band_23", 0.65f}, {"band_24", 0.64f}, {"band_25", 0.62f},
      {"band_26", 0.61f}, {"band_27", 0.59f}, {"band_28", 0.58f}, {"band_29", 0.56f}, {"band_30", 0.55f},
      {"band_31", 0.53f}, {"band_32", 0.52f}, {"band_33", 0.50f}, {"band_34", 0.00f}, {"band_35", 0.00f},
      {"band_36", 0.00f}, {"band_37", 0.00f}, {"band_38", 0.00f}, {"band_39", 0.00f}, {"band_40", 0.00f},
      {"band_41", 0.00f}, {"band_42", 0.00f}, {"band_43", 0.00f}, {"band_44", 0.00f}, {"band_45", 0.00f},
      {"band_46", 0.00f}, {"band_47", 0.00f}, {"band_48", 0.00f}, {"band_49", 0.00f}, {"band_50", 0.00f}}}},
    {"Freeze Pad",
     "A warm pad; the sustain pedal holds the vowel",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.51f},
      step("formant", 9), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 2),
      step("o1_freq", 5), {"o1_level", 0.20f}, step("o2_offset", 12), {"o2_level", 0.20f},
      step("o3_offset", 16), {"o3_level", 0.20f}, step("o4_offset", 19), {"o4_level", 0.20f},
      step("o5_offset", 24), {"o5_level", 0.20f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 5),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.60f}, {"band_2", 0.60f}, {"band_3", 0.60f}, {"band_4", 0.60f}, {"band_5", 0.60f},
      {"band_6", 0.60f}, {"band_7", 0.60f}, {"band_8", 0.60f}, {"band_9", 0.60f}, {"band_10", 0.60f},
      {"band_11", 0.60f}, {"band_12", 0.60f}, {"band_13", 0.58f}, {"band_14", 0.57f}, {"band_15", 0.55f},
      {"band_16", 0.54f}, {"band_17", 0.52f}, {"band_18", 0.51f}, {"band_19", 0.49f}, {"band_20", 0.48f},
      {"band_21", 0.46f}, {"band_22", 0.45f}, {"band_23", 0.43f}, {"band_24", 0.42f}, {"band_25", 0.40f},
      {"band_26", 0.39f}, {"band_27", 0.38f}, {"band_28", 0.37f}, {"band_29", 0.36f}, {"band_30", 0.35f},
      {"band_31", 0.34f}, {"band_32", 0.33f}, {"band_33", 0.32f}, {"band_34", 0.31f}, {"band_35", 0.30f},
      {"band_36", 0.29f}, {"band_37", 0.28f}, {"band_38", 0.27f}, {"band_39", 0.26f}, {"band_40", 0.25f},
      {"band_41", 0.24f}, {"band_42", 0.23f}, {"band_43", 0.22f}, {"band_44", 0.21f}, {"band_45", 0.20f},
      {"band_46", 0.19f}, {"band_47", 0.18f}, {"band_48", 0.17f}, {"band_49", 0.16f}, {"band_50", 0.15f}}}},
    {"MIDI Lead",
     "A bright sawtooth lead played from MIDI",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.45f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 12), {"o1_level", 1.00f}, step("o2_offset", 0), {"o2_level", 0.00f},
      step("o3_offset", 0), {"o3_level", 0.00f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 1), step("source", 0),
      {"band_1", 0.40f}, {"band_2", 0.41f}, {"band_3", 0.42f}, {"band_4", 0.43f}, {"band_5", 0.44f},
      {"band_6", 0.46f}, {"band_7", 0.47f}, {"band_8", 0.48f}, {"band_9", 0.49f}, {"band_10", 0.50f},
      {"band_11", 0.51f}, {"band_12", 0.52f}, {"band_13", 0.53f}, {"band_14", 0.54f}, {"band_15", 0.56f},
      {"band_16", 0.57f}, {"band_17", 0.58f}, {"band_18", 0.59f}, {"band_19", 0.60f}, {"band_20", 0.61f},
      {"band_21", 0.62f}, {"band_22", 0.63f}, {"band_23", 0.64f}, {"band_24", 0.66f}, {"band_25", 0.67f},
      {"band_26", 0.68f}, {"band_27", 0.69f}, {"band_28", 0.70f}, {"band_29", 0.69f}, {"band_30", 0.68f},
      {"band_31", 0.67f}, {"band_32", 0.67f}, {"band_33", 0.66f}, {"band_34", 0.65f}, {"band_35", 0.64f},
      {"band_36", 0.63f}, {"band_37", 0.62f}, {"band_38", 0.62f}, {"band_39", 0.61f}, {"band_40", 0.60f},
      {"band_41", 0.59f}, {"band_42", 0.58f}, {"band_43", 0.57f}, {"band_44", 0.56f}, {"band_45", 0.55f},
      {"band_46", 0.54f}, {"band_47", 0.53f}, {"band_48", 0.52f}, {"band_49", 0.51f}, {"band_50", 0.50f}}}},
    {"Whisper",
     "A thin whisper: a pulse cluster in the top bands",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.59f},
      step("formant", 12), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 3),
      step("o1_freq", 12), {"o1_level", 0.17f}, step("o2_offset", 13), {"o2_level", 0.17f},
      step("o3_offset", 14), {"o3_level", 0.17f}, step("o4_offset", 15), {"o4_level", 0.17f},
      step("o5_offset", 17), {"o5_level", 0.17f}, step("o6_offset", 18), {"o6_level", 0.17f},
      {"synth_vol", 0.00f}, step("octave", 2), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.00f}, {"band_2", 0.00f}, {"band_3", 0.00f}, {"band_4", 0.00f}, {"band_5", 0.00f},
      {"band_6", 0.00f}, {"band_7", 0.00f}, {"band_8", 0.00f}, {"band_9", 0.00f}, {"band_10", 0.00f},
      {"band_11", 0.05f}, {"band_12", 0.10f}, {"band_13", 0.15f}, {"band_14", 0.20f}, {"band_15", 0.25f},
      {"band_16", 0.30f}, {"band_17", 0.35f}, {"band_18", 0.40f}, {"band_19", 0.42f}, {"band_20", 0.43f},
      {"band_21", 0.45f}, {"band_22", 0.47f}, {"band_23", 0.48f}, {"band_24", 0.50f}, {"band_25", 0.52f},
      {"band_26", 0.53f}, {"band_27", 0.55f}, {"band_28", 0.57f}, {"band_29", 0.58f}, {"band_30", 0.60f},
      {"band_31", 0.60f}, {"band_32", 0.61f}, {"band_33", 0.61f}, {"band_34", 0.62f}, {"band_35", 0.62f},
      {"band_36", 0.63f}, {"band_37", 0.64f}, {"band_38", 0.64f}, {"band_39", 0.65f}, {"band_40", 0.65f},
      {"band_41", 0.65f}, {"band_42", 0.66f}, {"band_43", 0.66f}, {"band_44", 0.67f}, {"band_45", 0.67f},
      {"band_46", 0.68f}, {"band_47", 0.68f}, {"band_48", 0.69f}, {"band_49", 0.69f}, {"band_50", 0.70f}}}},
    {"Synth on Input 2",
     "Your synth on input 2 talks, with presence lifted",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.65f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 12), {"o1_level", 0.20f}, step("o2_offset", 15), {"o2_level", 0.20f},
      step("o3_offset", 19), {"o3_level", 0.20f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 1),
      {"band_1", 0.10f}, {"band_2", 0.20f}, {"band_3", 0.30f}, {"band_4", 0.40f}, {"band_5", 0.50f},
      {"band_6", 0.50f}, {"band_7", 0.51f}, {"band_8", 0.51f}, {"band_9", 0.51f}, {"band_10", 0.52f},
      {"band_11", 0.52f}, {"band_12", 0.52f}, {"band_13", 0.53f}, {"band_14", 0.53f}, {"band_15", 0.53f},
      {"band_16", 0.54f}, {"band_17", 0.54f}, {"band_18", 0.54f}, {"band_19", 0.55f}, {"band_20", 0.55f},
      {"band_21", 0.56f}, {"band_22", 0.57f}, {"band_23", 0.58f}, {"band_24", 0.59f}, {"band_25", 0.60f},
      {"band_26", 0.61f}, {"band_27", 0.62f}, {"band_28", 0.63f}, {"band_29", 0.64f}, {"band_30", 0.65f},
      {"band_31", 0.64f}, {"band_32", 0.63f}, {"band_33", 0.62f}, {"band_34", 0.61f}, {"band_35", 0.60f},
      {"band_36", 0.59f}, {"band_37", 0.58f}, {"band_38", 0.57f}, {"band_39", 0.56f}, {"band_40", 0.55f},
      {"band_41", 0.54f}, {"band_42", 0.53f}, {"band_43", 0.52f}, {"band_44", 0.51f}, {"band_45", 0.50f},
      {"band_46", 0.49f}, {"band_47", 0.48f}, {"band_48", 0.47f}, {"band_49", 0.46f}, {"band_50", 0.45f}}}},
    {"Subtle Doubler",
     "A MIDI-played voice doubled by a little dry sawtooth",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.44f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 12), {"o1_level", 1.00f}, step("o2_offset", 0), {"o2_level", 0.00f},
      step("o3_offset", 0), {"o3_level", 0.00f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.12f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 1), step("source", 0),
      {"band_1", 0.45f}, {"band_2", 0.45f}, {"band_3", 0.45f}, {"band_4", 0.46f}, {"band_5", 0.46f},
      {"band_6", 0.46f}, {"band_7", 0.46f}, {"band_8", 0.46f}, {"band_9", 0.47f}, {"band_10", 0.47f},
      {"band_11", 0.47f}, {"band_12", 0.47f}, {"band_13", 0.47f}, {"band_14", 0.48f}, {"band_15", 0.48f},
      {"band_16", 0.48f}, {"band_17", 0.48f}, {"band_18", 0.49f}, {"band_19", 0.49f}, {"band_20", 0.49f},
      {"band_21", 0.49f}, {"band_22", 0.49f}, {"band_23", 0.50f}, {"band_24", 0.50f}, {"band_25", 0.50f},
      {"band_26", 0.50f}, {"band_27", 0.50f}, {"band_28", 0.49f}, {"band_29", 0.49f}, {"band_30", 0.49f},
      {"band_31", 0.49f}, {"band_32", 0.49f}, {"band_33", 0.48f}, {"band_34", 0.48f}, {"band_35", 0.48f},
      {"band_36", 0.48f}, {"band_37", 0.48f}, {"band_38", 0.47f}, {"band_39", 0.47f}, {"band_40", 0.47f},
      {"band_41", 0.47f}, {"band_42", 0.47f}, {"band_43", 0.46f}, {"band_44", 0.46f}, {"band_45", 0.46f},
      {"band_46", 0.46f}, {"band_47", 0.46f}, {"band_48", 0.45f}, {"band_49", 0.45f}, {"band_50", 0.45f}}}},
    {"Monster",
     "Formants seven bands down on a low sawtooth fifth",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.67f},
      step("formant", 3), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 0), {"o1_level", 0.40f}, step("o2_offset", 7), {"o2_level", 0.40f},
      step("o3_offset", 0), {"o3_level", 0.00f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 0), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.70f}, {"band_2", 0.69f}, {"band_3", 0.68f}, {"band_4", 0.67f}, {"band_5", 0.66f},
      {"band_6", 0.65f}, {"band_7", 0.64f}, {"band_8", 0.62f}, {"band_9", 0.61f}, {"band_10", 0.60f},
      {"band_11", 0.59f}, {"band_12", 0.58f}, {"band_13", 0.57f}, {"band_14", 0.56f}, {"band_15", 0.55f},
      {"band_16", 0.54f}, {"band_17", 0.53f}, {"band_18", 0.52f}, {"band_19", 0.51f}, {"band_20", 0.50f},
      {"band_21", 0.49f}, {"band_22", 0.48f}, {"band_23", 0.47f}, {"band_24", 0.46f}, {"band_25", 0.45f},
      {"band_26", 0.44f}, {"band_27", 0.43f}, {"band_28", 0.42f}, {"band_29", 0.41f}, {"band_30", 0.40f},
      {"band_31", 0.40f}, {"band_32", 0.39f}, {"band_33", 0.39f}, {"band_34", 0.38f}, {"band_35", 0.38f},
      {"band_36", 0.37f}, {"band_37", 0.36f}, {"band_38", 0.36f}, {"band_39", 0.35f}, {"band_40", 0.35f},
      {"band_41", 0.35f}, {"band_42", 0.34f}, {"band_43", 0.33f}, {"band_44", 0.33f}, {"band_45", 0.33f},
      {"band_46", 0.32f}, {"band_47", 0.32f}, {"band_48", 0.31f}, {"band_49", 0.30f}, {"band_50", 0.30f}}}},
    {"Helium",
     "Formants seven bands up on a high square-wave chord",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.56f},
      step("formant", 17), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 1),
      step("o1_freq", 12), {"o1_level", 0.33f}, step("o2_offset", 16), {"o2_level", 0.33f},
      step("o3_offset", 19), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 2), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.30f}, {"band_2", 0.31f}, {"band_3", 0.32f}, {"band_4", 0.33f}, {"band_5", 0.34f},
      {"band_6", 0.35f}, {"band_7", 0.36f}, {"band_8", 0.37f}, {"band_9", 0.38f}, {"band_10", 0.39f},
      {"band_11", 0.41f}, {"band_12", 0.42f}, {"band_13", 0.43f}, {"band_14", 0.44f}, {"band_15", 0.45f},
      {"band_16", 0.46f}, {"band_17", 0.47f}, {"band_18", 0.48f}, {"band_19", 0.49f}, {"band_20", 0.50f},
      {"band_21", 0.50f}, {"band_22", 0.51f}, {"band_23", 0.51f}, {"band_24", 0.51f}, {"band_25", 0.52f},
      {"band_26", 0.52f}, {"band_27", 0.52f}, {"band_28", 0.53f}, {"band_29", 0.53f}, {"band_30", 0.53f},
      {"band_31", 0.54f}, {"band_32", 0.54f}, {"band_33", 0.54f}, {"band_34", 0.55f}, {"band_35", 0.55f},
      {"band_36", 0.55f}, {"band_37", 0.56f}, {"band_38", 0.56f}, {"band_39", 0.56f}, {"band_40", 0.57f},
      {"band_41", 0.57f}, {"band_42", 0.57f}, {"band_43", 0.58f}, {"band_44", 0.58f}, {"band_45", 0.58f},
      {"band_46", 0.59f}, {"band_47", 0.59f}, {"band_48", 0.59f}, {"band_49", 0.60f}, {"band_50", 0.60f}}}},
    {"Old Radio",
     "A valve radio: 200 Hz to 4.5 kHz, warm around 1 kHz",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.53f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 2),
      step("o1_freq", 7), {"o1_level", 0.33f}, step("o2_offset", 12), {"o2_level", 0.33f},
      step("o3_offset", 16), {"o3_level", 0.33f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.00f}, {"band_2", 0.30f}, {"band_3", 0.34f}, {"band_4", 0.38f}, {"band_5", 0.42f},
      {"band_6", 0.46f}, {"band_7", 0.50f}, {"band_8", 0.55f}, {"band_9", 0.59f}, {"band_10", 0.63f},
      {"band_11", 0.67f}, {"band_12", 0.71f}, {"band_13", 0.75f}, {"band_14", 0.73f}, {"band_15", 0.71f},
      {"band_16", 0.69f}, {"band_17", 0.67f}, {"band_18", 0.65f}, {"band_19", 0.62f}, {"band_20", 0.60f},
      {"band_21", 0.58f}, {"band_22", 0.56f}, {"band_23", 0.54f}, {"band_24", 0.52f}, {"band_25", 0.50f},
      {"band_26", 0.49f}, {"band_27", 0.47f}, {"band_28", 0.46f}, {"band_29", 0.45f}, {"band_30", 0.43f},
      {"band_31", 0.42f}, {"band_32", 0.41f}, {"band_33", 0.39f}, {"band_34", 0.38f}, {"band_35", 0.37f},
      {"band_36", 0.35f}, {"band_37", 0.34f}, {"band_38", 0.33f}, {"band_39", 0.31f}, {"band_40", 0.30f},
      {"band_41", 0.15f}, {"band_42", 0.00f}, {"band_43", 0.00f}, {"band_44", 0.00f}, {"band_45", 0.00f},
      {"band_46", 0.00f}, {"band_47", 0.00f}, {"band_48", 0.00f}, {"band_49", 0.00f}, {"band_50", 0.00f}}}},
    {"Metal Comb",
     "Every other band silenced: a ringing, metallic voice",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.47f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 1),
      step("o1_freq", 12), {"o1_level", 0.25f}, step("o2_offset", 14), {"o2_level", 0.25f},
      step("o3_offset", 19), {"o3_level", 0.25f}, step("o4_offset", 21), {"o4_level", 0.25f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.80f}, {"band_2", 0.00f}, {"band_3", 0.80f}, {"band_4", 0.00f}, {"band_5", 0.80f},
      {"band_6", 0.00f}, {"band_7", 0.80f}, {"band_8", 0.00f}, {"band_9", 0.80f}, {"band_10", 0.00f},
      {"band_11", 0.80f}, {"band_12", 0.00f}, {"band_13", 0.80f}, {"band_14", 0.00f}, {"band_15", 0.80f},
      {"band_16", 0.00f}, {"band_17", 0.80f}, {"band_18", 0.00f}, {"band_19", 0.80f}, {"band_20", 0.00f},
      {"band_21", 0.80f}, {"band_22", 0.00f}, {"band_23", 0.80f}, {"band_24", 0.00f}, {"band_25", 0.80f},
      {"band_26", 0.00f}, {"band_27", 0.80f}, {"band_28", 0.00f}, {"band_29", 0.80f}, {"band_30", 0.00f},
      {"band_31", 0.80f}, {"band_32", 0.00f}, {"band_33", 0.80f}, {"band_34", 0.00f}, {"band_35", 0.80f},
      {"band_36", 0.00f}, {"band_37", 0.80f}, {"band_38", 0.00f}, {"band_39", 0.80f}, {"band_40", 0.00f},
      {"band_41", 0.80f}, {"band_42", 0.00f}, {"band_43", 0.80f}, {"band_44", 0.00f}, {"band_45", 0.80f},
      {"band_46", 0.00f}, {"band_47", 0.80f}, {"band_48", 0.00f}, {"band_49", 0.80f}, {"band_50", 0.00f}}}},
    {"Power Fifths",
     "Stacked square-wave fifths, the upper mids pushed",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.62f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 1),
      step("o1_freq", 0), {"o1_level", 0.17f}, step("o2_offset", 7), {"o2_level", 0.17f},
      step("o3_offset", 12), {"o3_level", 0.17f}, step("o4_offset", 19), {"o4_level", 0.17f},
      step("o5_offset", 24), {"o5_level", 0.17f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 1), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 0), step("source", 0),
      {"band_1", 0.45f}, {"band_2", 0.45f}, {"band_3", 0.46f}, {"band_4", 0.46f}, {"band_5", 0.46f},
      {"band_6", 0.47f}, {"band_7", 0.47f}, {"band_8", 0.47f}, {"band_9", 0.48f}, {"band_10", 0.48f},
      {"band_11", 0.49f}, {"band_12", 0.49f}, {"band_13", 0.49f}, {"band_14", 0.50f}, {"band_15", 0.50f},
      {"band_16", 0.53f}, {"band_17", 0.56f}, {"band_18", 0.59f}, {"band_19", 0.62f}, {"band_20", 0.65f},
      {"band_21", 0.68f}, {"band_22", 0.71f}, {"band_23", 0.74f}, {"band_24", 0.77f}, {"band_25", 0.80f},
      {"band_26", 0.79f}, {"band_27", 0.78f}, {"band_28", 0.76f}, {"band_29", 0.75f}, {"band_30", 0.74f},
      {"band_31", 0.72f}, {"band_32", 0.71f}, {"band_33", 0.70f}, {"band_34", 0.68f}, {"band_35", 0.66f},
      {"band_36", 0.64f}, {"band_37", 0.62f}, {"band_38", 0.60f}, {"band_39", 0.58f}, {"band_40", 0.56f},
      {"band_41", 0.54f}, {"band_42", 0.51f}, {"band_43", 0.49f}, {"band_44", 0.47f}, {"band_45", 0.45f},
      {"band_46", 0.43f}, {"band_47", 0.41f}, {"band_48", 0.39f}, {"band_49", 0.37f}, {"band_50", 0.35f}}}},
    {"MIDI Bass",
     "A talking bass played from MIDI an octave down",
     {{{"mod_level", 0.50f}, {"car_level", 0.50f}, {"out_level", 0.40f},
      step("formant", 10), step("freeze", 0), step("flat", 0), step("tune", 50), step("waveform", 0),
      step("o1_freq", 12), {"o1_level", 1.00f}, step("o2_offset", 0), {"o2_level", 0.00f},
      step("o3_offset", 0), {"o3_level", 0.00f}, step("o4_offset", 0), {"o4_level", 0.00f},
      step("o5_offset", 0), {"o5_level", 0.00f}, step("o6_offset", 0), {"o6_level", 0.00f},
      {"synth_vol", 0.00f}, step("octave", 0), step("freeze_key", 0),
      step("flat_key", 0), step("playback", 1), step("source", 0),
      {"band_1", 0.90f}, {"band_2", 0.88f}, {"band_3", 0.86f}, {"band_4", 0.84f}, {"band_5", 0.81f},
      {"band_6", 0.79f}, {"band_7", 0.77f}, {"band_8", 0.75f}, {"band_9", 0.72f}, {"band_10", 0.70f},
      {"band_11", 0.68f}, {"band_12", 0.65f}, {"band_13", 0.62f}, {"band_14", 0.60f}, {"band_15", 0.57f},
      {"band_16", 0.55f}, {"band_17", 0.53f}, {"band_18", 0.50f}, {"band_19", 0.49f}, {"band_20", 0.47f},
      {"band_21", 0.46f}, {"band_22", 0.45f}, {"band_23", 0.44f}, {"band_24", 0.42f}, {"band_25", 0.41f},
      {"band_26", 0.40f}, {"band_27", 0.39f}, {"band_28", 0.38f}, {"band_29", 0.36f}, {"band_30", 0.35f},
      {"band_31", 0.35f}, {"band_32", 0.34f}, {"band_33", 0.34f}, {"band_34", 0.34f}, {"band_35", 0.34f},
      {"band_36", 0.33f}, {"band_37", 0.33f}, {"band_38", 0.33f}, {"band_39", 0.33f}, {"band_40", 0.32f},
      {"band_41", 0.32f}, {"band_42", 0.32f}, {"band_43", 0.32f}, {"band_44", 0.32f}, {"band_45", 0.31f},
      {"band_46", 0.31f}, {"band_47", 0.31f}, {"band_48", 0.30f}, {"band_49", 0.30f}, {"band_50", 0.30f}}}},
};

std::string quoted(std::string_view s) {
    std::string text = "'";
    return text.append(s).append("'");
}

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(v));
    return text;
}

bool isStep(const ParameterInfo& p, float v) {
    for (int position = 0; position <= p.steps; ++position)
        if (v == stepValue(p, position)) return true;
    return false;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::array<Preset, kNumPresets> resolveLibrary() {
    std::array<Preset, kNumPresets> library;
    for (std::size_t i = 0; i < library.size(); ++i) {
        library[i] = resolvePreset(kSources[i]);
        for (std::size_t j = 0; j < i; ++j)
            if (sameName(library[j].name, library[i].name))
                throw std::invalid_argument("preset " + quoted(library[i].name) + " is in the library twice");
    }
    return library;
}

}  // namespace

std::span<const PresetSource> presetSources() { return kSources; }

Preset resolvePreset(const PresetSource& source) {
    const std::string where = "preset " + quoted(source.name) + ": ";
    if (source.name.empty() || source.name.size() > kNameChars)
        throw std::invalid_argument(where + "a program name holds 1 to " + std::to_string(kNameChars) + " characters");
    if (source.description.empty() || source.description.find('\n') != std::string_view::npos)
        throw std::invalid_argument(where + "the description must be one line");
    Preset preset{source.name, source.description, {}};
    std::array<bool, kNumParams> given{};
    for (const PresetValue& v : source.values) {
        if (v.symbol.empty()) continue;  // an entry left unwritten: the check below names what is missing
        const ParameterInfo* p = parameterBySymbol(v.symbol);
        if (!p) throw std::invalid_argument(where + "no parameter has the symbol " + quoted(v.symbol));
        const auto index = static_cast<std::size_t>(p->index);
        if (given[index]) throw std::invalid_argument(where + quoted(v.symbol) + " is given twice");
        if (!(v.value >= 0.0f && v.value <= 1.0f))
            throw std::invalid_argument(where + quoted(v.symbol) + " is " + number(v.value) + ", outside 0 to 1");
        if (p->steps > 0 && !isStep(*p, v.value))
            throw std::invalid_argument(where + quoted(v.symbol) + " is " + number(v.value) + ", not one of its " +
                                        std::to_string(p->steps + 1) + " steps");
        given[index] = true;
        preset.values[index] = v.value;
    }
    for (const ParameterInfo& p : kParameters)
        if (!given[static_cast<std::size_t>(p.index)])
            throw std::invalid_argument(where + "no value for " + quoted(p.symbol));
    return preset;
}

std::span<const Preset> presets() {
    static const std::array<Preset, kNumPresets> library = resolveLibrary();
    return library;
}

const Preset* findPreset(std::string_view name) {
    for (const Preset& p : presets())
        if (sameName(p.name, name)) return &p;
    return nullptr;
}

}  // namespace tf::presets
