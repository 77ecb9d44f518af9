// The editor's map: the tags of its own controls, every control in the order
// the editor adds them, at the rectangle the artwork is drawn around, and the
// Freeze and Flat keys.
#pragma once

#include <array>
#include <cstdint>

#include "gui/geometry.h"
#include "gui/platform/platform.h"
#include "resources/layout.h"
#include "vocoder/talkforge.h"

// Tags of the controls that stand for no single parameter. The host may send
// them back through setParameter; the editor then acts as on the control.
enum EditorTag : std::int32_t {
    kTagModLevelText = 4096,
    kTagCarLevelText,
    kTagOutLevelText,
    kTagFormantText,
    kTagTuneText,
    kTagOctave0,
    kTagOctave1,
    kTagOctave2,
    kTagPlayback0 = 4106,
    kTagPlayback1,
    kTagSource0,
    kTagSource1,
};
inline constexpr std::int32_t kFirstEditorTag = kTagModLevelText;
inline constexpr int kNumEditorTags = kTagSource1 - kFirstEditorTag + 1;

namespace layout {

inline constexpr CRect kFrame(0, 0, 640, 385);

// Level meters, in the order Mod, Car, Out.
inline constexpr int kNumMeters = 3;
inline constexpr std::array<CRect, kNumMeters> kMeters = {tf::art::kModMeterRect, tf::art::kCarMeterRect,
                                                         tf::art::kOutMeterRect};
inline constexpr int kMeterSteps = 124;

// The five knobs and, below each, the text field showing its value.
inline constexpr int kNumKnobs = 5;
inline constexpr std::array<std::int32_t, kNumKnobs> kKnobParams = {kModLevel, kCarLevel, kOutLevel, kFormant, kTune};
inline constexpr std::array<CRect, kNumKnobs> kKnobs = {tf::art::kModKnobRect, tf::art::kCarKnobRect,
                                                       tf::art::kOutKnobRect, tf::art::kFormantKnobRect,
                                                       tf::art::kTuneKnobRect};
inline constexpr std::array<std::int32_t, kNumKnobs> kTextTags = {
    kTagModLevelText, kTagCarLevelText, kTagOutLevelText, kTagFormantText, kTagTuneText};
inline constexpr std::array<CRect, kNumKnobs> kTextFields = {tf::art::kModFieldRect, tf::art::kCarFieldRect,
                                                            tf::art::kOutFieldRect, tf::art::kFormantFieldRect,
                                                            tf::art::kTuneFieldRect};
inline constexpr float kKnobDefault = 0.5f;

inline constexpr CRect kWaveformList = tf::art::kWaveformListRect;
inline constexpr std::array<const char*, 4> kWaveformEntries = {"SAW", "SQUARE", "PULSE 25", "PULSE 10"};

inline constexpr std::array<CRect, 3> kOctaveButtons = tf::art::kOctaveButtonRects;
inline constexpr CRect kFreezeButton = tf::art::kFreezeButtonRect;
inline constexpr CRect kFlatButton = tf::art::kFlatButtonRect;
inline constexpr CRect kFreezeKeyList = tf::art::kFreezeKeyListRect;
inline constexpr CRect kFlatKeyList = tf::art::kFlatKeyListRect;
inline constexpr std::array<const char*, kNumTriggerKeys> kKeyEntries = {"NONE", "SHIFT", "ALT", "CTRL", "TAB", "MIDI64"};
// One list entry per position of the parameter.
static_assert(kWaveformEntries.size() == kParameters[kWaveform].steps + 1u &&
              kKeyEntries.size() == std::size_t(kParameters[kFreezeKey].steps));
inline constexpr std::array<CRect, 2> kPlaybackButtons = tf::art::kPlaybackButtonRects;
inline constexpr std::array<CRect, 2> kSourceButtons = tf::art::kSourceButtonRects;

inline constexpr CRect kSpectrum = tf::art::kSpectrumRect;
inline constexpr CRect kKeyboard = tf::art::kKeyboardRect;
inline constexpr CRect kSliders = tf::art::kSlidersRect;

// Text fields and popup lists: font 6 of the toolkit (9 pixels).
inline constexpr int kTextFont = 6;
inline constexpr int kShownTextLength = 6;  // a text field shows at most this many characters

inline constexpr int kNumControls = 28;

}  // namespace layout

// The key each FreezeKey/FlatKey entry stands for, as a virtual-key code; 0
// is never held ("NONE", and "MIDI64", which the MIDI intake serves).
inline constexpr std::array<int, kNumTriggerKeys> kHotKeyTable = {
    0, int(tf::platform::Key::shift), int(tf::platform::Key::alt), int(tf::platform::Key::control),
    int(tf::platform::Key::tab), 0};
