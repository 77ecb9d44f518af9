// The band sliders: the 50 band levels as a row of narrow sliders. A click
// sets one band, a drag draws a curve, Shift moves all bands together and the
// right button snaps to three levels.
#pragma once

#include "gui/controls.h"

class AudioEffectX;

class CSliders : public CValueControl {
public:
    static constexpr int kBandWidth = 12;
    static constexpr int kSteps = 66;  // levels 0..66 of one slider

    // `strip` holds the 67 slider images stacked (also the background);
    // `effect` is read and written through getParameter and the
    // non-notifying setParameter.
    CSliders(const CRect& size, CResBitmap* strip, AudioEffectX* effect);

    void draw(CPaintContext* context) override;
    // Left or right button, with or without Shift; follows the pointer
    // while a button is held.
    void onMouseDown(CPaintContext* context, CPoint where) override;

    // The strip image a band level shows: 0..66.
    static int imageOf(float level);

private:
    // Sets the bands a pass of the drag reaches, for a control-local point.
    void setAt(CPoint local, unsigned buttons);
    void setAll(float level);

    AudioEffectX* effect;
};
