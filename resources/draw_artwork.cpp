#include "resources/draw_artwork.h"

#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

Surface drawBitmap(int id, const Surface& panel) {
    switch (id) {
        case kBitmapBackground: return panel;
        case kBitmapMeterOff: return drawMeter(false);
        case kBitmapMeterMod:
        case kBitmapMeterCar:
        case kBitmapMeterOut: return drawMeter(true);
        case kBitmapKnobLevel: return drawKnobStrip(panel, kModKnobRect, KnobScale::unipolar);
        case kBitmapKnobFormant: return drawKnobStrip(panel, kFormantKnobRect, KnobScale::bipolar);
        case kBitmapKnobTune: return drawKnobStrip(panel, kTuneKnobRect, KnobScale::bipolar);
        case kBitmapToggle: return drawButton(panel, kOctaveButtonRects[0], ButtonKind::toggle);
        case kBitmapHotButton: return drawButton(panel, kFreezeButtonRect, ButtonKind::lamp);
        case kBitmapKeyboard: return drawKeyboard(panel);
        case kBitmapSpectrum: return drawSpectrumScreen();
        case kBitmapSlider: return drawSliderStrip(panel);
        default: return {};
    }
}

}  // namespace

std::vector<Bitmap> drawArtwork() {
    Typesetter type;
    const Surface panel = drawPanel(type);
    std::vector<Bitmap> set;
    for (const BitmapSize& b : kBitmapSizes) set.push_back({b.id, drawBitmap(b.id, panel)});
    return set;
}

const raster::Surface& bitmapOf(const std::vector<Bitmap>& set, int id) {
    static const raster::Surface none;
    for (const Bitmap& b : set)
        if (b.id == id) return b.image;
    return none;
}

}  // namespace tf::art
