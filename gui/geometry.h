// Points, rectangles and colours of the toolkit. Coordinates are integer
// pixels with y downward; a rectangle is (left, top, right, bottom).
#pragma once

#include <cstdint>

struct CPoint {
    int x = 0;
    int y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int px, int py) : x(px), y(py) {}
    bool operator==(const CPoint&) const = default;
    CPoint& offset(int dx, int dy) { x += dx; y += dy; return *this; }
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    bool operator==(const CRect&) const = default;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    CRect& offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; return *this; }
    // Both edges included: a point on the right or bottom edge is inside.
    constexpr bool pointInside(CPoint p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    // Half-open: a point on the right or bottom edge is outside.
    constexpr bool contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    // Intersection of two half-open rectangles (may come out empty).
    CRect intersect(const CRect& o) const {
        return {left > o.left ? left : o.left, top > o.top ? top : o.top,
                right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    }
    // Smallest rectangle holding both; an empty one does not count.
    CRect unite(const CRect& o) const {
        if (isEmpty()) return o;
        if (o.isEmpty()) return *this;
        return {left < o.left ? left : o.left, top < o.top ? top : o.top,
                right > o.right ? right : o.right, bottom > o.bottom ? bottom : o.bottom};
    }
};

// Red, green, blue and a spare byte (0 in every colour used).
struct CColorRGB {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t unused = 0;
    bool operator==(const CColorRGB&) const = default;
};

inline constexpr CColorRGB kBlackCColor{0, 0, 0, 0};
inline constexpr CColorRGB kWhiteCColor{255, 255, 255, 0};
inline constexpr CColorRGB kGreyCColor{127, 127, 127, 0};
inline constexpr CColorRGB kYellowCColor{255, 255, 0, 0};
