// The picture families of the artwork, each drawn in a file of its own.
// Control images are drawn over `panel`, the finished background, cropped to
// the control's rectangle.
#pragma once

#include "resources/paint.h"

namespace tf::art {

// The 640 x 385 background with its plates, wells and print.
Surface drawPanel(Typesetter& type);

// A graphite plate over `b`: its soft shadow, dark outline, rim lit from
// above and face.
void plate(Surface& s, const Box& b);
// A recess around `inner` (a box the toolkit or a control fills): a black
// lip one pixel wide in a bezel shaded dark above and light below; nothing
// outside `clip` (an empty one: the whole surface).
void well(Surface& s, const CRect& inner, float radius = 2.0f, const CRect& clip = {});

// Pieces of the title bar, shared with the installer's pictures: its brushed
// metal over `area`, the mark (five dark bars on an amber badge, drawn for 22
// pixels and scaled to the badge's width) and the wordmark "Talkforge" from
// `x` on, returning where it ends.
void brushedMetal(Surface& s, const CRect& area);
void markBadge(Surface& s, const Box& badge);
float wordmark(Surface& s, Typesetter& type, float x, int baseline, int pixelSize);

// The pixels of `panel` under `r`.
Surface crop(const Surface& panel, const CRect& r);

// A vertical strip of `frames` copies of the panel under `at`, each then drawn
// on by draw(strip, top row of the frame, frame index).
template <class Draw>
Surface filmstrip(const Surface& panel, const CRect& at, int frames, Draw draw) {
    const Surface cell = crop(panel, at);
    const int h = at.height();
    Surface strip(at.width(), frames * h);
    for (int k = 0; k < frames; ++k) {
        strip.copyFrom(cell, {0, k * h, at.width(), (k + 1) * h}, CPoint(0, 0), strip.bounds());
        draw(strip, k * h, k);
    }
    return strip;
}

// A 37-frame knob filmstrip over the panel at `at`; a bipolar knob lights its
// arc from the top (value 0.5) instead of from the start.
enum class KnobScale { unipolar, bipolar };
Surface drawKnobStrip(const Surface& panel, const CRect& at, KnobScale scale);

// A two-image button bitmap over the panel at `at` (off above, on below): a
// cap with an LED for the toggles, a cap with a lamp lens for the momentary
// Freeze and Flat buttons.
enum class ButtonKind { toggle, lamp };
Surface drawButton(const Surface& panel, const CRect& at, ButtonKind kind);

// A level meter image: every segment unlit or lit.
Surface drawMeter(bool lit);

// The two-octave keyboard over the panel at its rectangle.
Surface drawKeyboard(const Surface& panel);

// The dark screen behind the spectrum's bars.
Surface drawSpectrumScreen();

// The 67-frame band slider strip.
Surface drawSliderStrip(const Surface& panel);

}  // namespace tf::art
