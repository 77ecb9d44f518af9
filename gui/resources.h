// The plug-in's bitmaps, compiled into the library as BMP file images and
// found by numeric resource id.
//
// The table itself is linked in, like the platform binding: the resources
// library provides bitmapResourceTable() for the plug-in, and a test provides
// its own. Images made at run time skip the table (see CResBitmap). On
// Windows the bitmaps are the module's own resources instead, and the Win32
// binding defines loadBitmapResource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gui/platform/raster/surface.h"

namespace tf::gui {

// Decodes bitmap resource `id` into `image`; false, with `image` empty, when
// there is no such bitmap or it cannot be read.
bool loadBitmapResource(int id, raster::Surface& image);

struct BitmapResource {
    int id;
    const std::uint8_t* data;  // a whole BMP file
    std::size_t size;
};

// Every bitmap resource of the library; defined by the linked resource table.
std::span<const BitmapResource> bitmapResourceTable();

// The resource with `id`, or null.
const BitmapResource* findBitmapResource(int id);

}  // namespace tf::gui
