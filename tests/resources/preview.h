// The editor's window as the plug-in will show it, put together from the
// generated bitmaps the way the toolkit draws its controls, for a person to
// look at and for the seam checks.
#pragma once

#include <vector>

#include "resources/draw_artwork.h"

namespace arttest {

// A 640 x 385 window with every control in a typical state: meters and
// spectrum moving, a three-note chord, a curve on the sliders, Flat held.
tf::raster::Surface composeWindow(const std::vector<tf::art::Bitmap>& set);

// The frames of a vertical filmstrip laid out in rows of `columns`, with a
// pixel of `gap` between them.
tf::raster::Surface contactSheet(const tf::raster::Surface& strip, int frameHeight, int columns, int gap);

// `image` enlarged `factor` times, each pixel a square.
tf::raster::Surface enlarged(const tf::raster::Surface& image, int factor);

}  // namespace arttest
