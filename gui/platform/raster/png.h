// PNG files of surfaces, for screenshots and reference images (not used by
// the plug-in itself).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/platform/raster/surface.h"

namespace tf::raster {

// Writes `image` as an 8-bit RGB PNG file, or RGBA with `alpha` (one byte per
// pixel, row after row); false on failure.
bool writePng(const Surface& image, const std::string& path, const std::uint8_t* alpha = nullptr);
// The same as a PNG file image in memory; empty on failure.
std::vector<std::uint8_t> encodePng(const Surface& image, const std::uint8_t* alpha = nullptr);

// Reads a PNG file into `image` (any PNG is converted to RGB); false, and
// `image` left as it was, when the file cannot be read.
bool readPng(const std::string& path, Surface& image);

}  // namespace tf::raster
