// A frame's worth of stock controls with generated artwork, used by the
// headless snapshot and by the window tests of each binding, which compare
// what their window shows with the headless rendering of the same views.
#pragma once

#include "gui/controls.h"
#include "gui/frame.h"

namespace guidemo {

inline const CRect kFrameSize(0, 0, 240, 140);

// Where the controls are (frame pixels, right and bottom exclusive).
inline const CRect kKnobRect(20, 16, 64, 50);       // 37 images of 34 rows
inline const CRect kToggleRect(84, 18, 105, 49);    // two images of 31 rows
inline const CRect kMomentaryRect(116, 18, 137, 49);
inline const CRect kMeterRect(20, 64, 144, 70);     // 124 steps
inline const CRect kFieldRect(20, 84, 47, 95);      // font 6, yellow on black
inline const CRect kListRect(60, 84, 108, 95);      // "SAW", "SQUARE", "PULSE 25", "PULSE 10"
inline const CRect kDisplayRect(150, 16, 220, 34);  // the knob's value in per cent

// Tags the controls report with.
constexpr int kKnobTag = 0;
constexpr int kToggleTag = 4101;
constexpr int kMomentaryTag = 4;
constexpr int kFieldTag = 4096;
constexpr int kListTag = 7;

struct DemoViews {
    CFilmstripKnob* knob = nullptr;
    CToggleButton* toggle = nullptr;
    CMomentaryButton* momentary = nullptr;
    CLevelMeter* meter = nullptr;
    CTextField* field = nullptr;
    CPopupList* list = nullptr;
    CTextDisplay* display = nullptr;
};

// Sets a generated background and adds the controls to `frame`; every
// control but the meter and the display reports to `listener`.
DemoViews addDemoViews(CWindowFrame* frame, CValueListener* listener);

}  // namespace guidemo
