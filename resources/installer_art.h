// The Windows installer's pictures, in the product's look: the header of its
// pages and the picture on its welcome and finish pages, at the sizes
// NSIS's Modern UI shows without scaling.
#pragma once

#include "gui/platform/raster/surface.h"

namespace tf::art {

inline constexpr int kInstallerHeaderWidth = 150;
inline constexpr int kInstallerHeaderHeight = 57;
inline constexpr int kInstallerWelcomeWidth = 164;
inline constexpr int kInstallerWelcomeHeight = 314;

// The header: the mark and the wordmark on the title bar's brushed metal.
raster::Surface drawInstallerHeader();

// The welcome picture: the icon and the wordmark over a plate whose screen
// shows a voice's spectrum in amber, the maker's name below.
raster::Surface drawInstallerWelcome();

}  // namespace tf::art
