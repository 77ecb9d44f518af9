#include <algorithm>
#include <cmath>
#include <numbers>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/controls.h"
#include "gui/editorbase.h"
#include "gui/frame.h"
#include "gui/platform/platform.h"

namespace platform = tf::platform;

namespace {

constexpr unsigned kCtrlClick = platform::kButtonLeft | platform::kModifierControl;
constexpr float kFullCircle = 360.0f;
// The angle h (from the lower-left start, counter-clockwise) above which the
// bottom gap begins, and above which its right half gives the maximum.
constexpr float kGapStart = CRotaryKnob::kRangeAngle;
constexpr float kGapMiddle = CRotaryKnob::kRangeAngle + (kFullCircle - CRotaryKnob::kRangeAngle) / 2.0f;
constexpr float kDegreesPerRadian = 180.0f / std::numbers::pi_v<float>;

}  // namespace

CRotaryKnob::CRotaryKnob(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap)
    : CValueControl(r, l, t, bitmap) {}

void CRotaryKnob::draw(CPaintContext* context) {
    if (background) background->draw(context, size);
    const float range = vmax - vmin;
    float fraction = range != 0.0f ? (value - vmin) / range : 0.0f;
    if (!(fraction >= 0.0f)) fraction = 0.0f;
    fraction = std::min(fraction, 1.0f);
    const float angle = (kStartAngle - kRangeAngle * fraction) / kDegreesPerRadian;
    const CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
    const float reach = float(std::max(std::min(size.width(), size.height()) / 2 - 2, 0));
    context->moveTo(centre);
    context->lineTo(CPoint(centre.x + int(std::lround(reach * std::cos(angle))),
                           centre.y - int(std::lround(reach * std::sin(angle)))));
}

float CRotaryKnob::valueFromPoint(CPoint where) const {
    const float r = float(radius());
    float theta = std::atan2(r - float(where.y), float(where.x) - r) * kDegreesPerRadian;
    if (theta < 0.0f) theta += kFullCircle;
    // Measured from the end of the sweep (-45 degrees), counter-clockwise.
    float h = theta + (kRangeAngle - kStartAngle);
    if (h > kFullCircle) h -= kFullCircle;
    if (h > kGapMiddle) return vmax;
    if (h > kGapStart) return vmin;
    return vmax - (h / kRangeAngle) * (vmax - vmin);
}

void CRotaryKnob::onMouseDown(CPaintContext* context, CPoint where) {
    const unsigned pressed = context->getMouseButtons();
    if (!mouseEnabled || !(pressed & platform::kButtonLeft)) return;
    if (pressed == kCtrlClick) {
        value = defaultValue;
        notifyIfDirty(context);
        return;
    }
    const CEditorBase* editor = parentFrame ? parentFrame->getEditor() : nullptr;
    const bool linearMode = editor && editor->getKnobMode() == CEditorBase::kKnobModeLinear;
    const bool alt = (pressed & platform::kModifierAlt) != 0;
    const bool circular = linearMode == alt;

    const float range = vmax - vmin;
    bool shift = (pressed & platform::kModifierShift) != 0;
    float step = range / (shift ? kLinearPixelsFine : kLinearPixels);
    float offset = value;
    const CPoint press = where;
    const float halfRange = range / 2.0f;
    float previous = circular ? valueFromPoint(CPoint(where.x - size.left, where.y - size.top)) : 0.0f;

    beginEdit();
    bool first = true;
    CPoint last;
    unsigned buttons = 0;
    do {
        buttons = context->getMouseButtons();
        if (first || where != last) {
            first = false;
            last = where;
            if (!circular) {
                const float d = float((where.x - press.x) + (press.y - where.y));
                const bool nowShift = (buttons & platform::kModifierShift) != 0;
                if (nowShift != shift) {
                    const float newStep = range / (nowShift ? kLinearPixelsFine : kLinearPixels);
                    offset += (step - newStep) * d;
                    step = newStep;
                    shift = nowShift;
                }
                value = d * step + offset;
                clampValue();
            } else {
                const float q = valueFromPoint(CPoint(where.x - size.left, where.y - size.top));
                if (previous - q > halfRange) {
                    value = vmax;
                } else if (q - previous > halfRange) {
                    value = vmin;
                } else {
                    value = q;
                    previous = q;
                }
            }
            notifyIfDirty(context);
        }
        context->getMouseLocation(where);
        doIdleStuff();
    } while ((buttons & platform::kButtonLeft) && isFrameOpen());
    endEdit();
}

bool CRotaryKnob::onWheel(CPaintContext* context, CPoint, float distance) {
    const bool fine = (context->getMouseButtons() & platform::kModifierShift) != 0;
    value += distance * wheelStep * (fine ? kWheelFine : 1.0f);
    clampValue();
    notifyIfDirty(context);
    return true;
}

CFilmstripKnob::CFilmstripKnob(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* strip, int n,
                               int h)
    : CRotaryKnob(r, l, t, strip), frames(std::max(n, 1)), frameHeight(std::max(h, 0)) {}

int CFilmstripKnob::stripOffset() const {
    if (!(value > 0.0f) || frameHeight <= 0 || frames <= 1) return 0;
    const int last = frameHeight * (frames - 1);
    // Values beyond 1 show the last image rather than rows past the strip.
    const float rows = std::min(value * float(frameHeight) * float(frames - 1), float(last));
    const int y = int(rows);
    return y < last ? y - y % frameHeight : y;
}

void CFilmstripKnob::draw(CPaintContext* context) {
    if (background) background->draw(context, size, CPoint(0, stripOffset()));
}
