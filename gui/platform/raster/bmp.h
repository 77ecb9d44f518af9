// Reading and writing uncompressed Windows bitmaps (BMP), the form the
// plug-in's bitmap resources are stored in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/platform/raster/surface.h"

namespace tf::raster {

// Decodes a 24-bit (or 32-bit) uncompressed BMP file image, bottom-up or
// top-down. Returns false and leaves `out` empty on anything else or on
// truncated data.
bool decodeBmp(const std::uint8_t* data, std::size_t size, Surface& out);

// Encodes `s` as a 24-bit bottom-up BMP file image.
std::vector<std::uint8_t> encodeBmp(const Surface& s);

}  // namespace tf::raster
