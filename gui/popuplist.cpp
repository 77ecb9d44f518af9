#include <cstring>
#include <vector>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/controls.h"
#include "gui/frame.h"
#include "gui/platform/platform.h"

namespace platform = tf::platform;

namespace {

constexpr std::size_t kMarkerLength = 2;  // "-G", "-T"

}  // namespace

CPopupList::CPopupList(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap, int s)
    : CTextDisplay(r, l, t, bitmap, s) {}

CPopupList::~CPopupList() {
    if (backgroundWhenOpen) backgroundWhenOpen->release();
}

bool CPopupList::isSeparator(const char* e) { return std::strcmp(e, "-") == 0; }
bool CPopupList::isGreyed(const char* e) { return std::strncmp(e, "-G", kMarkerLength) == 0; }
bool CPopupList::isTitle(const char* e) { return std::strncmp(e, "-T", kMarkerLength) == 0; }
const char* CPopupList::shownText(const char* e) { return isGreyed(e) || isTitle(e) ? e + kMarkerLength : e; }

bool CPopupList::addEntry(const char* text, int index) {
    if (int(entries.size()) >= kMaxEntries || index < -1) return false;
    Entry e;
    e.text = text ? text : "";
    if (e.text.size() > std::size_t(kTextSize - 1)) e.text.resize(std::size_t(kTextSize - 1));
    if (index == -1 || index >= int(entries.size())) {
        entries.push_back(std::move(e));
    } else {
        entries.insert(entries.begin() + index, std::move(e));
        if (current >= index) ++current;
    }
    if (current < 0) current = 0;
    return true;
}

bool CPopupList::removeEntry(int index) {
    if (index < 0 || index >= int(entries.size())) return false;
    entries.erase(entries.begin() + index);
    if (entries.empty())
        current = -1;
    else if (index < current || current >= int(entries.size()))
        --current;
    markDirty(true);
    return true;
}

void CPopupList::removeAllEntries() {
    entries.clear();
    current = -1;
    markDirty(true);
}

const char* CPopupList::getEntry(int index) const {
    return index >= 0 && index < int(entries.size()) ? entries[std::size_t(index)].text.c_str() : nullptr;
}

bool CPopupList::setCurrent(int index, bool direct) {
    int position = -1;
    if (direct) {
        if (index >= 0 && index < int(entries.size()) && !isSeparator(entries[std::size_t(index)].text.c_str()))
            position = index;
    } else if (index >= 0) {
        int counted = 0;
        for (int i = 0; i < int(entries.size()) && position < 0; ++i) {
            const char* e = entries[std::size_t(i)].text.c_str();
            if (isSeparator(e) || isTitle(e)) continue;
            if (counted++ == index) position = i;
        }
    }
    if (position < 0) return false;
    current = position;
    markDirty(true);
    return true;
}

bool CPopupList::isChecked(int index) const {
    return index >= 0 && index < int(entries.size()) && entries[std::size_t(index)].checked;
}

void CPopupList::setCheck(int index, bool checked) {
    if (index >= 0 && index < int(entries.size())) entries[std::size_t(index)].checked = checked;
}

void CPopupList::setBackgroundWhenOpen(CResBitmap* bitmap) { assignBitmap(backgroundWhenOpen, bitmap); }

void CPopupList::draw(CPaintContext* context) {
    if (const char* e = getEntry(current)) drawText(context, shownText(e));
}

void CPopupList::onMouseDown(CPaintContext* context, CPoint) {
    const unsigned buttons = context->getMouseButtons();
    if (!mouseEnabled || !(buttons & (platform::kButtonLeft | platform::kButtonRight))) return;
    if (!parentFrame || !parentFrame->isOpen()) return;
    parentFrame->setFocusView(this);
    if (backgroundWhenOpen) backgroundWhenOpen->draw(context, size);

    const int n = int(entries.size());
    const bool columns = columnLength > 0 && n < kMaxColumnBreakEntries;
    std::vector<platform::MenuEntry> menu(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* e = entries[std::size_t(i)].text.c_str();
        platform::MenuEntry& m = menu[std::size_t(i)];
        m.text = isSeparator(e) ? "" : shownText(e);
        if (isSeparator(e))
            m.flags |= platform::kMenuSeparator;
        else if (isGreyed(e))
            m.flags |= platform::kMenuGreyed;
        else if (isTitle(e))
            m.flags |= platform::kMenuDisabled;
        if (((style & kCheckStyle) && i == current) ||
            ((style & kMultipleCheckStyle) && entries[std::size_t(i)].checked))
            m.flags |= platform::kMenuChecked;
        if (columns && i > 0 && i % columnLength == 0) m.flags |= platform::kMenuColumnBreak;
    }
    platform::PopupMenu request;
    request.where = CPoint(size.left, size.bottom);
    request.entries = menu.data();
    request.count = n;
    request.fonts = &parentFrame->getFonts();
    const int choice =
        platform::runPopupMenu(parentFrame->getWindow(), request, parentFrame->getWindowClient());
    if (!isFrameOpen()) return;  // the editor closed while the menu was open
    if (parentFrame->getFocusView() == this) parentFrame->setFocusView(nullptr);

    if (choice >= 0 && choice < int(entries.size())) {
        current = choice;
        value = float(choice);
        if (style & kMultipleCheckStyle) entries[std::size_t(choice)].checked = !entries[std::size_t(choice)].checked;
        notify(context);
        draw(context);
    } else if (backgroundWhenOpen) {
        draw(context);  // take the open-state picture away again
    }
}
