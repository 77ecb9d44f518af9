// Windows icon files (.ico): one picture at several sizes in one file, from
// which Windows picks the size it shows.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/icon.h"

namespace tf::art {

// The sizes of the Windows icon: the shell's small, medium and large icons at
// 100 to 200 % scale (16 to 64 pixels) and the jumbo icon (256).
inline constexpr int kWindowsIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

// An .ico file image holding `icons` in their order: 32-bit images with alpha
// below 256 pixels, larger ones as PNG (as Windows reads them since Vista).
// Empty when an icon is empty or larger than 256 pixels.
std::vector<std::uint8_t> encodeIco(const std::vector<Icon>& icons);

}  // namespace tf::art
