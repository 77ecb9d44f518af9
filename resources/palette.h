// The colours and type of the Talkforge panel: graphite plates on a darker
// chassis, light grey print, one warm amber accent for what is lit. The
// spectrum's cyan and the text boxes' yellow come from the editor at run time.
#pragma once

#include "resources/paint.h"

namespace tf::art {

// Chassis and plates.
inline constexpr Rgb kChassisTop = rgb(0x18191c);
inline constexpr Rgb kChassisBottom = rgb(0x111214);
inline constexpr Rgb kPlateTop = rgb(0x2b2e34);
inline constexpr Rgb kPlateBottom = rgb(0x23262b);
inline constexpr Rgb kPlateRimLight = rgb(0x4a4f58);
inline constexpr Rgb kPlateRimDark = rgb(0x1a1c20);
inline constexpr Rgb kPlateOutline = rgb(0x0a0b0c);
inline constexpr Rgb kShadow = rgb(0x000000);

// Recesses: the wells around meters, text boxes, spectrum and sliders.
inline constexpr Rgb kWellBlack = rgb(0x000000);
inline constexpr Rgb kWellLipTop = rgb(0x0b0c0e);
inline constexpr Rgb kWellLipBottom = rgb(0x4b5059);
inline constexpr Rgb kBed = rgb(0x0e0f12);

// Print.
inline constexpr Rgb kLabel = rgb(0xc4c9d1);
inline constexpr Rgb kScaleText = rgb(0x868c96);
inline constexpr Rgb kRule = rgb(0x41464f);
inline constexpr Rgb kAccent = rgb(0xffab40);
inline constexpr Rgb kAccentDeep = rgb(0xe07a12);
inline constexpr Rgb kAccentUnlit = rgb(0x4a3418);

// Knobs and caps.
inline constexpr Rgb kMetalLight = rgb(0x5d626b);
inline constexpr Rgb kMetalFaceTop = rgb(0x41454d);
inline constexpr Rgb kMetalFaceBottom = rgb(0x26292e);
inline constexpr Rgb kMetalDark = rgb(0x131416);
inline constexpr Rgb kPointer = rgb(0xf4f5f7);
inline constexpr Rgb kGroove = rgb(0x0a0b0c);

// Type, hinted at whole pixels: Liberation Sans (the face the toolkit's
// "Arial" resolves to) for titles and labels, DejaVu Sans Condensed, drawn
// for screens, for the small figures of the scales.
inline constexpr Type kSectionType{"Liberation Sans", 9, true, 1};
inline constexpr Type kLabelType{"Liberation Sans", 9, true, 0};
inline constexpr Type kScaleType{"DejaVu Sans Condensed", 8, false, 0};

}  // namespace tf::art
