#include "preview.h"

#include <cmath>

#include "gui/platform/raster/text.h"
#include "resources/bitmaps.h"
#include "resources/layout.h"

namespace arttest {
namespace {

using tf::raster::Pixel;
using tf::raster::Surface;
namespace art = tf::art;

void copy(Surface& window, const Surface& image, const CRect& at, CPoint from = CPoint()) {
    window.copyFrom(image, at, from, window.bounds());
}

// The filmstrip knob's frame for a value, as the toolkit picks it.
void knob(Surface& window, const Surface& strip, const CRect& at, float value) {
    const int h = art::kKnobFrameHeight;
    int y = int(value * float(h * (art::kKnobFrames - 1)));
    if (y < h * (art::kKnobFrames - 1)) y -= y % h;
    copy(window, strip, at, CPoint(0, y));
}

void meter(Surface& window, const Surface& off, const Surface& on, const CRect& at, float value) {
    const int x = int(float(art::kMeterWidth) * value + 0.5f);
    copy(window, off, {at.left + x, at.top, at.right, at.bottom}, CPoint(x, 0));
    copy(window, on, {at.left, at.top, at.left + x, at.bottom});
}

// A text field or popup list: a black box with yellow 9-pixel text, centred.
void textBox(Surface& window, tf::raster::FontEngine& fonts, const CRect& at, const char* text) {
    window.fill(art::textBoxOf(at), 0x000000, window.bounds());
    tf::raster::FontSpec font;
    font.pixelSize = 9;
    fonts.drawText(window, window.bounds(), at, text, font, 0xffff00, tf::raster::TextAlign::center);
}

void button(Surface& window, const Surface& image, const CRect& at, bool on) {
    copy(window, image, at, CPoint(0, on ? art::kButtonImageHeight : 0));
}

}  // namespace

Surface composeWindow(const std::vector<art::Bitmap>& set) {
    Surface w = art::bitmapOf(set, art::kBitmapBackground);
    tf::raster::FontEngine fonts;

    const Surface& off = art::bitmapOf(set, art::kBitmapMeterOff);
    meter(w, off, art::bitmapOf(set, art::kBitmapMeterMod), art::kModMeterRect, 0.74f);
    meter(w, off, art::bitmapOf(set, art::kBitmapMeterCar), art::kCarMeterRect, 0.58f);
    meter(w, off, art::bitmapOf(set, art::kBitmapMeterOut), art::kOutMeterRect, 0.93f);

    const Surface& level = art::bitmapOf(set, art::kBitmapKnobLevel);
    knob(w, level, art::kModKnobRect, 0.5f);
    knob(w, level, art::kCarKnobRect, 0.72f);
    knob(w, level, art::kOutKnobRect, 0.35f);
    knob(w, art::bitmapOf(set, art::kBitmapKnobFormant), art::kFormantKnobRect, 0.35f);
    knob(w, art::bitmapOf(set, art::kBitmapKnobTune), art::kTuneKnobRect, 0.62f);
    textBox(w, fonts, art::kModFieldRect, "50");
    textBox(w, fonts, art::kCarFieldRect, "72");
    textBox(w, fonts, art::kOutFieldRect, "35");
    textBox(w, fonts, art::kFormantFieldRect, "-3");
    textBox(w, fonts, art::kTuneFieldRect, "12");
    textBox(w, fonts, art::kWaveformListRect, "SAW");
    textBox(w, fonts, art::kFreezeKeyListRect, "NONE");
    textBox(w, fonts, art::kFlatKeyListRect, "SHIFT");

    const Surface& toggle = art::bitmapOf(set, art::kBitmapToggle);
    for (int i = 0; i < 3; ++i) button(w, toggle, art::kOctaveButtonRects[i], i == 1);
    for (int i = 0; i < 2; ++i) button(w, toggle, art::kPlaybackButtonRects[i], i == 0);
    for (int i = 0; i < 2; ++i) button(w, toggle, art::kSourceButtonRects[i], i == 0);
    const Surface& hot = art::bitmapOf(set, art::kBitmapHotButton);
    button(w, hot, art::kFreezeButtonRect, false);
    button(w, hot, art::kFlatButtonRect, true);

    // Spectrum: a voiced sound with two formants.
    Surface spectrum = art::bitmapOf(set, art::kBitmapSpectrum);
    for (int b = 0; b < art::kBands; ++b) {
        const float x = float(b);
        const float band = 0.55f * std::exp(-(x - 5) * (x - 5) / 18.0f) +
                           0.4f * std::exp(-(x - 19) * (x - 19) / 30.0f) + 0.12f + 0.05f * std::sin(x * 1.7f);
        const int h = int(std::fmin(band, 1.0f) * 56.0f + 0.5f);
        spectrum.fill({b * 12 + 4, 58 - h, b * 12 + 11, 58}, 0x00ffff, spectrum.bounds());
    }
    copy(w, spectrum, art::kSpectrumRect);

    // Keyboard: C, E, G and the C above, dots as the toolkit paints them.
    Surface keys = art::bitmapOf(set, art::kBitmapKeyboard);
    const Pixel dots[] = {0x000060, 0x000080, 0x0000a0, 0x0000c0};
    for (int note : {0, 4, 7, 12, 15}) {
        const art::DotPosition p = art::kDotPositions[note];
        for (int k = 0; k < 4; ++k)
            keys.fillEllipse({p.x + k + 1, p.y + k + 1, p.x + 11 - k, p.y + 11 - k}, dots[k], keys.bounds());
    }
    copy(w, keys, art::kKeyboardRect);

    // Sliders: a gentle curve.
    const Surface& strip = art::bitmapOf(set, art::kBitmapSlider);
    for (int b = 0; b < art::kBands; ++b) {
        const float v = 0.55f + 0.35f * std::sin(float(b) * 0.16f) * std::cos(float(b) * 0.05f);
        const int k = int(v * 66.0f + 0.5f);
        const CRect at(art::kSlidersRect.left + 12 * b, art::kSlidersRect.top, art::kSlidersRect.left + 12 * b + 12,
                       art::kSlidersRect.bottom);
        copy(w, strip, at, CPoint(0, 76 * k));
    }
    return w;
}

Surface contactSheet(const Surface& strip, int frameHeight, int columns, int gap) {
    const int frames = strip.height() / frameHeight;
    const int rows = (frames + columns - 1) / columns;
    Surface sheet(columns * (strip.width() + gap) + gap, rows * (frameHeight + gap) + gap, 0x808080);
    for (int f = 0; f < frames; ++f) {
        const int x = gap + (f % columns) * (strip.width() + gap);
        const int y = gap + (f / columns) * (frameHeight + gap);
        sheet.copyFrom(strip, {x, y, x + strip.width(), y + frameHeight}, CPoint(0, f * frameHeight), sheet.bounds());
    }
    return sheet;
}

Surface enlarged(const Surface& image, int factor) {
    Surface out(image.width() * factor, image.height() * factor);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.row(y)[x] = image.pixel(x / factor, y / factor);
    return out;
}

}  // namespace arttest
