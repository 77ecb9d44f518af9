// Buttons and level meters.
#include <algorithm>
#include <cmath>

#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/palette.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

constexpr float kCapRadius = 3.0f;

// A cap in a dark hole, the image's top row at `top`. A lit cap sits a
// little deeper.
Box drawCap(Surface& s, int top, bool lit) {
    const CRect area(0, top, kButtonWidth, top + kButtonImageHeight);
    const float t = float(top);
    const Box hole{1, t + 1, float(kButtonWidth) - 1, t + float(kButtonImageHeight) - 1};
    fillRoundBox(s, area, hole, kCapRadius + 1, VerticalGradient{kWellLipTop, kWellLipBottom, hole.top, hole.bottom});
    const Box inner{hole.left + 1, hole.top + 1, hole.right - 1, hole.bottom - 1};
    fillRoundBox(s, area, inner, kCapRadius, Solid{kWellBlack});
    const float sink = lit ? 0.5f : 0.0f;
    const Box cap{inner.left + 1, inner.top + 1 + sink, inner.right - 1, inner.bottom - 1.5f + sink};
    fillRoundBox(s, area, cap, kCapRadius - 0.5f, VerticalGradient{kMetalLight, kMetalDark, cap.top, cap.bottom});
    const Box face{cap.left + 1, cap.top + 1, cap.right - 1, cap.bottom - 1.5f};
    fillRoundBox(s, area, face, kCapRadius - 1.0f,
                 VerticalGradient{lit ? kMetalFaceBottom : kMetalFaceTop, lit ? kMetalFaceTop : kMetalFaceBottom,
                                  face.top, face.bottom});
    return face;
}

// A light in `window`: dark amber when off, glowing when lit.
void drawLight(Surface& s, const CRect& area, const Box& window, float radius, bool lit, float glow) {
    const auto shape = [&](float x, float y) { return roundBoxDistance(x, y, window, radius); };
    if (!lit) {
        fillShape(s, area, shape, VerticalGradient{rgb(0x1d140a), kAccentUnlit, window.top, window.bottom});
        return;
    }
    fillShape(s, area, shape, Solid{kAccent}, 0.45f, glow);
    const float cx = (window.left + window.right) * 0.5f;
    const float cy = (window.top + window.bottom) * 0.5f;
    const float reach = std::max(window.right - window.left, window.bottom - window.top) * 0.6f;
    fillShape(s, area, shape, [&](float x, float y) {
        const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / reach;
        return mix(rgb(0xfff1c8), kAccent, clamp01(d));
    });
}

void drawButtonImage(Surface& s, int top, ButtonKind kind, bool lit) {
    const CRect area(0, top, kButtonWidth, top + kButtonImageHeight);
    const Box face = drawCap(s, top, lit);
    const float cx = (face.left + face.right) * 0.5f;
    if (kind == ButtonKind::toggle) {
        const Box led{cx - 4.0f, face.top + 2.0f, cx + 4.0f, face.top + 5.0f};
        drawLight(s, area, led, 1.2f, lit, 4.0f);
    } else {
        const Box lens{face.left + 1.5f, face.top + 1.5f, face.right - 1.5f, face.bottom - 1.5f};
        fillRoundBox(s, area, lens, 2.0f, Solid{kWellBlack}, 0.8f, 1.0f);
        const Box glass{lens.left + 0.5f, lens.top + 0.5f, lens.right - 0.5f, lens.bottom - 0.5f};
        drawLight(s, area, glass, 1.5f, lit, 3.0f);
        // A reflection across the upper part of the glass.
        const Box shine{glass.left + 1.0f, glass.top + 1.0f, glass.right - 1.0f, glass.top + 4.0f};
        fillRoundBox(s, area, shine, 1.5f, Solid{rgb(0xffffff)}, lit ? 0.25f : 0.07f);
    }
}

// Meter colour at column x: green to yellow to red by the level in dBFS.
Rgb meterColour(int x) {
    const float db = ((float(x) + 0.5f) / float(kMeterWidth) - 1.0f) * kMeterDbPerUnit;
    const Rgb green = rgb(0x35d64a);
    const Rgb yellow = rgb(0xf2d23a);
    const Rgb orange = rgb(0xff8a22);
    const Rgb red = rgb(0xff3b30);
    if (db < -18.0f) return green;
    if (db < -9.0f) return mix(green, yellow, (db + 18.0f) / 9.0f);
    if (db < -4.0f) return mix(yellow, orange, (db + 9.0f) / 5.0f);
    return mix(orange, red, clamp01((db + 4.0f) / 2.0f));
}

}  // namespace

Surface drawButton(const Surface& panel, const CRect& at, ButtonKind kind) {
    return filmstrip(panel, at, 2, [&](Surface& s, int top, int state) { drawButtonImage(s, top, kind, state == 1); });
}

Surface drawMeter(bool lit) {
    // Segments of three columns and a one-column gap, lit like glass from
    // above; an unlit segment shows its colour faintly.
    constexpr int kSegment = 4;
    Surface s(kMeterWidth, kMeterHeight, toPixel(kWellBlack));
    for (int x = 0; x < kMeterWidth; ++x) {
        if (x % kSegment == kSegment - 1) continue;
        const Rgb c = meterColour(x);
        for (int y = 0; y < kMeterHeight; ++y) {
            const float shade = y == 0 ? 1.25f : 1.0f - 0.08f * float(y);
            const Rgb pixel = lit ? scaled(c, shade) : scaled(c, 0.16f * shade);
            s.row(y)[x] = toPixel(mix(pixel, rgb(0xffffff), lit && y == 0 ? 0.25f : 0.0f));
        }
    }
    return s;
}

}  // namespace tf::art
