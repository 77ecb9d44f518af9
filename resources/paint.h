// The artwork generator's drawing tools: antialiased shapes described by
// signed distance functions, blended into a raster surface with a paint (a
// colour as a function of position), and text set through FreeType.
//
// Coordinates are continuous: pixel (x, y) covers [x, x + 1) x [y, y + 1) and
// is sampled at its centre. A distance is negative inside a shape, in pixels;
// the coverage of a pixel is its centre's distance mapped through a ramp one
// pixel wide (wider for soft shadows and glows).
#pragma once

#include <cstdint>
#include <string_view>

#include "gui/platform/raster/surface.h"
#include "gui/platform/raster/text.h"

namespace tf::art {

using raster::Pixel;
using raster::Surface;

// A colour with float channels on the 0..255 scale.
struct Rgb {
    float r = 0;
    float g = 0;
    float b = 0;
};

constexpr Rgb rgb(std::uint32_t hex) {
    return {float((hex >> 16) & 0xff), float((hex >> 8) & 0xff), float(hex & 0xff)};
}
Rgb mix(Rgb a, Rgb b, float t);
Rgb scaled(Rgb c, float factor);
Pixel toPixel(Rgb c);
Rgb fromPixel(Pixel p);
float clamp01(float v);
float smoothstep(float edge0, float edge1, float v);

// Blends `c` into the pixel at (x, y) with opacity 0..1; nothing outside.
void blend(Surface& s, int x, int y, Rgb c, float opacity);

// Fills the pixels of `area` covered by `shape` (a distance function of the
// pixel centre) with `paint` (a colour function of the pixel centre).
// `softness` widens the edge ramp (1 is a sharp antialiased edge).
template <class Shape, class Paint>
void fillShape(Surface& s, const CRect& area, Shape shape, Paint paint, float opacity = 1.0f, float softness = 1.0f) {
    const CRect a = area.intersect(s.bounds());
    for (int y = a.top; y < a.bottom; ++y) {
        for (int x = a.left; x < a.right; ++x) {
            const float px = float(x) + 0.5f;
            const float py = float(y) + 0.5f;
            const float coverage = clamp01(0.5f - shape(px, py) / softness);
            if (coverage > 0.0f) blend(s, x, y, paint(px, py), coverage * opacity);
        }
    }
}

// Paints every pixel of `area`.
template <class Paint>
void fillArea(Surface& s, const CRect& area, Paint paint) {
    fillShape(
        s, area, [](float, float) { return -1.0f; }, paint);
}

// A paint of one colour.
struct Solid {
    Rgb colour;
    Rgb operator()(float, float) const { return colour; }
};

// A vertical gradient from `top` at y0 to `bottom` at y1, constant outside.
struct VerticalGradient {
    Rgb top;
    Rgb bottom;
    float y0;
    float y1;
    Rgb operator()(float, float y) const { return mix(top, bottom, clamp01((y - y0) / (y1 - y0))); }
};

// Distance functions of the shapes the artwork is made of.
struct Box {
    float left, top, right, bottom;
};
float circleDistance(float x, float y, float cx, float cy, float radius);
float roundBoxDistance(float x, float y, const Box& box, float radius);
// A stroke of half-width `half` along the segment (ax, ay)-(bx, by), round ends.
float segmentDistance(float x, float y, float ax, float ay, float bx, float by, float half);
// A stroke of half-width `half` along the circle of `radius` about (cx, cy)
// between two angles (degrees, counter-clockwise from the positive x axis with
// y up), from `from` clockwise to `to`, with round ends.
float arcDistance(float x, float y, float cx, float cy, float radius, float from, float to, float half);

// A rounded box and a circle, the shapes most of the artwork is made of.
template <class Paint>
void fillRoundBox(Surface& s, const CRect& area, const Box& box, float radius, Paint paint, float opacity = 1.0f,
                  float softness = 1.0f) {
    fillShape(
        s, area, [&](float x, float y) { return roundBoxDistance(x, y, box, radius); }, paint, opacity, softness);
}
template <class Paint>
void fillCircle(Surface& s, const CRect& area, float cx, float cy, float radius, Paint paint, float opacity = 1.0f,
                float softness = 1.0f) {
    fillShape(
        s, area, [&](float x, float y) { return circleDistance(x, y, cx, cy, radius); }, paint, opacity, softness);
}

// The point at `degrees` on the circle of `radius` about (cx, cy), y down.
struct Point {
    float x;
    float y;
};
Point polar(float cx, float cy, float radius, float degrees);

// Rectangles in continuous coordinates from a pixel rectangle and back.
Box boxOf(const CRect& r);
CRect areaOf(const Box& b, int margin = 1);

// A small fixed-seed hash: the same value for the same arguments, every run.
float hashNoise(int x, int y, std::uint32_t seed);

// Text, set with hinting at whole pixels. `tracking` adds that many pixels
// after each character.
struct Type {
    const char* family = "Liberation Sans";
    int pixelSize = 9;
    bool bold = true;
    int tracking = 0;
};

enum class Align { left, centre, right };

class Typesetter {
public:
    int width(const Type& type, std::string_view text);
    // The cap height of the face in pixels (the height of "H").
    int capHeight(const Type& type);
    // Draws `text` with its baseline at `baseline`, placed at x by `align`.
    void draw(Surface& s, const Type& type, std::string_view text, float x, int baseline, Align align, Rgb colour,
              float opacity = 1.0f);
    // Draws `text` turned a quarter left (reading upward), its box centred on
    // (cx, cy).
    void drawUpward(Surface& s, const Type& type, std::string_view text, float cx, float cy, Rgb colour);

private:
    // A coverage mask of `text`: the channel value of each pixel is the
    // coverage; the baseline lies at `baseline` rows from the top.
    Surface mask(const Type& type, std::string_view text, int& baseline);

    raster::FontEngine fonts_;
};

}  // namespace tf::art
