// The band sliders: the 50 band levels as a row of narrow sliders. A click
// sets one band, a drag draws a curve, Shift moves all bands together and the
// right button snaps to three levels.
#pragma once

#include "gui/controls.h"

class EditorController;

class CSliders : public CValueControl {
public:
    static constexpr int kBandWidth = 12;
    static constexpr int kSteps = 66;  // levels 0..66 of one slider

    // `strip` holds the 67 slider images stacked (also the background); the
    // bands are read and written through the controller's getParameter and
    // its non-notifying setParameter.
    CSliders(const CRect& size, CResBitmap* strip, EditorController& controller);

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

    EditorController& controller;
};
