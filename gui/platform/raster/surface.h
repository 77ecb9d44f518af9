// A 32-bit pixel surface and the primitives every drawing of the toolkit is
// made of. Each binding shows these pixels as they are, so what a test reads
// back from a headless surface is what a window shows.
//
// Pixels are 0x00RRGGBB words, row after row, top row first (the layout of a
// 24/32-bit TrueColor XImage on a little-endian machine and of a top-down
// 32-bit DIB, so a binding can hand the rows over without converting them).
// Rectangles are half-open here: (left, top) inside, (right, bottom) outside.
// Every primitive clips to the surface and to the clip rectangle it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/geometry.h"

namespace tf::raster {

using Pixel = std::uint32_t;

constexpr Pixel pixelOf(CColorRGB c) {
    return (Pixel(c.red) << 16) | (Pixel(c.green) << 8) | Pixel(c.blue);
}
constexpr std::uint8_t redOf(Pixel p) { return std::uint8_t(p >> 16); }
constexpr std::uint8_t greenOf(Pixel p) { return std::uint8_t(p >> 8); }
constexpr std::uint8_t blueOf(Pixel p) { return std::uint8_t(p); }

// The pattern a line is drawn with. A dotted pen is 3 pixels on, 3 off; the
// phase runs on from one line to the next until the pen moves (moveTo) or
// changes style.
struct Pen {
    Pixel color = 0;
    bool dotted = false;
    int phase = 0;  // position in the dot pattern, carried between lines
};

class Surface {
public:
    Surface() = default;
    // A width x height surface filled with `fill`; negative sizes count as 0.
    Surface(int width, int height, Pixel fill = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    CRect bounds() const { return {0, 0, width_, height_}; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }

    // Row-major pixels, stride() words per row.
    Pixel* data() { return pixels_.data(); }
    const Pixel* data() const { return pixels_.data(); }
    int stride() const { return width_; }
    Pixel* row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const Pixel* row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }

    // The pixel at (x, y); 0 outside the surface.
    Pixel pixel(int x, int y) const;
    // Sets one pixel if it lies inside `clip` and the surface.
    void setPixel(int x, int y, Pixel p, const CRect& clip);
    // Mixes `p` into the pixel at (x, y) with coverage 0..255 (text edges).
    void blendPixel(int x, int y, Pixel p, unsigned coverage, const CRect& clip);

    // Fills the half-open rectangle `r`.
    void fill(const CRect& r, Pixel p, const CRect& clip);
    // Fills the ellipse inscribed in the half-open box `box`: a pixel is in
    // when its centre lies inside the ellipse.
    void fillEllipse(const CRect& box, Pixel p, const CRect& clip);
    // A one-pixel line from `from` to `to` that leaves out its end point, so
    // lines joined end to start set every pixel once.
    void line(CPoint from, CPoint to, Pen& pen, const CRect& clip);
    // Opaque copy of `src` into the half-open rectangle `dst`, taken from
    // `src` at `srcOffset`; parts outside `src` are left untouched.
    void copyFrom(const Surface& src, const CRect& dst, CPoint srcOffset, const CRect& clip);

private:
    // Whether (x, y) lies inside the surface and inside `clip`.
    bool writable(int x, int y, const CRect& clip) const;

    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

}  // namespace tf::raster
