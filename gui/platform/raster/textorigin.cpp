// Where a single line of text starts in its box, the same for every font
// engine: offsets as Windows' DrawText computes them (centred, right or left,
// the line's cell centred vertically; a text wider or taller than its box
// overhangs both sides about equally).
#include "gui/platform/raster/text.h"

namespace tf::raster {

CPoint FontEngine::textOrigin(const CRect& box, std::string_view text, const FontSpec& font, TextAlign align) {
    const TextMetrics m = metrics(font);
    int x = box.left;
    if (align == TextAlign::center)
        x = box.left + (box.width() - textWidth(font, text)) / 2;
    else if (align == TextAlign::right)
        x = box.right - textWidth(font, text);
    const int top = box.top + (box.height() - m.height()) / 2;
    return {x, top + m.ascent};
}

}  // namespace tf::raster
