// Where the popup menu's entries go: rows down a column, a new column at a
// column break or where the screen ends. Kept apart from Xlib so that tests
// can find the entries.
#pragma once

#include <vector>

#include "gui/platform/platform.h"

namespace tf::platform::x11 {

// The font of the menu's entries.
inline constexpr raster::FontSpec kMenuFont{"Arial", 12, false, false, false};

inline constexpr int kMenuBorder = 1;
inline constexpr int kMenuRowPadding = 3;   // above and below an entry's text
inline constexpr int kMenuSeparatorHeight = 7;
inline constexpr int kMenuCheckGutter = 20;  // left of the text, for the check mark
inline constexpr int kMenuTextRightPadding = 20;
inline constexpr int kMenuMinColumnWidth = 60;

struct MenuLayout {
    std::vector<CRect> boxes;  // one per entry, half-open, menu coordinates
    int width = 0;
    int height = 0;
};

// Lays out `menu` in columns no taller than `maxHeight`.
MenuLayout layoutMenu(const PopupMenu& menu, int maxHeight);

}  // namespace tf::platform::x11
