// Where the editor's controls sit on the panel (frame pixels, right and
// bottom exclusive) and the geometry inside the keyboard, slider and spectrum
// pictures. The artwork is drawn around these rectangles: each control image
// carries the panel pixels under its rectangle, and the panel frames the
// black text boxes the toolkit paints at run time.
#pragma once

#include <array>

#include "gui/geometry.h"

namespace tf::art {

inline const CRect kModMeterRect(13, 61, 137, 67);
inline const CRect kCarMeterRect(13, 79, 137, 85);
inline const CRect kOutMeterRect(13, 96, 137, 102);

inline const CRect kModKnobRect(221, 56, 265, 90);
inline const CRect kCarKnobRect(298, 56, 342, 90);
inline const CRect kOutKnobRect(376, 56, 420, 90);
inline const CRect kFormantKnobRect(516, 56, 560, 90);
inline const CRect kTuneKnobRect(106, 320, 150, 354);

inline const CRect kModFieldRect(229, 91, 256, 102);
inline const CRect kCarFieldRect(306, 91, 333, 102);
inline const CRect kOutFieldRect(383, 91, 410, 102);
inline const CRect kFormantFieldRect(523, 91, 550, 102);
inline const CRect kTuneFieldRect(114, 355, 141, 366);

inline const CRect kWaveformListRect(168, 335, 216, 346);
inline const CRect kFreezeKeyListRect(442, 94, 490, 105);
inline const CRect kFlatKeyListRect(582, 94, 630, 105);

inline const CRect kOctaveButtonRects[3] = {{10, 326, 31, 357}, {38, 326, 59, 357}, {65, 326, 86, 357}};
inline const CRect kPlaybackButtonRects[2] = {{426, 326, 447, 357}, {483, 326, 504, 357}};
inline const CRect kSourceButtonRects[2] = {{540, 326, 561, 357}, {597, 326, 618, 357}};
inline const CRect kFreezeButtonRect(457, 55, 478, 86);
inline const CRect kFlatButtonRect(597, 55, 618, 86);

inline const CRect kSpectrumRect(18, 141, 622, 200);
inline const CRect kKeyboardRect(244, 310, 395, 373);
inline const CRect kSlidersRect(22, 216, 622, 292);

// The box the toolkit paints for a text field or popup list at `r`: its
// outline runs through the four corners, so it covers the right column and
// the bottom row too.
inline CRect textBoxOf(const CRect& r) { return {r.left, r.top, r.right + 1, r.bottom + 1}; }

// Keyboard picture (control-local pixels): 15 white keys of 10 columns from
// x 0; the lower rows below kKeyboardBlackRows take white keys only.
inline constexpr int kWhiteKeys = 15;
inline constexpr int kWhiteKeyPitch = 10;
inline constexpr int kKeyboardBlackRows = 42;  // rows 0..41 hold the black keys
inline constexpr int kKeyboardNotes = 25;

// A black key is hit for lo < x < hi.
struct BlackKey {
    int lo;
    int hi;
    int note;
};
inline constexpr std::array<BlackKey, 10> kBlackKeys = {{{6, 13, 1},
                                                         {19, 26, 3},
                                                         {35, 43, 6},
                                                         {47, 54, 8},
                                                         {59, 66, 10},
                                                         {76, 83, 13},
                                                         {88, 95, 15},
                                                         {105, 112, 18},
                                                         {117, 124, 20},
                                                         {128, 135, 22}}};
inline constexpr std::array<int, kWhiteKeys> kWhiteKeyNotes = {0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19, 21, 23, 24};

// A note's dot is painted in the box (x + 1, y + 1)-(x + 10, y + 10).
struct DotPosition {
    int x;
    int y;
};
inline constexpr std::array<DotPosition, kKeyboardNotes> kDotPositions = {{
    {0, 45},   {4, 20},   {10, 45},  {16, 20},  {20, 45},  {30, 45},  {33, 20},  {40, 45}, {45, 20},
    {50, 45},  {57, 20},  {60, 45},  {70, 45},  {74, 20},  {80, 45},  {86, 20},  {90, 45}, {100, 45},
    {103, 20}, {110, 45}, {115, 20}, {120, 45}, {127, 20}, {130, 45}, {140, 45},
}};
inline constexpr int kDotSize = 10;

// Band sliders: frame k of the strip shows level k of 66 with the cap centred
// on row kSliderZeroRow - k.
inline constexpr int kSliderZeroRow = 71;
inline constexpr int kSliderLevels = 66;

// Spectrum bars: bar b covers columns 12b + 4 .. 12b + 10 and rows 2..57.
inline constexpr int kBands = 50;
inline constexpr int kBarPitch = 12;
inline constexpr int kBarLeft = 4;
inline constexpr int kBarWidth = 7;
inline constexpr int kBarTop = 2;
inline constexpr int kBarBottom = 58;  // exclusive

// Knob filmstrips: frame k shows the value k / 36, its pointer at
// kKnobStartDegrees - k / 36 x kKnobSweepDegrees (counter-clockwise degrees
// from the positive x axis, y up).
inline constexpr float kKnobStartDegrees = 225.0f;
inline constexpr float kKnobSweepDegrees = 270.0f;

// Level meters: value 1 (full scale, 0 dBFS) lights all 124 columns; each
// 0.15 of the value is 6.02 dB.
inline constexpr float kMeterDbPerUnit = 6.02f / 0.15f;

}  // namespace tf::art
