// The plug-in's bitmap resources: ids, sizes and filmstrip layouts, shared by
// the artwork generator that draws them and the editor that shows them.
#pragma once

namespace tf::art {

// Resource ids.
inline constexpr int kBitmapBackground = 101;  // the whole panel
inline constexpr int kBitmapMeterOff = 102;    // shared by the three meters
inline constexpr int kBitmapMeterCar = 103;    // "on" image of the Car meter
inline constexpr int kBitmapMeterOut = 104;    // "on" image of the Out meter
inline constexpr int kBitmapKnobLevel = 105;   // Mod, Car and Out level knobs
inline constexpr int kBitmapKnobTune = 106;
inline constexpr int kBitmapKnobFormant = 107;
inline constexpr int kBitmapToggle = 108;      // off image above, on below
inline constexpr int kBitmapKeyboard = 109;
inline constexpr int kBitmapHotButton = 110;   // Freeze and Flat, off above, on below
inline constexpr int kBitmapSpectrum = 111;    // background of the spectrum display
inline constexpr int kBitmapSlider = 112;      // band slider filmstrip
inline constexpr int kBitmapMeterMod = 113;    // "on" image of the Mod meter

inline constexpr int kFirstBitmap = 101;
inline constexpr int kLastBitmap = 113;

// Sizes and filmstrips.
inline constexpr int kPanelWidth = 640;
inline constexpr int kPanelHeight = 385;
inline constexpr int kMeterWidth = 124;
inline constexpr int kMeterHeight = 6;
inline constexpr int kKnobWidth = 44;
inline constexpr int kKnobFrames = 37;
inline constexpr int kKnobFrameHeight = 34;
inline constexpr int kButtonWidth = 21;
inline constexpr int kButtonImageHeight = 31;  // two images per button bitmap
inline constexpr int kKeyboardWidth = 151;
inline constexpr int kKeyboardHeight = 63;
inline constexpr int kSpectrumWidth = 604;
inline constexpr int kSpectrumHeight = 59;
inline constexpr int kSliderWidth = 12;
inline constexpr int kSliderFrames = 67;
inline constexpr int kSliderFrameHeight = 76;

struct BitmapSize {
    int id;
    int width;
    int height;
};

inline constexpr BitmapSize kBitmapSizes[] = {
    {kBitmapBackground, kPanelWidth, kPanelHeight},
    {kBitmapMeterOff, kMeterWidth, kMeterHeight},
    {kBitmapMeterCar, kMeterWidth, kMeterHeight},
    {kBitmapMeterOut, kMeterWidth, kMeterHeight},
    {kBitmapKnobLevel, kKnobWidth, kKnobFrames * kKnobFrameHeight},
    {kBitmapKnobTune, kKnobWidth, kKnobFrames * kKnobFrameHeight},
    {kBitmapKnobFormant, kKnobWidth, kKnobFrames * kKnobFrameHeight},
    {kBitmapToggle, kButtonWidth, 2 * kButtonImageHeight},
    {kBitmapKeyboard, kKeyboardWidth, kKeyboardHeight},
    {kBitmapHotButton, kButtonWidth, 2 * kButtonImageHeight},
    {kBitmapSpectrum, kSpectrumWidth, kSpectrumHeight},
    {kBitmapSlider, kSliderWidth, kSliderFrames * kSliderFrameHeight},
    {kBitmapMeterMod, kMeterWidth, kMeterHeight},
};

}  // namespace tf::art
