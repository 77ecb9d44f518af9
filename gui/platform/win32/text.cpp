// Text for the raster surface on Windows, drawn by GDI: fonts made from the
// toolkit's font table as Windows makes them, boxes laid out by DrawText.
// GDI draws into a DIB section holding a copy of the surface's pixels under
// the text, which then go back into the surface, so text blends with what
// was drawn before exactly as it would in the window.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gui/platform/raster/text.h"

namespace tf::raster {

namespace {

constexpr int kRegularWeight = FW_NORMAL;  // 400
constexpr int kBoldWeight = FW_BOLD;       // 700
constexpr BYTE kOutputPrecision = OUT_STRING_PRECIS;  // 1
constexpr BYTE kClipPrecision = CLIP_STROKE_PRECIS;   // 2
constexpr BYTE kTextFamily = VARIABLE_PITCH | FF_SWISS;        // 34
constexpr BYTE kSymbolFamily = DEFAULT_PITCH | FF_DECORATIVE;  // 80
constexpr const char* kSymbolFace = "Symbol";
constexpr UINT kLineFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
constexpr Pixel kColorBits = 0x00ffffff;

COLORREF colorOf(Pixel p) { return RGB(redOf(p), greenOf(p), blueOf(p)); }

UINT alignFlag(TextAlign align) {
    if (align == TextAlign::center) return DT_CENTER;
    if (align == TextAlign::right) return DT_RIGHT;
    return DT_LEFT;
}

int lengthOf(std::string_view text) { return int(std::min<std::size_t>(text.size(), 0x7fffffff)); }

}  // namespace

struct FontEngine::Impl {
    struct Font {
        std::string family;
        int pixelSize = 0;
        bool bold = false, italic = false, underline = false;
        HFONT handle = nullptr;
    };

    HDC dc = nullptr;
    HGDIOBJ originalFont = nullptr;
    HGDIOBJ originalBitmap = nullptr;
    HBITMAP scratch = nullptr;  // a top-down 32-bit DIB section
    Pixel* scratchBits = nullptr;
    int scratchWidth = 0, scratchHeight = 0;
    std::vector<Font> fonts;

    Impl() {
        dc = CreateCompatibleDC(nullptr);
        if (dc) originalFont = GetCurrentObject(dc, OBJ_FONT);
    }
    ~Impl() {
        if (dc) {
            SelectObject(dc, originalFont);
            if (originalBitmap) SelectObject(dc, originalBitmap);
            DeleteDC(dc);
        }
        if (scratch) DeleteObject(scratch);
        for (Font& f : fonts)
            if (f.handle) DeleteObject(f.handle);
    }

    // Selects the font into the context; false when it cannot be made.
    bool select(const FontSpec& wanted) {
        if (!dc || wanted.pixelSize <= 0) return false;
        const std::string family = wanted.family ? wanted.family : "";
        Font* found = nullptr;
        for (Font& f : fonts)
            if (f.family == family && f.pixelSize == wanted.pixelSize && f.bold == wanted.bold &&
                f.italic == wanted.italic && f.underline == wanted.underline)
                found = &f;
        if (!found) {
            Font f{family, wanted.pixelSize, wanted.bold, wanted.italic, wanted.underline, nullptr};
            f.handle = CreateFontA(-wanted.pixelSize, 0, 0, 0, wanted.bold ? kBoldWeight : kRegularWeight,
                                   wanted.italic, wanted.underline, FALSE, ANSI_CHARSET, kOutputPrecision,
                                   kClipPrecision, DEFAULT_QUALITY,
                                   family == kSymbolFace ? kSymbolFamily : kTextFamily, family.c_str());
            fonts.push_back(f);
            found = &fonts.back();
        }
        if (!found->handle) return false;
        SelectObject(dc, found->handle);
        return true;
    }

    // A scratch image at least w x h, selected into the context.
    bool reserve(int w, int h) {
        if (w <= scratchWidth && h <= scratchHeight && scratch) return true;
        const int newWidth = std::max(w, scratchWidth), newHeight = std::max(h, scratchHeight);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = newWidth;
        bi.bmiHeader.biHeight = -newHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP made = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!made || !bits) {
            if (made) DeleteObject(made);
            return false;
        }
        HGDIOBJ old = SelectObject(dc, made);
        if (!originalBitmap) originalBitmap = old;
        if (scratch) DeleteObject(scratch);
        scratch = made;
        scratchBits = static_cast<Pixel*>(bits);
        scratchWidth = newWidth;
        scratchHeight = newHeight;
        return true;
    }

    // Runs `draw` with the scratch image holding `area` of the surface, its
    // top-left corner at (0, 0), then copies the area back. `draw` gets the
    // offset to subtract from surface coordinates.
    template <class Draw>
    void onCopy(Surface& s, const CRect& area, Draw draw) {
        const CRect a = area.intersect(s.bounds());
        if (a.isEmpty() || !reserve(a.width(), a.height())) return;
        const auto rowBytes = std::size_t(a.width()) * sizeof(Pixel);
        for (int y = a.top; y < a.bottom; ++y)
            std::memcpy(scratchBits + std::size_t(y - a.top) * std::size_t(scratchWidth), s.row(y) + a.left, rowBytes);
        HRGN clip = CreateRectRgn(0, 0, a.width(), a.height());
        SelectClipRgn(dc, clip);
        draw(CPoint(a.left, a.top));
        GdiFlush();
        SelectClipRgn(dc, nullptr);
        if (clip) DeleteObject(clip);
        for (int y = a.top; y < a.bottom; ++y) {
            const Pixel* src = scratchBits + std::size_t(y - a.top) * std::size_t(scratchWidth);
            Pixel* dst = s.row(y) + a.left;
            for (int x = 0; x < a.width(); ++x) dst[x] = src[x] & kColorBits;
        }
    }
};

FontEngine::FontEngine() : impl_(std::make_unique<Impl>()) {}
FontEngine::~FontEngine() = default;

TextMetrics FontEngine::metrics(const FontSpec& font) {
    TEXTMETRICA tm{};
    if (!impl_->select(font) || !GetTextMetricsA(impl_->dc, &tm)) return {};
    return {int(tm.tmAscent), int(tm.tmDescent)};
}

int FontEngine::textWidth(const FontSpec& font, std::string_view text) {
    SIZE size{};
    if (text.empty() || !impl_->select(font) || !GetTextExtentPoint32A(impl_->dc, text.data(), lengthOf(text), &size))
        return 0;
    return int(size.cx);
}

void FontEngine::drawRun(Surface& s, const CRect& clip, int x, int baseline, std::string_view text,
                         const FontSpec& font, Pixel color) {
    const TextMetrics m = metrics(font);
    if (text.empty() || m.height() == 0) return;
    // The run's cell, with room for overhangs either side.
    const int slack = font.pixelSize;
    const CRect cell(x - slack, baseline - m.ascent, x + textWidth(font, text) + slack, baseline + m.descent);
    impl_->onCopy(s, cell.intersect(clip), [&](CPoint at) {
        SetBkMode(impl_->dc, TRANSPARENT);
        SetTextColor(impl_->dc, colorOf(color));
        SetTextAlign(impl_->dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
        TextOutA(impl_->dc, x - at.x, baseline - at.y, text.data(), lengthOf(text));
    });
}

void FontEngine::drawText(Surface& s, const CRect& clip, const CRect& box, std::string_view text,
                          const FontSpec& font, Pixel color, TextAlign align, const Pixel* background) {
    if (!impl_->select(font)) return;
    impl_->onCopy(s, clip.intersect(box), [&](CPoint at) {
        impl_->select(font);
        SetBkMode(impl_->dc, background ? OPAQUE : TRANSPARENT);
        if (background) SetBkColor(impl_->dc, colorOf(*background));
        SetTextColor(impl_->dc, colorOf(color));
        SetTextAlign(impl_->dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        RECT r{box.left - at.x, box.top - at.y, box.right - at.x, box.bottom - at.y};
        DrawTextA(impl_->dc, text.data(), lengthOf(text), &r, kLineFlags | alignFlag(align));
    });
}

}  // namespace tf::raster
