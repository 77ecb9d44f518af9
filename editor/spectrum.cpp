#include "editor/spectrum.h"

#include "gui/bitmap.h"
#include "base/convert.h"
#include "vocoder/meters.h"

namespace {

constexpr CColorRGB kBarColour{0, 255, 255, 0};
constexpr int kBarPitch = 12;
constexpr int kBarLeft = 3;    // the rectangle's left column, left out by the fill
constexpr int kBarRight = 11;
constexpr int kBarBase = 58;   // one below the bars' lowest row, 57

}  // namespace

CSpectrumAnlyzer::CSpectrumAnlyzer(const CRect& r, CResBitmap* picture, const BandMeterRecord* m)
    : CValueControl(r, nullptr, 0, picture), meters(m) {}

int CSpectrumAnlyzer::barRows(float level) {
    if (level != level) return 0;  // NaN
    const float a = level < 1.0f ? level : 1.0f;  // negative levels give no bar
    return truncClamped(a * float(kMaxBarRows) + 0.5f, 0, kMaxBarRows);
}

void CSpectrumAnlyzer::draw(CPaintContext* context) {
    COffscreenPaint image(getFrame(), size.width(), size.height());
    if (background) background->draw(&image, CRect(0, 0, size.width(), size.height()));
    image.setFillColor(kBarColour);
    for (int b = 0; b < kNumBands; ++b) {
        const int rows = barRows(meters->bandMeter[b]);  // read once: the audio thread writes it
        if (rows > 0)
            image.fillRect(CRect(b * kBarPitch + kBarLeft, kBarBase - 1 - rows, b * kBarPitch + kBarRight, kBarBase));
    }
    image.copyTo(context, size);
}
