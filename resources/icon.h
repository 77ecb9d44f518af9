// The program's icon: the mark of the editor's title bar, five spectrum bars,
// lit amber on a graphite tile, drawn for each size desktops and the Windows
// installer ask for. Unlike the editor's bitmaps it has an alpha channel: the
// tile's rounded corners and its shadow show what lies behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/platform/raster/surface.h"

namespace tf::art {

// The sizes of the freedesktop hicolor theme's application icons, which
// include the Windows icon's 16, 24, 32, 48 and 256.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

struct Icon {
    raster::Surface colour;          // not premultiplied
    std::vector<std::uint8_t> alpha;  // one byte a pixel, row after row
};

// The icon at `size` x `size` pixels. The same bytes every run.
Icon drawIcon(int size);

// Writes the icon as an 8-bit RGBA PNG file; false on failure.
bool writeIconPng(const Icon& icon, const std::string& path);

}  // namespace tf::art
