// The plug-in's bitmaps, compiled into the library as BMP file images and
// found by numeric resource id.
//
// The table itself is linked in, like the platform binding: the resources
// library provides bitmapResourceTable() for the plug-in, and a test provides
// its own. Images made at run time skip the table (see CResBitmap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tf::gui {

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
