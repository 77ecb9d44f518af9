#include "demo_frame.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "gui/bitmap.h"
#include "gui/context.h"

namespace guidemo {
namespace {

using tf::raster::Surface;

constexpr CColorRGB kPanel{40, 44, 52, 0};
constexpr CColorRGB kPanelLight{70, 76, 90, 0};
constexpr CColorRGB kKnobBody{180, 184, 196, 0};
constexpr CColorRGB kKnobMark{230, 80, 40, 0};
constexpr CColorRGB kLedOff{60, 20, 20, 0};
constexpr CColorRGB kLedOn{255, 60, 40, 0};
constexpr CColorRGB kMeterOff{20, 40, 20, 0};
constexpr CColorRGB kMeterOn{60, 230, 60, 0};
constexpr int kKnobImages = 37;
constexpr int kKnobImageHeight = 34;
constexpr int kButtonImageHeight = 31;

// Draws with `paint` into an offscreen image of the given size and keeps it.
template <class Paint>
Surface drawn(int width, int height, CColorRGB clear, Paint paint) {
    COffscreenPaint off(nullptr, width, height, clear);
    paint(off);
    return off.getImage();
}

Surface knobStrip() {
    const int w = kKnobRect.width();
    Surface strip(w, kKnobImages * kKnobImageHeight);
    for (int k = 0; k < kKnobImages; ++k) {
        const Surface image = drawn(w, kKnobImageHeight, kPanel, [&](COffscreenPaint& c) {
            c.setFillColor(kKnobBody);
            c.fillEllipse(CRect(5, 0, 38, 33));
            const double angle = (225.0 - 270.0 * k / (kKnobImages - 1)) * std::numbers::pi / 180.0;
            const CPoint centre(22, 17);
            c.setLineColor(kKnobMark);
            for (int d = 0; d < 2; ++d) {
                c.moveTo(CPoint(centre.x + d, centre.y));
                c.lineTo(CPoint(centre.x + d + int(std::lround(14 * std::cos(angle))),
                                centre.y - int(std::lround(14 * std::sin(angle)))));
            }
        });
        strip.copyFrom(image, CRect(0, k * kKnobImageHeight, w, (k + 1) * kKnobImageHeight), CPoint(),
                       strip.bounds());
    }
    return strip;
}

// Two button images stacked: off above, on below.
Surface buttonImages() {
    const int w = kToggleRect.width();
    const int h = kButtonImageHeight;
    return drawn(w, 2 * h, kPanelLight, [&](COffscreenPaint& c) {
        for (int on = 0; on < 2; ++on) {
            c.setLineColor(kBlackCColor);
            c.drawRect(CRect(0, on * h, w - 1, on * h + h - 1));
            c.setFillColor(on ? kLedOn : kLedOff);
            c.fillEllipse(CRect(5, on * h + 9, 15, on * h + 19));
        }
    });
}

Surface background() {
    return drawn(kFrameSize.width(), kFrameSize.height(), kPanel, [](COffscreenPaint& c) {
        c.setLineColor(kPanelLight);
        c.drawRect(CRect(2, 2, kFrameSize.width() - 3, kFrameSize.height() - 3));
        c.setLineStyle(kLineOnOffDash);
        c.moveTo(CPoint(10, 58));
        c.lineTo(CPoint(230, 58));
        c.setLineStyle(kLineSolid);
        c.setFontColor(kWhiteCColor);
        c.setFont(0);
        c.drawString("Talkforge", CRect(10, 108, 230, 132), false, kCenterText);
        c.setFont(5);
        c.drawString("LEVEL", CRect(150, 64, 230, 74), false, kLeftText);
    });
}

void percent(float value, char* text) { std::snprintf(text, kTextSize, "%d %%", int(value * 100.0f + 0.5f)); }

void firstSix(const char* text, char* shown) { std::snprintf(shown, kTextSize, "%.6s", text); }

}  // namespace

DemoViews addDemoViews(CWindowFrame* frame, CValueListener* listener) {
    DemoViews v;
    CResBitmap* back = new CResBitmap(background());
    frame->setBackground(back);
    back->release();

    CResBitmap* strip = new CResBitmap(knobStrip());
    v.knob = new CFilmstripKnob(kKnobRect, listener, kKnobTag, strip, kKnobImages, kKnobImageHeight);
    strip->release();
    v.knob->setValue(0.3f);
    frame->addView(v.knob);

    CResBitmap* buttons = new CResBitmap(buttonImages());
    v.toggle = new CToggleButton(kToggleRect, listener, kToggleTag, buttons);
    v.momentary = new CMomentaryButton(kMomentaryRect, listener, kMomentaryTag, buttons, kButtonImageHeight);
    buttons->release();
    frame->addView(v.toggle);
    frame->addView(v.momentary);

    CResBitmap* on = new CResBitmap(
        drawn(kMeterRect.width(), kMeterRect.height(), kMeterOn, [](COffscreenPaint&) {}));
    CResBitmap* off = new CResBitmap(
        drawn(kMeterRect.width(), kMeterRect.height(), kMeterOff, [](COffscreenPaint&) {}));
    v.meter = new CLevelMeter(kMeterRect, nullptr, 0, on, off, kMeterRect.width());
    on->release();
    off->release();
    v.meter->setValue(0.6f);
    frame->addView(v.meter);

    v.field = new CTextField(kFieldRect, listener, kFieldTag, "42");
    v.field->setFont(6);
    v.field->setFontColor(kYellowCColor);
    v.field->setTextToShown(firstSix);
    frame->addView(v.field);

    v.list = new CPopupList(kListRect, listener, kListTag, nullptr, kCheckStyle);
    v.list->setFont(6);
    v.list->setFontColor(kYellowCColor);
    v.list->setShadowColor(kGreyCColor);
    for (const char* e : {"SAW", "SQUARE", "PULSE 25", "PULSE 10"}) v.list->addEntry(e);
    frame->addView(v.list);

    v.display = new CTextDisplay(kDisplayRect, nullptr, 0);
    v.display->setFont(2);
    v.display->setValueToText(percent);
    v.display->setValue(0.3f);
    v.display->setMouseEnabled(false);
    frame->addView(v.display);
    return v;
}

}  // namespace guidemo
