// The spectrum display: the level of each of the 50 bands as a cyan bar over
// a background picture. It only reads the effect's band meters.
#pragma once

#include "gui/controls.h"

struct BandMeterRecord;

class CSpectrumAnlyzer : public CValueControl {
public:
    static constexpr int kMaxBarRows = 56;

    // `picture` is the background; `meters` the effect's band meters (1.0 =
    // full height), written by the audio thread while this draws.
    CSpectrumAnlyzer(const CRect& size, CResBitmap* picture, const BandMeterRecord* meters);

    void draw(CPaintContext* context) override;

    // Rows of the bar for a band meter value: 0..56 for any value.
    static int barRows(float level);

private:
    const BandMeterRecord* meters;
};
