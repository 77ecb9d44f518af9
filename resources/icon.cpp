#include "resources/icon.h"

#include <algorithm>
#include <cmath>

#include "gui/platform/raster/png.h"
#include "resources/paint.h"
#include "resources/palette.h"

namespace tf::art {
namespace {

// The mark's bar heights, as the title bar draws them (16 is the tallest).
constexpr float kBarHeights[] = {6, 12, 16, 10, 5};
constexpr int kBars = 5;
constexpr float kTallest = 16;

// Below this size every edge sits on a pixel boundary: a few sharp pixels
// read better than antialiased ones.
constexpr int kCrispBelow = 64;
// From this size on the tile casts a shadow and the bars glow.
constexpr int kShadowFrom = 48;

// Proportions of the tile, of the icon's size.
constexpr float kInset = 0.07f;        // margin around the tile (room for its shadow)
constexpr float kCornerRadius = 0.2f;  // of the tile's width
// Proportions of the mark, of the tile's width.
constexpr float kBarPitch = 0.13f;
constexpr float kBarWidth = 0.6f;      // of the pitch
constexpr float kMarkHeight = 0.6f;

constexpr Rgb kTileTop = rgb(0x363a41);
constexpr Rgb kTileBottom = rgb(0x1c1e22);

struct Bar {
    Box box;
    float radius;
};

// The bars, centred on the tile.
std::vector<Bar> layoutBars(int size, const Box& tile) {
    const float tileWidth = tile.right - tile.left;
    const bool crisp = size < kCrispBelow;
    float pitch = tileWidth * kBarPitch;
    float width = pitch * kBarWidth;
    float height = tileWidth * kMarkHeight;
    if (crisp) {
        pitch = std::max(2.0f, std::round(pitch));
        width = std::max(1.0f, std::round(width));
    }
    const float span = pitch * (kBars - 1) + width;
    float left = (float(size) - span) * 0.5f;
    if (crisp) left = std::round(left);
    const float centre = float(size) * 0.5f;
    std::vector<Bar> bars;
    for (int i = 0; i < kBars; ++i) {
        float h = height * kBarHeights[i] / kTallest;
        // Even heights keep a crisp bar centred on the tile.
        if (crisp) h = std::max(2.0f, 2.0f * std::round(h * 0.5f));
        const float x = left + pitch * float(i);
        bars.push_back({{x, centre - h * 0.5f, x + width, centre + h * 0.5f}, crisp ? 0.0f : width * 0.5f});
    }
    return bars;
}

}  // namespace

Icon drawIcon(int size) {
    const float s = float(size);
    const float inset = std::max(1.0f, std::round(s * kInset));
    const Box tile{inset, inset, s - inset, s - inset};
    const float radius = (tile.right - tile.left) * kCornerRadius;
    const CRect all(0, 0, size, size);
    auto tileDistance = [&](float x, float y) { return roundBoxDistance(x, y, tile, radius); };

    // The colour everywhere is the tile's; the alpha channel cuts it out.
    Surface colour(size, size);
    fillArea(colour, all, VerticalGradient{kTileTop, kTileBottom, tile.top, tile.bottom});
    if (size >= kCrispBelow) {
        // A rim lit from above inside a dark outline.
        const float rim = std::max(1.0f, s / 128.0f);
        auto inner = [&](float x, float y) { return tileDistance(x, y) + rim; };
        fillShape(
            colour, all, [&](float x, float y) { return std::max(inner(x, y), -inner(x, y - rim)); },
            Solid{kPlateRimLight}, 0.8f);
        fillShape(
            colour, all, [&](float x, float y) { return std::max(tileDistance(x, y), -inner(x, y)); },
            Solid{kPlateOutline}, 0.9f);
    }

    const std::vector<Bar> bars = layoutBars(size, tile);
    const float markTop = bars[2].box.top;
    const float markBottom = bars[2].box.bottom;
    if (size >= kShadowFrom) {
        for (const Bar& b : bars)
            fillShape(
                colour, all, [&](float x, float y) { return roundBoxDistance(x, y, b.box, b.radius); },
                Solid{kAccentDeep}, 0.22f, s * 0.05f);
    }
    for (const Bar& b : bars)
        fillRoundBox(colour, all, b.box, b.radius, VerticalGradient{kAccent, kAccentDeep, markTop, markBottom});

    // Alpha: the tile over its shadow, which is black below it.
    Icon icon{Surface(size, size), std::vector<std::uint8_t>(std::size_t(size) * std::size_t(size))};
    const float shadowDrop = s * 0.02f;
    const float shadowSoftness = s * 0.04f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float px = float(x) + 0.5f;
            const float py = float(y) + 0.5f;
            const float cover = clamp01(0.5f - tileDistance(px, py));
            const float shade = size >= kShadowFrom
                                    ? 0.45f * clamp01(0.5f - roundBoxDistance(px, py - shadowDrop, tile, radius) / shadowSoftness)
                                    : 0.0f;
            const float alpha = cover + shade * (1.0f - cover);
            const Rgb c = alpha > 0.0f ? scaled(fromPixel(colour.pixel(x, y)), cover / alpha) : Rgb{};
            icon.colour.row(y)[x] = toPixel(c);
            icon.alpha[std::size_t(y) * std::size_t(size) + std::size_t(x)] =
                std::uint8_t(std::lround(alpha * 255.0f));
        }
    return icon;
}

bool writeIconPng(const Icon& icon, const std::string& path) {
    return raster::writePng(icon.colour, path, icon.alpha.data());
}

}  // namespace tf::art
