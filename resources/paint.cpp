#include "resources/paint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tf::art {
namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180.0f;

std::uint8_t channel(float v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

float hypotenuse(float dx, float dy) { return std::sqrt(dx * dx + dy * dy); }

}  // namespace

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

Rgb scaled(Rgb c, float factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

Pixel toPixel(Rgb c) { return raster::pixelOf(CColorRGB{channel(c.r), channel(c.g), channel(c.b), 0}); }

Rgb fromPixel(Pixel p) { return {float(raster::redOf(p)), float(raster::greenOf(p)), float(raster::blueOf(p))}; }

void blend(Surface& s, int x, int y, Rgb c, float opacity) {
    if (x < 0 || y < 0 || x >= s.width() || y >= s.height()) return;
    Pixel& d = s.row(y)[x];
    d = toPixel(mix(fromPixel(d), c, clamp01(opacity)));
}

float circleDistance(float x, float y, float cx, float cy, float radius) { return hypotenuse(x - cx, y - cy) - radius; }

float roundBoxDistance(float x, float y, const Box& box, float radius) {
    const float cx = (box.left + box.right) * 0.5f;
    const float cy = (box.top + box.bottom) * 0.5f;
    const float qx = std::abs(x - cx) - ((box.right - box.left) * 0.5f - radius);
    const float qy = std::abs(y - cy) - ((box.bottom - box.top) * 0.5f - radius);
    const float outside = hypotenuse(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float segmentDistance(float x, float y, float ax, float ay, float bx, float by, float half) {
    const float dx = bx - ax;
    const float dy = by - ay;
    const float length2 = dx * dx + dy * dy;
    const float t = length2 > 0.0f ? clamp01(((x - ax) * dx + (y - ay) * dy) / length2) : 0.0f;
    return hypotenuse(x - (ax + t * dx), y - (ay + t * dy)) - half;
}

float arcDistance(float x, float y, float cx, float cy, float radius, float from, float to, float half) {
    const float theta = std::atan2(cy - y, x - cx) / kDegrees;
    const float sweep = from - to;
    const float into = std::fmod(std::fmod(from - theta, 360.0f) + 360.0f, 360.0f);
    if (into <= sweep) return std::abs(hypotenuse(x - cx, y - cy) - radius) - half;
    const Point a = polar(cx, cy, radius, from);
    const Point b = polar(cx, cy, radius, to);
    return std::min(hypotenuse(x - a.x, y - a.y), hypotenuse(x - b.x, y - b.y)) - half;
}

Point polar(float cx, float cy, float radius, float degrees) {
    return {cx + radius * std::cos(degrees * kDegrees), cy - radius * std::sin(degrees * kDegrees)};
}

Box boxOf(const CRect& r) { return {float(r.left), float(r.top), float(r.right), float(r.bottom)}; }

CRect areaOf(const Box& b, int margin) {
    return {int(std::floor(b.left)) - margin, int(std::floor(b.top)) - margin, int(std::ceil(b.right)) + margin,
            int(std::ceil(b.bottom)) + margin};
}

float hashNoise(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed ^ (std::uint32_t(x) * 0x8da6b343u) ^ (std::uint32_t(y) * 0xd8163841u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h & 0xffffu) / 65535.0f;
}

// ---- Text -----------------------------------------------------------------

namespace {

raster::FontSpec fontOf(const Type& type) {
    raster::FontSpec font;
    font.family = type.family;
    font.pixelSize = type.pixelSize;
    font.bold = type.bold;
    return font;
}

}  // namespace

int Typesetter::width(const Type& type, std::string_view text) {
    if (text.empty()) return 0;
    const raster::FontSpec font = fontOf(type);
    int w = 0;
    for (char c : text) w += fonts_.textWidth(font, std::string_view(&c, 1)) + type.tracking;
    return w - type.tracking;
}

int Typesetter::capHeight(const Type& type) {
    int baseline = 0;
    const Surface m = mask(type, "H", baseline);
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x)
            if (raster::greenOf(m.pixel(x, y)) > 127) return baseline - y;
    return 0;
}

Surface Typesetter::mask(const Type& type, std::string_view text, int& baseline) {
    const raster::FontSpec font = fontOf(type);
    const raster::TextMetrics m = fonts_.metrics(font);
    const int pad = 2;
    Surface s(width(type, text) + 2 * pad, m.height() + 2 * pad, 0);
    baseline = pad + m.ascent;
    int x = pad;
    for (char c : text) {
        const std::string_view one(&c, 1);
        fonts_.drawRun(s, s.bounds(), x, baseline, one, font, 0xffffff);
        x += fonts_.textWidth(font, one) + type.tracking;
    }
    return s;
}

void Typesetter::draw(Surface& s, const Type& type, std::string_view text, float x, int baseline, Align align,
                      Rgb colour, float opacity) {
    int maskBaseline = 0;
    const Surface m = mask(type, text, maskBaseline);
    const int w = width(type, text);
    float left = x;
    if (align == Align::centre) left = x - float(w) * 0.5f;
    if (align == Align::right) left = x - float(w);
    const int ox = int(std::lround(left)) - 2;  // the mask's padding
    const int oy = baseline - maskBaseline;
    for (int y = 0; y < m.height(); ++y)
        for (int mx = 0; mx < m.width(); ++mx)
            if (const float c = float(raster::greenOf(m.pixel(mx, y))) / 255.0f; c > 0.0f)
                blend(s, ox + mx, oy + y, colour, c * opacity);
}

void Typesetter::drawUpward(Surface& s, const Type& type, std::string_view text, float cx, float cy, Rgb colour) {
    int maskBaseline = 0;
    const Surface m = mask(type, text, maskBaseline);
    // Turned a quarter left, mask column x becomes row (height - 1 - x).
    const int ox = int(std::lround(cx - float(m.height()) * 0.5f));
    const int oy = int(std::lround(cy - float(m.width()) * 0.5f));
    for (int y = 0; y < m.height(); ++y)
        for (int mx = 0; mx < m.width(); ++mx)
            if (const float c = float(raster::greenOf(m.pixel(mx, y))) / 255.0f; c > 0.0f)
                blend(s, ox + y, oy + m.width() - 1 - mx, colour, c);
}

}  // namespace tf::art
