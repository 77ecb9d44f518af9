// Drawing contexts: one over the frame's window and one over an offscreen
// image. Both draw into raster surfaces; a window context has what it drew
// shown by the platform binding.
#pragma once

#include <memory>

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"
#include "gui/platform/raster/text.h"

class CWindowFrame;

enum CLineStyle { kLineSolid = 0, kLineOnOffDash = 1 };

// Horizontal text alignment of drawString and the text controls.
enum CHoriTxtAlign { kLeftText = 0, kCenterText = 1, kRightText = 2 };
// The raster alignment of a CHoriTxtAlign value; anything else is left.
tf::raster::TextAlign textAlignOf(int alignment);

// Font style bits.
constexpr int kBoldFace = 1 << 0;
constexpr int kItalicFace = 1 << 1;
constexpr int kUnderlineFace = 1 << 2;

// The toolkit's fonts by index: face and pixel height.
struct CFontDesc {
    const char* face;
    int size;
};
inline constexpr int kNumFonts = 8;
inline constexpr CFontDesc kFontTable[kNumFonts] = {
    {"Arial", 12},  // 0: always bold
    {"Arial", 18}, {"Arial", 14}, {"Arial", 12}, {"Arial", 11},
    {"Arial", 10}, {"Arial", 9},
    {"Symbol", 13},  // 7: decorative
};
// The table entry of `index`; an index outside the table means 0.
const CFontDesc& fontDescOf(int index);
// The raster font for a table index, a size (0: the table's) and style bits.
tf::raster::FontSpec fontSpecOf(int index, int size, int style);

class CPaintContext {
public:
    // A context on the frame's window. What it draws is shown when it is
    // destroyed and at every paced idle. It keeps the frame alive while it
    // lives, so a gesture outlasts an editor closed from inside it.
    explicit CPaintContext(CWindowFrame* frame);
    virtual ~CPaintContext();

    CPaintContext(const CPaintContext&) = delete;
    CPaintContext& operator=(const CPaintContext&) = delete;

    void moveTo(const CPoint& p);
    void lineTo(const CPoint& p);
    // Outline through the four corners, so it covers right and bottom too.
    void drawRect(const CRect& r);
    // Fills (left + 1, top + 1)-(right, bottom): the rectangle's left column
    // and top row stay untouched.
    void fillRect(const CRect& r);
    // Fills the ellipse inscribed in (left + 1, top + 1)-(right + 1, bottom + 1).
    void fillEllipse(const CRect& r);

    void setLineColor(CColorRGB c) { lineColor = c; }
    CColorRGB getLineColor() const { return lineColor; }
    void setFillColor(CColorRGB c) { fillColor = c; }
    CColorRGB getFillColor() const { return fillColor; }
    void setFontColor(CColorRGB c) { fontColor = c; }
    CColorRGB getFontColor() const { return fontColor; }
    void setLineStyle(CLineStyle style);
    CLineStyle getLineStyle() const { return lineStyle; }

    // Font `index` of the font table; size 0 takes the table's size.
    void setFont(int index, int size = 0, int style = 0);
    // One line, vertically centred in `r`. Alignment 1 centre, 2 right, else
    // left with the rectangle moved 1 pixel right. Opaque paints the fill
    // colour behind the text.
    void drawString(const char* text, const CRect& r, bool opaque = false, int alignment = kCenterText);

    // Opaque copy of a `dest`-sized piece of `image` taken at `offset`.
    void drawImage(const tf::raster::Surface& image, const CRect& dest, const CPoint& offset);

    // Bits 0 left, 1 middle, 2 right, 3 Shift, 4 Ctrl, 5 Alt, as they are now;
    // none once the frame's window is closed.
    unsigned getMouseButtons();
    // The pointer position relative to the frame window's top-left corner.
    void getMouseLocation(CPoint& where);

    void setDrawOffset(const CPoint& p) { offset = p; }
    CPoint getDrawOffset() const { return offset; }
    CWindowFrame* getFrame() const { return frame; }

protected:
    // A context drawing into `target` (an offscreen image).
    CPaintContext(CWindowFrame* frame, tf::raster::Surface* target);

    tf::raster::Surface* target = nullptr;

private:
    void touched(const CRect& r);
    tf::raster::FontEngine* fonts();

    CWindowFrame* frame = nullptr;
    bool onWindow = false;
    CPoint offset;
    CPoint penAt;
    tf::raster::Pen pen;
    CColorRGB lineColor = kWhiteCColor;
    CColorRGB fillColor = kBlackCColor;
    CColorRGB fontColor = kWhiteCColor;
    CLineStyle lineStyle = kLineSolid;
    tf::raster::FontSpec font;
    std::unique_ptr<tf::raster::FontEngine> ownFonts;  // only without a frame
};

// A drawing context over an image of its own.
class COffscreenPaint : public CPaintContext {
public:
    // An image of width x height cleared to `clearColor`, which also becomes
    // the line and fill colour.
    COffscreenPaint(CWindowFrame* frame, int width, int height, CColorRGB clearColor = kBlackCColor);
    ~COffscreenPaint() override;

    // Copies the `dest`-sized piece of the image at `srcOffset` into `context`.
    void copyTo(CPaintContext* context, const CRect& dest, const CPoint& srcOffset = CPoint());
    const tf::raster::Surface& getImage() const { return image; }

private:
    tf::raster::Surface image;
};
