// The two-octave chord keyboard: shows each sounding oscillator of the drone
// as a dot on its key, and a click switches an oscillator on or off there.
#pragma once

#include "gui/controls.h"
#include "vocoder/talkforge.h"

class EditorController;

class CKeyboardBitmap : public CValueControl {
public:
    static constexpr int kNumKeys = kKeyboardKeys;  // semitones 0..24, from C, one per pitch step

    // `picture` is the keyboard image (also the background); the oscillators
    // are read and written through the controller's getParameter and its
    // non-notifying setParameter.
    CKeyboardBitmap(const CRect& size, CResBitmap* picture, EditorController& controller);

    void draw(CPaintContext* context) override;
    // Any button. Repaints at once; there is no tracking loop.
    void onMouseDown(CPaintContext* context, CPoint where) override;

    // The key under a control-local point, or -1 where there is none (the
    // upper part of a white key, a gap between black keys).
    static int keyAt(CPoint local);
    // The key an oscillator's pitch value stands for; -1 for values that
    // stand for no key (0.98 and above round to 25, NaN, out of range).
    static int keyOfPitch(float pitch);
    // Control-local top-left corner of a key's dot.
    static CPoint dotPosition(int key);

private:
    EditorController& controller;
};
