// Enlarged sheets of the filmstrips' frames, for a person to look at.
#pragma once

#include "gui/platform/raster/surface.h"

namespace arttest {

// The frames of a vertical filmstrip laid out in rows of `columns`, with a
// pixel of `gap` between them.
tf::raster::Surface contactSheet(const tf::raster::Surface& strip, int frameHeight, int columns, int gap);

// `image` enlarged `factor` times, each pixel a square.
tf::raster::Surface enlarged(const tf::raster::Surface& image, int factor);

}  // namespace arttest
