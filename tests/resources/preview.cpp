#include "preview.h"

namespace arttest {

using tf::raster::Surface;

Surface contactSheet(const Surface& strip, int frameHeight, int columns, int gap) {
    const int frames = strip.height() / frameHeight;
    const int rows = (frames + columns - 1) / columns;
    Surface sheet(columns * (strip.width() + gap) + gap, rows * (frameHeight + gap) + gap, 0x808080);
    for (int f = 0; f < frames; ++f) {
        const int x = gap + (f % columns) * (strip.width() + gap);
        const int y = gap + (f / columns) * (frameHeight + gap);
        sheet.copyFrom(strip, {x, y, x + strip.width(), y + frameHeight}, CPoint(0, f * frameHeight), sheet.bounds());
    }
    return sheet;
}

Surface enlarged(const Surface& image, int factor) {
    Surface out(image.width() * factor, image.height() * factor);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.row(y)[x] = image.pixel(x / factor, y / factor);
    return out;
}

}  // namespace arttest
