#include "editor/sliders.h"

#include "base/convert.h"
#include "editor/controller.h"
#include "gui/bitmap.h"
#include "gui/platform/platform.h"
#include "resources/bitmaps.h"
#include "vocoder/talkforge.h"

namespace platform = tf::platform;

namespace {

static_assert(CSliders::kSteps == tf::art::kSliderFrames - 1);
constexpr float kStepValue = 1.0f / float(CSliders::kSteps);  // 0.015151516
// Control-local rows: at and above kTopRow a slider is full, at and below
// kBottomRow it is empty.
constexpr int kTopRow = 5;
constexpr int kBottomRow = 71;
// The three levels of the right button: the bounds of the middle one, in
// steps for a drag and in rows for Shift with the right button.
constexpr int kSnapLowStep = 26;
constexpr int kSnapHighStep = 48;
constexpr int kSnapHighRow = 26;
constexpr int kSnapLowRow = 48;

}  // namespace

CSliders::CSliders(const CRect& r, CResBitmap* strip, EditorController& c)
    : CValueControl(r, nullptr, 0, strip), controller(c) {}

int CSliders::imageOf(float level) { return truncClamped(level * float(kSteps) + 0.5f, 0, kSteps); }

void CSliders::draw(CPaintContext* context) {
    COffscreenPaint image(getFrame(), size.width(), size.height());
    if (background) {
        const int height = tf::art::kSliderFrameHeight;
        for (int b = 0; b < kNumBands; ++b)
            background->draw(&image, CRect(b * kBandWidth, 0, (b + 1) * kBandWidth, height),
                             CPoint(0, height * imageOf(controller.getParameter(kBand1 + b))));
    }
    image.copyTo(context, size);
}

void CSliders::setAll(float level) {
    for (int b = 0; b < kNumBands; ++b) controller.setParameter(kBand1 + b, level);
}

void CSliders::setAt(CPoint local, unsigned buttons) {
    int h = local.x;
    if (h <= 0) h = 1;
    if (h > size.width() - 1) h = size.width() - 1;
    const int m = kBottomRow - (local.y < kTopRow ? kTopRow : local.y > kBottomRow ? kBottomRow : local.y);
    const std::int32_t band = kBand1 + h / kBandWidth;
    if (buttons & platform::kButtonRight)
        controller.setParameter(band, m < kSnapLowStep ? 0.0f : m < kSnapHighStep ? 0.5f : 1.0f);
    else if (buttons & platform::kModifierShift)
        setAll(float(m) * kStepValue);
    else
        controller.setParameter(band, float(m) * kStepValue);
}

void CSliders::onMouseDown(CPaintContext* context, CPoint where) {
    if (!mouseEnabled) return;
    unsigned buttons = context->getMouseButtons();
    constexpr unsigned kShiftRight = platform::kModifierShift | platform::kButtonRight;
    if ((buttons & kShiftRight) == kShiftRight) {
        const int dy = where.y - size.top;
        setAll(dy < kSnapHighRow ? 1.0f : dy < kSnapLowRow ? 0.5f : 0.0f);
        draw(context);
        return;
    }
    CPoint last(-1, -1);
    do {
        buttons = context->getMouseButtons();
        // Only a moved pointer writes; the first pass always does.
        if (where != last) {
            last = where;
            setAt(CPoint(where.x - size.left, where.y - size.top), buttons);
            draw(context);
        }
        context->getMouseLocation(where);
        doIdleStuff();
    } while ((buttons & (platform::kButtonLeft | platform::kButtonRight)) && isFrameOpen());
}
