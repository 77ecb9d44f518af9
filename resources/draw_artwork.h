// Draws the plug-in's thirteen bitmaps: the panel first, then each control's
// images on the panel pixels under the control, so a control copied opaquely
// over the panel shows no edge where it stops drawing.
#pragma once

#include <vector>

#include "gui/platform/raster/surface.h"

namespace tf::art {

struct Bitmap {
    int id;
    raster::Surface image;
};

// Every bitmap of kBitmapSizes, in that table's order. The same bytes every run.
std::vector<Bitmap> drawArtwork();

// The image of bitmap `id` in `set`; an empty surface when it is missing.
const raster::Surface& bitmapOf(const std::vector<Bitmap>& set, int id);

}  // namespace tf::art
