#include "gui/context.h"

#include <algorithm>
#include <string_view>

#include "gui/frame.h"
#include "gui/platform/platform.h"

namespace raster = tf::raster;
namespace platform = tf::platform;

const CFontDesc& fontDescOf(int index) {
    return kFontTable[index >= 0 && index < kNumFonts ? index : 0];
}

raster::TextAlign textAlignOf(int alignment) {
    if (alignment == kCenterText) return raster::TextAlign::center;
    if (alignment == kRightText) return raster::TextAlign::right;
    return raster::TextAlign::left;
}

raster::FontSpec fontSpecOf(int index, int size, int style) {
    if (index < 0 || index >= kNumFonts) index = 0;
    const CFontDesc& desc = fontDescOf(index);
    raster::FontSpec font;
    font.family = desc.face;
    font.pixelSize = size > 0 ? size : desc.size;
    font.bold = index == 0 || (style & kBoldFace) != 0;
    font.italic = (style & kItalicFace) != 0;
    font.underline = (style & kUnderlineFace) != 0;
    return font;
}

CPaintContext::CPaintContext(CWindowFrame* f) : frame(f), onWindow(true) {
    if (frame) {
        frame->retain();  // an editor closed meanwhile frees the frame only after this context
        target = &frame->getSurface();
    }
    font = fontSpecOf(0, 0, 0);
}

CPaintContext::CPaintContext(CWindowFrame* f, raster::Surface* surface) : target(surface), frame(f) {
    font = fontSpecOf(0, 0, 0);
}

CPaintContext::~CPaintContext() {
    if (onWindow && frame) {
        frame->presentPending();
        frame->release();
    }
}

void CPaintContext::touched(const CRect& r) {
    if (onWindow && frame) frame->touch(r);
}

raster::FontEngine* CPaintContext::fonts() {
    if (frame) return &frame->getFonts();
    if (!ownFonts) ownFonts = std::make_unique<raster::FontEngine>();
    return ownFonts.get();
}

void CPaintContext::moveTo(const CPoint& p) {
    penAt = CPoint(p.x + offset.x, p.y + offset.y);
    pen.phase = 0;
}

void CPaintContext::lineTo(const CPoint& p) {
    const CPoint to(p.x + offset.x, p.y + offset.y);
    if (target) {
        pen.color = raster::pixelOf(lineColor);
        pen.dotted = lineStyle == kLineOnOffDash;
        target->line(penAt, to, pen, target->bounds());
        touched(CRect(std::min(penAt.x, to.x), std::min(penAt.y, to.y), std::max(penAt.x, to.x) + 1,
                      std::max(penAt.y, to.y) + 1));
    }
    penAt = to;
}

void CPaintContext::drawRect(const CRect& r) {
    moveTo(CPoint(r.left, r.top));
    lineTo(CPoint(r.right, r.top));
    lineTo(CPoint(r.right, r.bottom));
    lineTo(CPoint(r.left, r.bottom));
    lineTo(CPoint(r.left, r.top));
}

void CPaintContext::fillRect(const CRect& r) {
    if (!target) return;
    CRect inner(r.left + 1, r.top + 1, r.right, r.bottom);
    inner.offset(offset.x, offset.y);
    target->fill(inner, raster::pixelOf(fillColor), target->bounds());
    touched(inner);
}

void CPaintContext::fillEllipse(const CRect& r) {
    if (!target) return;
    CRect box(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1);
    box.offset(offset.x, offset.y);
    target->fillEllipse(box, raster::pixelOf(fillColor), target->bounds());
    touched(box);
}

void CPaintContext::setLineStyle(CLineStyle style) {
    lineStyle = style;
    pen.phase = 0;
}

void CPaintContext::setFont(int index, int fontSize, int style) { font = fontSpecOf(index, fontSize, style); }

void CPaintContext::drawString(const char* text, const CRect& r, bool opaque, int alignment) {
    if (!target || !text) return;
    CRect box = r;
    box.offset(offset.x, offset.y);
    const raster::TextAlign align = textAlignOf(alignment);
    if (align == raster::TextAlign::left) box.left += 1;
    const raster::Pixel back = raster::pixelOf(fillColor);
    fonts()->drawText(*target, target->bounds(), box, std::string_view(text), font,
                      raster::pixelOf(fontColor), align, opaque ? &back : nullptr);
    touched(box);
}

void CPaintContext::drawImage(const raster::Surface& image, const CRect& dest, const CPoint& at) {
    if (!target) return;
    CRect d = dest;
    d.offset(offset.x, offset.y);
    target->copyFrom(image, d, at, target->bounds());
    touched(d);
}

unsigned CPaintContext::getMouseButtons() {
    return frame && frame->getWindow() ? platform::mouseButtons(frame->getWindow()) : 0u;
}

void CPaintContext::getMouseLocation(CPoint& where) {
    if (!frame)
        where = CPoint();
    else if (frame->getWindow())  // a closed window leaves the pointer where it was
        where = platform::mouseLocation(frame->getWindow());
}

COffscreenPaint::COffscreenPaint(CWindowFrame* f, int width, int height, CColorRGB clearColor)
    : CPaintContext(f, &image), image(width, height, raster::pixelOf(clearColor)) {
    setLineColor(clearColor);
    setFillColor(clearColor);
}

COffscreenPaint::~COffscreenPaint() = default;

void COffscreenPaint::copyTo(CPaintContext* context, const CRect& dest, const CPoint& srcOffset) {
    if (context) context->drawImage(image, dest, srcOffset);
}
