// Saving a surface as a PNG file, for the pictures the toolkit tests leave
// for a person to look at.
#pragma once

#include <string>

#include "gui/platform/raster/surface.h"

namespace guitest {

// Writes `image` as an 8-bit RGB PNG file; false on failure.
bool writePng(const tf::raster::Surface& image, const std::string& path);

}  // namespace guitest
