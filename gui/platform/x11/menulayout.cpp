#include "gui/platform/x11/menulayout.h"

#include <algorithm>

namespace tf::platform::x11 {

MenuLayout layoutMenu(const PopupMenu& menu, int maxHeight) {
    MenuLayout out;
    const int count = menu.entries ? std::max(menu.count, 0) : 0;
    raster::FontEngine* f = menu.fonts;
    const int rowHeight = (f ? f->metrics(kMenuFont).height() : 0) + 2 * kMenuRowPadding;
    out.boxes.assign(std::size_t(count), CRect());
    std::vector<int> columnOf(std::size_t(count), 0);
    std::vector<int> columnWidths(1, kMenuMinColumnWidth);
    int y = kMenuBorder, bottom = kMenuBorder, column = 0;
    for (int i = 0; i < count; ++i) {
        const MenuEntry& e = menu.entries[i];
        const int h = (e.flags & kMenuSeparator) ? kMenuSeparatorHeight : rowHeight;
        const bool columnStarted = y > kMenuBorder;
        if (columnStarted && ((e.flags & kMenuColumnBreak) || y + h + kMenuBorder > maxHeight)) {
            ++column;
            columnWidths.push_back(kMenuMinColumnWidth);
            y = kMenuBorder;
        }
        out.boxes[std::size_t(i)] = CRect(0, y, 0, y + h);
        columnOf[std::size_t(i)] = column;
        y += h;
        bottom = std::max(bottom, y);
        if (!(e.flags & kMenuSeparator) && f) {
            const int w = kMenuCheckGutter + f->textWidth(kMenuFont, e.text ? e.text : "") +
                          kMenuTextRightPadding;
            columnWidths.back() = std::max(columnWidths.back(), w);
        }
    }
    // Columns side by side, one border's width apart (where the line goes).
    std::vector<int> columnLeft(columnWidths.size(), kMenuBorder);
    for (std::size_t c = 1; c < columnWidths.size(); ++c)
        columnLeft[c] = columnLeft[c - 1] + columnWidths[c - 1] + kMenuBorder;
    for (int i = 0; i < count; ++i) {
        const auto c = std::size_t(columnOf[std::size_t(i)]);
        out.boxes[std::size_t(i)].left = columnLeft[c];
        out.boxes[std::size_t(i)].right = columnLeft[c] + columnWidths[c];
    }
    out.width = columnLeft.back() + columnWidths.back() + kMenuBorder;
    out.height = bottom + kMenuBorder;
    return out;
}

}  // namespace tf::platform::x11
