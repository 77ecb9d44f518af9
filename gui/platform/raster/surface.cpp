#include "gui/platform/raster/surface.h"

#include <algorithm>
#include <cstdlib>

namespace tf::raster {
namespace {

constexpr int kDotOn = 3;      // a dotted pen sets 3 pixels ...
constexpr int kDotPeriod = 6;  // ... of every 6

CRect clipped(const CRect& r, const CRect& clip, const CRect& bounds) {
    return r.intersect(clip).intersect(bounds);
}

}  // namespace

Surface::Surface(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(std::size_t(width_) * std::size_t(height_), fill) {
    if (width_ == 0 || height_ == 0) width_ = height_ = 0;
}

Pixel Surface::pixel(int x, int y) const {
    return bounds().contains(CPoint(x, y)) ? row(y)[x] : 0;
}

bool Surface::writable(int x, int y, const CRect& clip) const {
    const CPoint p(x, y);
    return bounds().contains(p) && clip.contains(p);
}

void Surface::setPixel(int x, int y, Pixel p, const CRect& clip) {
    if (writable(x, y, clip)) row(y)[x] = p;
}

void Surface::blendPixel(int x, int y, Pixel p, unsigned coverage, const CRect& clip) {
    if (coverage == 0) return;
    if (coverage >= 255) {
        setPixel(x, y, p, clip);
        return;
    }
    if (!writable(x, y, clip)) return;
    Pixel& d = row(y)[x];
    auto mix = [coverage](unsigned over, unsigned under) {
        return (over * coverage + under * (255u - coverage) + 127u) / 255u;
    };
    d = (mix(redOf(p), redOf(d)) << 16) | (mix(greenOf(p), greenOf(d)) << 8) | mix(blueOf(p), blueOf(d));
}

void Surface::fill(const CRect& r, Pixel p, const CRect& clip) {
    const CRect c = clipped(r, clip, bounds());
    if (c.isEmpty()) return;
    for (int y = c.top; y < c.bottom; ++y) std::fill(row(y) + c.left, row(y) + c.right, p);
}

void Surface::fillEllipse(const CRect& box, Pixel p, const CRect& clip) {
    const CRect c = clipped(box, clip, bounds());
    if (c.isEmpty()) return;
    // In doubled coordinates the pixel centre is 2x + 1 and the ellipse's
    // centre left + right, so everything stays integral.
    const std::int64_t a = box.right - box.left;
    const std::int64_t b = box.bottom - box.top;
    const std::int64_t limit = a * a * b * b;
    for (int y = c.top; y < c.bottom; ++y) {
        const std::int64_t dy = 2 * std::int64_t(y) + 1 - (box.top + box.bottom);
        const std::int64_t ry = dy * dy * a * a;
        for (int x = c.left; x < c.right; ++x) {
            const std::int64_t dx = 2 * std::int64_t(x) + 1 - (box.left + box.right);
            if (dx * dx * b * b + ry <= limit) row(y)[x] = p;
        }
    }
}

void Surface::line(CPoint from, CPoint to, Pen& pen, const CRect& clip) {
    // Bresenham from `from` towards `to`, stopping before `to`.
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    int x = from.x;
    int y = from.y;
    while (x != to.x || y != to.y) {
        if (!pen.dotted || pen.phase < kDotOn) setPixel(x, y, pen.color, clip);
        if (pen.dotted) pen.phase = (pen.phase + 1) % kDotPeriod;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Surface::copyFrom(const Surface& src, const CRect& dst, CPoint srcOffset, const CRect& clip) {
    // The part of dst whose source pixels exist.
    const CRect fromSrc(dst.left - srcOffset.x, dst.top - srcOffset.y,
                        dst.left - srcOffset.x + src.width(), dst.top - srcOffset.y + src.height());
    const CRect c = clipped(dst, clip, bounds()).intersect(fromSrc);
    if (c.isEmpty()) return;
    for (int y = c.top; y < c.bottom; ++y) {
        const Pixel* s = src.row(y - dst.top + srcOffset.y) + (c.left - dst.left + srcOffset.x);
        std::copy(s, s + c.width(), row(y) + c.left);
    }
}

}  // namespace tf::raster
