// The stock controls: knobs, buttons, a level meter, text displays, text
// fields and popup lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/context.h"
#include "gui/view.h"

// ---- Knobs ----------------------------------------------------------------

// A knob dragged in a circle (the value follows the pointer's angle) or in a
// line (right and up increase), chosen by the knob mode and Alt.
class CRotaryKnob : public CValueControl {
public:
    CRotaryKnob(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* background = nullptr);

    // The background, and a handle from the centre at the value's angle.
    void draw(CPaintContext* context) override;
    void onMouseDown(CPaintContext* context, CPoint where) override;
    bool onWheel(CPaintContext* context, CPoint where, float distance) override;

    // The value the angle of `where` (relative to the control's top-left)
    // stands for: minimum at the lower left, clockwise over the top to the
    // maximum at the lower right; the gap at the bottom gives the nearer end.
    float valueFromPoint(CPoint where) const;

    static constexpr float kStartAngle = 225.0f;  // degrees, counter-clockwise from the x axis
    static constexpr float kRangeAngle = 270.0f;  // swept clockwise
    static constexpr float kLinearPixels = 200.0f;
    static constexpr float kLinearPixelsFine = 300.0f;  // while Shift is held
    static constexpr float kWheelFine = 0.1f;

protected:
    int radius() const { return size.width() / 2; }
};

// A knob shown as one image of a vertical strip of `frames` images, each
// `frameHeight` rows high.
class CFilmstripKnob : public CRotaryKnob {
public:
    CFilmstripKnob(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* strip,
                   int frames, int frameHeight);

    void draw(CPaintContext* context) override;
    // The strip's row the value shows.
    int stripOffset() const;

private:
    int frames;
    int frameHeight;
};

// ---- Buttons --------------------------------------------------------------

// Two images stacked vertically (off above, on below); each left click flips
// the value between 0 and 1.
class CToggleButton : public CValueControl {
public:
    CToggleButton(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* background);

    void draw(CPaintContext* context) override;
    void onMouseDown(CPaintContext* context, CPoint where) override;
};

// On while pressed with the pointer over it; always ends off.
class CMomentaryButton : public CValueControl {
public:
    CMomentaryButton(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* background,
                     int imageHeight, CPoint imageOffset = CPoint());

    void draw(CPaintContext* context) override;
    void onMouseDown(CPaintContext* context, CPoint where) override;

private:
    int imageHeight;
    CPoint imageOffset;
};

// ---- Level meter ----------------------------------------------------------

constexpr int kMeterHorizontal = 1 << 0;

// An "on" image uncovered over an "off" image in `steps` steps; a falling
// value drops by at most the fall amount per drawing.
class CLevelMeter : public CValueControl {
public:
    CLevelMeter(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* onImage,
                CResBitmap* offImage, int steps, int style = kMeterHorizontal);
    ~CLevelMeter() override;

    void draw(CPaintContext* context) override;
    void setFallAmount(float f) { fallAmount = f; }
    float getFallAmount() const { return fallAmount; }

private:
    CResBitmap* onImage;
    CResBitmap* offImage;
    int steps;
    int style;
    float fallAmount = 1.0f;
};

// ---- Text -----------------------------------------------------------------

// Style bits of the text controls.
constexpr int k3DIn = 1 << 0;
constexpr int k3DOut = 1 << 1;
constexpr int kShadowText = 1 << 2;
constexpr int kCheckStyle = 1 << 3;          // popup list: the current entry carries a check mark
constexpr int kMultipleCheckStyle = 1 << 4;  // popup list: each entry its own check mark

constexpr int kTextSize = 256;  // text buffers, terminator included

// Shows a text (by default the value) in a box.
class CTextDisplay : public CValueControl {
public:
    using ValueToText = void (*)(float value, char* text);  // text holds kTextSize bytes

    CTextDisplay(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* background = nullptr,
                 int style = 0);

    void draw(CPaintContext* context) override;

    void setFont(int index) { fontIndex = index; }
    int getFont() const { return fontIndex; }
    void setFontStyle(int s) { fontStyle = s; }
    void setFontColor(CColorRGB c) { fontColor = c; }
    CColorRGB getFontColor() const { return fontColor; }
    void setBackColor(CColorRGB c) { backColor = c; }
    CColorRGB getBackColor() const { return backColor; }
    void setFrameColor(CColorRGB c) { frameColor = c; }
    void setShadowColor(CColorRGB c) { shadowColor = c; }
    void setHoriAlign(int a) { horiAlign = a; }
    int getHoriAlign() const { return horiAlign; }
    void setStyle(int s) { style = s; }
    int getStyle() const { return style; }
    void setTextTransparency(bool t) { textTransparent = t; }
    void setValueToText(ValueToText f) { valueToText = f; }

protected:
    // Box (bitmap, or colour and outline), shadow and text.
    void drawText(CPaintContext* context, const char* text);

    int fontIndex = 3;
    int fontStyle = 0;
    CColorRGB fontColor = kWhiteCColor;
    CColorRGB backColor = kBlackCColor;
    CColorRGB frameColor = kBlackCColor;
    CColorRGB shadowColor = kBlackCColor;
    int horiAlign = kCenterText;
    int style = 0;
    bool textTransparent = true;
    ValueToText valueToText = nullptr;
};

// A text the user edits in place: a click opens an edit box over it.
class CTextField : public CTextDisplay {
public:
    using TextToShown = void (*)(const char* text, char* shown);  // shown holds kTextSize bytes
    using TextToShownUser = void (*)(const char* text, char* shown, void* userData);

    CTextField(const CRect& size, CValueListener* listener, std::int32_t tag, const char* text = nullptr,
               CResBitmap* background = nullptr, int style = 0);

    void draw(CPaintContext* context) override;
    void onMouseDown(CPaintContext* context, CPoint where) override;
    // Opens the edit box (it closes on Return or loss of the focus).
    void takeFocus(CPaintContext* context) override;
    // Takes the edited text; tells the listener only if it changed.
    void loseFocus(CPaintContext* context) override;

    void setText(const char* text);
    const char* getText() const { return text; }
    void setTextToShown(TextToShown f) { textToShown = f; }
    void setTextToShownUser(TextToShownUser f, void* userData) {
        textToShownUser = f;
        shownUserData = userData;
    }

private:
    char text[kTextSize] = {};
    char editBuffer[kTextSize] = {};
    char beforeEdit[kTextSize] = {};
    bool editing = false;
    TextToShown textToShown = nullptr;
    TextToShownUser textToShownUser = nullptr;
    void* shownUserData = nullptr;
};

// A list of entries shown as its current entry; a click opens a menu of all.
class CPopupList : public CTextDisplay {
public:
    static constexpr int kMaxEntries = 1024;
    static constexpr int kMaxColumnBreakEntries = 160;  // more entries: no column breaks

    CPopupList(const CRect& size, CValueListener* listener, std::int32_t tag, CResBitmap* background = nullptr,
               int style = 0);
    ~CPopupList() override;

    void draw(CPaintContext* context) override;
    void onMouseDown(CPaintContext* context, CPoint where) override;

    // Appends (index -1) or inserts an entry; false beyond kMaxEntries.
    bool addEntry(const char* text, int index = -1);
    bool removeEntry(int index);
    void removeAllEntries();
    int getNbEntries() const { return int(entries.size()); }
    // The entry's text as given (markers included); null outside the list.
    const char* getEntry(int index) const;
    // With `direct` the index is the entry's position and must not be a
    // separator; without it, it counts only entries that are neither
    // separators nor titles. False, and nothing changed, otherwise.
    bool setCurrent(int index, bool direct = true);
    int getCurrent() const { return current; }
    bool isChecked(int index) const;
    void setCheck(int index, bool checked);
    // Column length of the menu (0: one column).
    void setColumnLength(int length) { columnLength = length; }
    // A bitmap shown instead of the background while the menu is open.
    void setBackgroundWhenOpen(CResBitmap* bitmap);

private:
    static bool isSeparator(const char* e);
    static bool isGreyed(const char* e);
    static bool isTitle(const char* e);
    // The entry as shown: without its greyed or title marker.
    static const char* shownText(const char* e);

    struct Entry {
        std::string text;
        bool checked = false;
    };
    std::vector<Entry> entries;
    int current = -1;
    int columnLength = 0;
    CResBitmap* backgroundWhenOpen = nullptr;
};
