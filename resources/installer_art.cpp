#include "resources/installer_art.h"

#include <cmath>

#include "resources/icon.h"
#include "resources/palette.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

const Type kSpaced{"Liberation Sans", 9, true, 2};

// The title bar's edges: a highlight along the top, a dark seam along the bottom.
void barEdges(Surface& s, const CRect& bar) {
    s.fill({bar.left, bar.top, bar.right, bar.top + 1}, toPixel(rgb(0x3d4047)), s.bounds());
    s.fill({bar.left, bar.bottom - 1, bar.right, bar.bottom}, toPixel(rgb(0x070708)), s.bounds());
}

float wordmarkWidth(Typesetter& type, int pixelSize) {
    const Type face{"Liberation Sans", pixelSize, true, 0};
    return float(type.width(face, "Talk") + type.width(face, "forge"));
}

// The icon over `s` with its alpha, its top left corner at (left, top).
void composite(Surface& s, const Icon& icon, int left, int top) {
    const int n = icon.colour.width();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            blend(s, left + x, top + y, fromPixel(icon.colour.pixel(x, y)),
                  float(icon.alpha[std::size_t(y) * std::size_t(n) + std::size_t(x)]) / 255.0f);
}

// The level of band `i` of `bands` in a spoken vowel: two formant peaks over
// a falling slope, 0..1.
float vowelLevel(int i, int bands) {
    const float f = float(i) / float(bands - 1);
    auto peak = [&](float at, float width) { return std::exp(-(f - at) * (f - at) / (2 * width * width)); };
    return std::min(1.0f, 0.18f + 0.25f * (1 - f) + 0.75f * peak(0.2f, 0.07f) + 0.55f * peak(0.55f, 0.09f));
}

}  // namespace

Surface drawInstallerHeader() {
    Surface s(kInstallerHeaderWidth, kInstallerHeaderHeight, 0);
    const CRect all = s.bounds();
    brushedMetal(s, all);
    barEdges(s, all);
    markBadge(s, {10, 14, 39, 43});
    Typesetter type;
    wordmark(s, type, 47, 34, 20);
    type.draw(s, kSpaced, "VOCODER", 48, 47, Align::left, kScaleText);
    return s;
}

Surface drawInstallerWelcome() {
    const int w = kInstallerWelcomeWidth;
    const int h = kInstallerWelcomeHeight;
    Surface s(w, h, 0);
    fillArea(s, s.bounds(), VerticalGradient{kChassisTop, kChassisBottom, 0, float(h)});
    Typesetter type;

    // The icon and the wordmark on the title bar's metal.
    const CRect bar(0, 0, w, 158);
    brushedMetal(s, bar);
    barEdges(s, bar);
    const int iconSize = 80;
    composite(s, drawIcon(iconSize), (w - iconSize) / 2, 16);
    const int markSize = 24;
    wordmark(s, type, std::round((float(w) - wordmarkWidth(type, markSize)) * 0.5f), 126, markSize);
    type.draw(s, kSpaced, "VOCODER", float(w) * 0.5f + 1, 145, Align::centre, kScaleText);

    // A plate whose screen shows the bands of a vowel, lit amber.
    const Box face{6, 168, float(w) - 6, 284};
    plate(s, face);
    type.draw(s, kSectionType, "SPECTRUM", float(w) * 0.5f, int(face.top) + 11, Align::centre, kAccent);
    const CRect screen(14, int(face.top) + 19, w - 14, int(face.bottom) - 9);
    well(s, screen, 3.0f);
    s.fill(screen, toPixel(kBed), s.bounds());
    const int bands = 22;
    const int pitch = screen.width() / bands;
    const int left = screen.left + (screen.width() - pitch * bands) / 2 + 1;
    for (int i = 0; i < bands; ++i) {
        const float top = float(screen.bottom) - 2 - vowelLevel(i, bands) * float(screen.height() - 6);
        const Box band{float(left + i * pitch), top, float(left + i * pitch + pitch - 2), float(screen.bottom - 2)};
        fillArea(s, areaOf(band, 0), VerticalGradient{kAccent, kAccentDeep, top, band.bottom});
    }

    type.draw(s, kSpaced, "HARROWGATE SOUNDS", float(w) * 0.5f + 1, h - 12, Align::centre, kLabel);
    return s;
}

}  // namespace tf::art
