#include "resources/draw_artwork.h"

#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/parts.h"

namespace tf::art {

std::vector<Bitmap> drawArtwork() {
    Typesetter type;
    const Surface panel = drawPanel(type);
    std::vector<Bitmap> set;
    for (const BitmapSize& b : kBitmapSizes) {
        switch (b.id) {
        case kBitmapBackground: set.push_back({b.id, panel}); break;
        case kBitmapMeterOff: set.push_back({b.id, drawMeter(false)}); break;
        case kBitmapMeterMod:
        case kBitmapMeterCar:
        case kBitmapMeterOut: set.push_back({b.id, drawMeter(true)}); break;
        case kBitmapKnobLevel: set.push_back({b.id, drawKnobStrip(panel, kModKnobRect, KnobScale::unipolar)}); break;
        case kBitmapKnobFormant:
            set.push_back({b.id, drawKnobStrip(panel, kFormantKnobRect, KnobScale::bipolar)});
            break;
        case kBitmapKnobTune: set.push_back({b.id, drawKnobStrip(panel, kTuneKnobRect, KnobScale::bipolar)}); break;
        case kBitmapToggle: set.push_back({b.id, drawButton(panel, kOctaveButtonRects[0], ButtonKind::toggle)}); break;
        case kBitmapHotButton: set.push_back({b.id, drawButton(panel, kFreezeButtonRect, ButtonKind::lamp)}); break;
        case kBitmapKeyboard: set.push_back({b.id, drawKeyboard(panel)}); break;
        case kBitmapSpectrum: set.push_back({b.id, drawSpectrumScreen()}); break;
        case kBitmapSlider: set.push_back({b.id, drawSliderStrip(panel)}); break;
        default: set.push_back({b.id, Surface(b.width, b.height)}); break;
        }
    }
    return set;
}

const raster::Surface& bitmapOf(const std::vector<Bitmap>& set, int id) {
    static const raster::Surface none;
    for (const Bitmap& b : set)
        if (b.id == id) return b.image;
    return none;
}

}  // namespace tf::art
