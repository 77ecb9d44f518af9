// Text for the raster surface: FreeType glyphs, faces found by fontconfig.
// One line, drawn with grey-level edges blended into the surface.
//
// A FontEngine belongs to one frame (its caches are not shared between
// instances); text is 8-bit, each byte taken as a Latin-1 character.
#pragma once

#include <memory>
#include <string_view>

#include "gui/platform/raster/surface.h"

namespace tf::raster {

struct FontSpec {
    const char* family = "Arial";  // fontconfig resolves it, e.g. to Liberation Sans
    int pixelSize = 12;            // em height in pixels
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

enum class TextAlign { left, center, right };

struct TextMetrics {
    int ascent = 0;   // pixels above the baseline
    int descent = 0;  // pixels below it
    int height() const { return ascent + descent; }
};

class FontEngine {
public:
    FontEngine();
    ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    // Line metrics of the face; all zero when no face could be loaded.
    TextMetrics metrics(const FontSpec& font);
    // Advance width of `text` in pixels.
    int textWidth(const FontSpec& font, std::string_view text);
    // Draws `text` on one line with its left end at x and its baseline at y.
    void drawRun(Surface& s, const CRect& clip, int x, int baseline, std::string_view text,
                 const FontSpec& font, Pixel color);
    // One line of text in `box`, vertically centred and aligned as asked,
    // clipped to `box` and `clip`. With `background`, the text's own cell
    // (its advance width by the line height) is filled first.
    void drawText(Surface& s, const CRect& clip, const CRect& box, std::string_view text,
                  const FontSpec& font, Pixel color, TextAlign align,
                  const Pixel* background = nullptr);
    // Where drawText puts the left end and the baseline of `text` in `box`.
    CPoint textOrigin(const CRect& box, std::string_view text, const FontSpec& font, TextAlign align);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tf::raster
