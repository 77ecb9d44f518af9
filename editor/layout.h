// The editor's map: the tags of its own controls, where every control sits
// (frame pixels, right and bottom exclusive) and the Freeze and Flat keys.
#pragma once

#include <array>
#include <cstdint>

#include "gui/geometry.h"
#include "gui/platform/platform.h"
#include "vocoder/parameters.h"

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
inline constexpr std::array<CRect, kNumMeters> kMeters = {{
    {13, 61, 137, 67}, {13, 79, 137, 85}, {13, 96, 137, 102}}};
inline constexpr int kMeterSteps = 124;

// The five knobs and, below each, the text field showing its value.
inline constexpr int kNumKnobs = 5;
inline constexpr std::array<std::int32_t, kNumKnobs> kKnobParams = {kModLevel, kCarLevel, kOutLevel, kFormant, kTune};
inline constexpr std::array<CRect, kNumKnobs> kKnobs = {{
    {221, 56, 265, 90}, {298, 56, 342, 90}, {376, 56, 420, 90}, {516, 56, 560, 90}, {106, 320, 150, 354}}};
inline constexpr std::array<std::int32_t, kNumKnobs> kTextTags = {
    kTagModLevelText, kTagCarLevelText, kTagOutLevelText, kTagFormantText, kTagTuneText};
inline constexpr std::array<CRect, kNumKnobs> kTextFields = {{
    {229, 91, 256, 102}, {306, 91, 333, 102}, {383, 91, 410, 102}, {523, 91, 550, 102}, {114, 355, 141, 366}}};
inline constexpr float kKnobDefault = 0.5f;

inline constexpr CRect kWaveformList(168, 335, 216, 346);
inline constexpr std::array<const char*, 4> kWaveformEntries = {"SAW", "SQUARE", "PULSE 25", "PULSE 10"};

inline constexpr std::array<CRect, 3> kOctaveButtons = {{{10, 326, 31, 357}, {38, 326, 59, 357}, {65, 326, 86, 357}}};
inline constexpr CRect kFreezeButton(457, 55, 478, 86);
inline constexpr CRect kFlatButton(597, 55, 618, 86);
inline constexpr CRect kFreezeKeyList(442, 94, 490, 105);
inline constexpr CRect kFlatKeyList(582, 94, 630, 105);
inline constexpr std::array<const char*, kNumTriggerKeys> kKeyEntries = {"NONE", "SHIFT", "ALT", "CTRL", "TAB", "MIDI64"};
inline constexpr std::array<CRect, 2> kPlaybackButtons = {{{426, 326, 447, 357}, {483, 326, 504, 357}}};
inline constexpr std::array<CRect, 2> kSourceButtons = {{{540, 326, 561, 357}, {597, 326, 618, 357}}};

inline constexpr CRect kSpectrum(18, 141, 622, 200);
inline constexpr CRect kKeyboard(244, 310, 395, 373);
inline constexpr CRect kSliders(22, 216, 622, 292);

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
