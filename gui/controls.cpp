#include <cmath>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/controls.h"
#include "gui/platform/platform.h"

namespace platform = tf::platform;

// ---- CToggleButton --------------------------------------------------------

CToggleButton::CToggleButton(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap)
    : CValueControl(r, l, t, bitmap) {}

void CToggleButton::draw(CPaintContext* context) {
    if (!background) return;
    background->draw(context, size, CPoint(0, value != 0.0f ? background->getHeight() / 2 : 0));
}

void CToggleButton::onMouseDown(CPaintContext* context, CPoint) {
    if (!mouseEnabled || !(context->getMouseButtons() & platform::kButtonLeft)) return;
    // trunc(value) == 0, without converting values a float-to-int cast cannot hold.
    const bool off = !(std::fabs(value) >= 1.0f);
    value = off ? 1.0f : 0.0f;
    draw(context);
    notify(context);
}

// ---- CMomentaryButton -----------------------------------------------------

CMomentaryButton::CMomentaryButton(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap,
                                   int height, CPoint imageOff)
    : CValueControl(r, l, t, bitmap), imageHeight(height), imageOffset(imageOff) {}

void CMomentaryButton::draw(CPaintContext* context) {
    clampValue();
    if (!background) return;
    background->draw(context, size,
                     CPoint(imageOffset.x, imageOffset.y + (value != 0.0f ? imageHeight : 0)));
}

void CMomentaryButton::onMouseDown(CPaintContext* context, CPoint where) {
    if (!mouseEnabled || !(context->getMouseButtons() & platform::kButtonLeft)) return;
    const float atPress = value;
    const float pressed = atPress == 0.0f ? 1.0f : 0.0f;
    beginEdit();
    do {
        value = size.pointInside(where) ? pressed : atPress;
        notifyIfDirty(context);
        context->getMouseLocation(where);
        doIdleStuff();
    } while (isFrameOpen() && context->getMouseButtons() != 0);  // a held modifier keeps it going too
    endEdit();
    value = 0.0f;
    notify(context);
}

// ---- CLevelMeter ----------------------------------------------------------

CLevelMeter::CLevelMeter(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* on, CResBitmap* off,
                         int n, int s)
    : CValueControl(r, l, t, nullptr), onImage(on), offImage(off), steps(n > 0 ? n : 1), style(s) {
    if (onImage) onImage->retain();
    if (offImage) offImage->retain();
}

CLevelMeter::~CLevelMeter() {
    if (onImage) onImage->release();
    if (offImage) offImage->release();
}

void CLevelMeter::draw(CPaintContext* context) {
    if (!onImage) return;
    clampValue();
    float fallen = drawnValue - fallAmount;
    if (!(fallen >= vmin)) fallen = vmin;
    if (fallen > value) value = fallen;
    drawnValue = value;
    // value is within 0..1 here for the meters' 0..1 range: the step fits an int.
    const float range = vmax - vmin;
    const float fraction = range > 0.0f ? (value - vmin) / range : 0.0f;
    const int s = int(float(steps) * fraction + 0.5f);
    const float shown = float(s) / float(steps);
    if (style & kMeterHorizontal) {
        const int x = int(shown * float(onImage->getWidth()));
        if (offImage)
            offImage->draw(context, CRect(size.left + x, size.top, size.right, size.bottom), CPoint(x, 0));
        onImage->draw(context, CRect(size.left, size.top, size.left + x, size.bottom), CPoint(0, 0));
    } else {
        // Vertical: the "on" image rises from the bottom.
        const int y = int(shown * float(onImage->getHeight()));
        if (offImage) offImage->draw(context, CRect(size.left, size.top, size.right, size.bottom - y), CPoint(0, 0));
        onImage->draw(context, CRect(size.left, size.bottom - y, size.right, size.bottom),
                      CPoint(0, onImage->getHeight() - y));
    }
}
