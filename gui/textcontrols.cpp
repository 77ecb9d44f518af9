#include <cstdio>
#include <cstring>
#include <optional>

#include "gui/bitmap.h"
#include "gui/context.h"
#include "gui/controls.h"
#include "gui/frame.h"
#include "gui/platform/platform.h"
#include "base/convert.h"

namespace platform = tf::platform;

// ---- CTextDisplay ---------------------------------------------------------

CTextDisplay::CTextDisplay(const CRect& r, CValueListener* l, std::int32_t t, CResBitmap* bitmap, int s)
    : CValueControl(r, l, t, bitmap), style(s) {}

void CTextDisplay::draw(CPaintContext* context) {
    char text[kTextSize] = {};
    if (valueToText)
        valueToText(value, text);
    else
        std::snprintf(text, sizeof text, "%2.2f", double(value));
    text[kTextSize - 1] = '\0';
    drawText(context, text);
}

void CTextDisplay::drawText(CPaintContext* context, const char* text) {
    if (background) {
        background->draw(context, size);
    } else if (!transparent) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if (!(style & (k3DIn | k3DOut))) {
            context->setLineColor(frameColor);
            context->drawRect(size);
        } else {
            // A bevel: light above and left for raised, below and right for sunken.
            const CColorRGB light = kWhiteCColor;
            const CColorRGB dark = kGreyCColor;
            const bool raised = (style & k3DOut) != 0;
            context->setLineColor(raised ? light : dark);
            context->moveTo(CPoint(size.left, size.bottom));
            context->lineTo(CPoint(size.left, size.top));
            context->lineTo(CPoint(size.right, size.top));
            context->setLineColor(raised ? dark : light);
            context->lineTo(CPoint(size.right, size.bottom));
            context->lineTo(CPoint(size.left, size.bottom));
        }
    }
    context->setFont(fontIndex, 0, fontStyle);
    if (style & kShadowText) {
        CRect shadow = size;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(text, shadow, !textTransparent, horiAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(text, size, !textTransparent, horiAlign);
}

// ---- CTextField -----------------------------------------------------------

CTextField::CTextField(const CRect& r, CValueListener* l, std::int32_t t, const char* initial, CResBitmap* bitmap,
                       int s)
    : CTextDisplay(r, l, t, bitmap, s) {
    copyText(text, initial, sizeof text);
}

void CTextField::setText(const char* newText) { copyText(text, newText, sizeof text); }

void CTextField::draw(CPaintContext* context) {
    char shown[kTextSize] = {};
    if (textToShownUser)
        textToShownUser(text, shown, shownUserData);
    else if (textToShown)
        textToShown(text, shown);
    else
        copyText(shown, text, sizeof shown);
    shown[kTextSize - 1] = '\0';
    drawText(context, shown);
}

void CTextField::onMouseDown(CPaintContext* context, CPoint) {
    if (!mouseEnabled || !(context->getMouseButtons() & platform::kButtonLeft)) return;
    if (!parentFrame || parentFrame->getFocusView() == this) return;
    parentFrame->setFocusView(this);
    takeFocus(context);
}

void CTextField::takeFocus(CPaintContext* context) {
    if (!parentFrame || !parentFrame->isOpen() || editing) return;
    editing = true;
    copyText(beforeEdit, text, sizeof beforeEdit);
    copyText(editBuffer, text, sizeof editBuffer);

    platform::EditBox box;
    box.area = size;
    if (context) box.area.offset(context->getDrawOffset().x, context->getDrawOffset().y);
    box.font = fontSpecOf(fontIndex, 0, 0);
    box.font.bold = false;  // the edit box always uses the regular weight
    box.align = textAlignOf(horiAlign);
    box.textColor = fontColor;
    box.backColor = backColor;
    box.fonts = &parentFrame->getFonts();
    platform::runEditBox(parentFrame->getWindow(), box, editBuffer, sizeof editBuffer,
                         parentFrame->getWindowClient());

    if (!isFrameOpen()) {  // the editor closed while the box was open: the edit is dropped
        editing = false;
        return;
    }
    // The box closed by Return or by losing the keyboard focus.
    loseFocus(context);
    if (parentFrame && parentFrame->getFocusView() == this) parentFrame->setFocusView(nullptr);
}

void CTextField::loseFocus(CPaintContext* context) {
    if (!editing) return;
    editing = false;
    editBuffer[kTextSize - 1] = '\0';
    copyText(text, editBuffer, sizeof text);
    if (!parentFrame) return;
    std::optional<CPaintContext> own;  // when the box closed without a context
    if (!context) context = &own.emplace(parentFrame);
    if (std::strcmp(text, beforeEdit) != 0) notify(context);
    draw(context);
}
