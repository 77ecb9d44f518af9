// Knob filmstrips: a graphite knob with a white pointer inside a dark scale
// groove whose lit amber arc shows the value from the start of the scale (or,
// on a bipolar knob, from the top).
#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/palette.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

constexpr float kScaleRadius = 14.2f;  // centre line of the groove
constexpr float kGrooveHalf = 1.5f;
constexpr float kArcHalf = 1.15f;
constexpr float kBodyRadius = 10.5f;
constexpr float kPointerInner = 3.5f;
constexpr float kPointerOuter = 8.6f;
constexpr float kTopDegrees = 90.0f;

void drawKnob(Surface& s, int top, float value, KnobScale scale) {
    const float cx = float(kKnobWidth) * 0.5f;
    const float cy = float(top) + float(kKnobFrameHeight) * 0.5f;
    // The frame's outer ring stays the panel's.
    const CRect area(1, top + 1, kKnobWidth - 1, top + kKnobFrameHeight - 1);
    const float end = kKnobStartDegrees;
    const float stop = kKnobStartDegrees - kKnobSweepDegrees;
    const float at = kKnobStartDegrees - value * kKnobSweepDegrees;

    // The groove, and in it the lit part of the scale with its glow.
    fillShape(
        s, area, [&](float x, float y) { return arcDistance(x, y, cx, cy, kScaleRadius, end, stop, kGrooveHalf); },
        Solid{kGroove});
    const float litFrom = scale == KnobScale::bipolar ? (at > kTopDegrees ? at : kTopDegrees) : end;
    const float litTo = scale == KnobScale::bipolar ? (at > kTopDegrees ? kTopDegrees : at) : at;
    const auto lit = [&](float x, float y) {
        return arcDistance(x, y, cx, cy, kScaleRadius, litFrom, litTo, kArcHalf);
    };
    if (scale == KnobScale::bipolar) {
        const Point mark = polar(cx, cy, kScaleRadius, kTopDegrees);
        fillCircle(s, area, mark.x, mark.y, 1.1f, Solid{kScaleText});
    }
    if (litFrom > litTo) {
        fillShape(s, area, lit, Solid{kAccent}, 0.35f, 3.0f);
        fillShape(s, area, lit, Solid{kAccent});
    }

    // The body: a shadow, a rim lit from above, a face, the pointer.
    fillCircle(s, area, cx, cy + 1.2f, kBodyRadius + 0.5f, Solid{kShadow}, 0.7f, 2.5f);
    fillCircle(s, area, cx, cy, kBodyRadius,
               VerticalGradient{kMetalLight, kMetalDark, cy - kBodyRadius, cy + kBodyRadius});
    fillCircle(s, area, cx, cy, kBodyRadius - 1.0f, [&](float x, float y) {
        // A face lit from the upper left.
        const float t = clamp01(((x - cx) * 0.35f + (y - cy)) / (2.0f * kBodyRadius) + 0.5f);
        return mix(kMetalFaceTop, kMetalFaceBottom, t);
    });
    // A soft highlight on the upper left of the face.
    fillCircle(s, area, cx - 3.0f, cy - 4.0f, 3.0f, Solid{rgb(0xffffff)}, 0.10f, 7.0f);
    const Point inner = polar(cx, cy, kPointerInner, at);
    const Point outer = polar(cx, cy, kPointerOuter, at);
    fillShape(
        s, area,
        [&](float x, float y) { return segmentDistance(x, y, inner.x, inner.y + 0.6f, outer.x, outer.y + 0.6f, 1.3f); },
        Solid{kShadow}, 0.6f, 1.5f);
    fillShape(
        s, area, [&](float x, float y) { return segmentDistance(x, y, inner.x, inner.y, outer.x, outer.y, 1.05f); },
        Solid{kPointer});
}

}  // namespace

Surface drawKnobStrip(const Surface& panel, const CRect& at, KnobScale scale) {
    return filmstrip(panel, at, kKnobFrames, [&](Surface& strip, int top, int k) {
        drawKnob(strip, top, float(k) / float(kKnobFrames - 1), scale);
    });
}

}  // namespace tf::art
