// What every windowing binding does alike with the edit box and the popup
// menu, whatever draws them: which boxes and menus can run, the box's own
// rectangle, what the caller's text becomes when the box closes, and which
// entry a pick answers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "gui/platform/platform.h"

namespace tf::platform::rules {

// How an edit box ended: still open, applied (Return, the focus lost, a
// click elsewhere) or cancelled (Escape).
enum class EditEnd { open, apply, cancel };

// Whether an edit box can run: a text buffer with room, an area that is not
// inside out.
inline bool editBoxRunnable(const EditBox& box, const char* text, std::size_t capacity) {
    return text && capacity > 0 && box.area.right >= box.area.left && box.area.bottom >= box.area.top;
}

// The box's window in window pixels, half-open (its area has both edges included).
inline CRect editBoxBounds(const EditBox& box) {
    return CRect(box.area.left, box.area.top, box.area.right + 1, box.area.bottom + 1);
}

// The most characters the box takes: what the caller's buffer holds.
inline std::size_t editBoxMaxLength(std::size_t capacity) { return capacity > 0 ? capacity - 1 : 0; }

// Writes the box's outcome into the caller's buffer: the edited text when
// applied, the original when cancelled, cut to fit and always terminated.
inline void storeEditText(EditEnd end, std::string_view edited, std::string_view original, char* text,
                          std::size_t capacity) {
    if (!text || capacity == 0) return;
    const std::string_view result = end == EditEnd::cancel ? original : edited;
    const std::size_t n = std::min(result.size(), editBoxMaxLength(capacity));
    result.copy(text, n);
    text[n] = '\0';
}

// Whether the user can choose `entry`.
inline bool menuEntryChoosable(const MenuEntry& entry) { return !(entry.flags & kMenuNotChoosable); }

// Whether a menu can be shown: entries to show.
inline bool menuRunnable(const PopupMenu& menu) { return menu.entries && menu.count > 0; }

// What runPopupMenu answers for a pick of entry `index` (-1: none): the index
// of a choosable entry, -1 for anything else.
inline int menuChoice(const PopupMenu& menu, int index) {
    if (!menuRunnable(menu) || index < 0 || index >= menu.count) return -1;
    return menuEntryChoosable(menu.entries[index]) ? index : -1;
}

}  // namespace tf::platform::rules
