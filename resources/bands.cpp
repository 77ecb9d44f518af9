// The spectrum's screen and the band slider strip.
#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/palette.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

constexpr Rgb kScreenTop = rgb(0x0b1014);
constexpr Rgb kScreenBottom = rgb(0x06080a);
constexpr Rgb kBarSlot = rgb(0x0d181c);
constexpr Rgb kGrid = rgb(0x1a2730);
constexpr int kGridSteps = 4;  // lines at each quarter of full scale

constexpr int kTrackLeft = 5;  // the slot the cap runs in: columns 5 and 6
constexpr int kTrackTop = 3;
constexpr int kTrackBottom = 74;
constexpr float kCapHalfWidth = 5.0f;
constexpr float kCapHalfHeight = 2.5f;

void drawSlider(Surface& s, int top, int level) {
    const CRect area(0, top, kSliderWidth, top + kSliderFrameHeight);
    const float t = float(top);
    const int row = top + kSliderZeroRow - level;
    const float cx = float(kSliderWidth) * 0.5f;

    // Scale dots at full, half and zero level along both edges.
    for (int mark : {kSliderLevels, kSliderLevels / 2, 0})
        for (int x : {0, kSliderWidth - 1}) blend(s, x, top + kSliderZeroRow - mark, kRule, 1.0f);

    // The slot, lit amber below the cap.
    const Box slot{float(kTrackLeft), t + float(kTrackTop), float(kTrackLeft + 2), t + float(kTrackBottom)};
    fillRoundBox(s, area, slot, 1.0f, Solid{kWellBlack});
    const Box fill{slot.left, float(row), slot.right, t + float(kSliderZeroRow + 1)};
    if (level > 0)
        fillRoundBox(s, area, fill, 0.5f, VerticalGradient{kAccent, kAccentDeep, fill.top, fill.top + 30.0f}, 0.85f);

    // The cap: a shadow, a metal body and a dark index line on its centre row.
    const float cy = float(row) + 0.5f;
    const Box cap{cx - kCapHalfWidth, cy - kCapHalfHeight, cx + kCapHalfWidth, cy + kCapHalfHeight};
    fillShape(
        s, area, [&](float x, float y) { return roundBoxDistance(x, y - 1.0f, cap, 1.5f); }, Solid{kShadow}, 0.7f,
        1.8f);
    fillRoundBox(s, area, cap, 1.5f, VerticalGradient{rgb(0xe6e8ec), rgb(0x8d9199), cap.top, cap.bottom});
    for (int x = int(cap.left) + 1; x < int(cap.right) - 1; ++x) blend(s, x, row, rgb(0x1b1c1f), 0.9f);
}

}  // namespace

Surface drawSpectrumScreen() {
    Surface s(kSpectrumWidth, kSpectrumHeight, 0);
    fillArea(s, s.bounds(), VerticalGradient{kScreenTop, kScreenBottom, 0, float(kSpectrumHeight)});
    for (int b = 0; b < kBands; ++b) {
        const CRect bar(b * kBarPitch + kBarLeft, kBarTop, b * kBarPitch + kBarLeft + kBarWidth, kBarBottom);
        s.fill(bar, toPixel(kBarSlot), s.bounds());
    }
    const int span = kBarBottom - kBarTop;
    for (int i = 1; i <= kGridSteps; ++i) {
        const int y = kBarBottom - 1 - i * span / kGridSteps;
        for (int x = 1; x < kSpectrumWidth - 1; ++x) blend(s, x, y, kGrid, x % 2 == 0 ? 1.0f : 0.5f);
    }
    return s;
}

Surface drawSliderStrip(const Surface& panel) {
    const CRect first(kSlidersRect.left, kSlidersRect.top, kSlidersRect.left + kSliderWidth, kSlidersRect.bottom);
    return filmstrip(panel, first, kSliderFrames, drawSlider);
}

}  // namespace tf::art
