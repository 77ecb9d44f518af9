#include "gui/platform/raster/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <string>
#include <vector>

namespace tf::raster {
namespace {

constexpr FT_ULong kSymbolCharBase = 0xf000;  // where symbol-encoded faces put byte codes
constexpr int kFixedShift = 6;                // FreeType's 26.6 fixed point
constexpr FT_Pos kFixedHalf = 32;

int ceilDiv(long num, long den) { return int((num + den - 1) / den); }

// A 26.6 fixed-point length rounded to whole pixels.
int roundedPixels(FT_Pos fixed) { return int((fixed + kFixedHalf) >> kFixedShift); }

// Font units per em, never 0.
long unitsPerEm(FT_Face face) { return face->units_per_EM > 0 ? face->units_per_EM : 1; }

}  // namespace

struct FontEngine::Impl {
    struct Face {
        std::string family;
        bool bold = false;
        bool italic = false;
        FT_Face face = nullptr;  // null when nothing could be loaded
        bool symbol = false;
    };

    FT_Library library = nullptr;
    // A fontconfig configuration of our own: the process-wide one belongs to
    // the host (and FcInit's is never given back, which a leak check sees).
    FcConfig* config = nullptr;
    std::vector<Face> faces;

    Impl() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~Impl() {
        for (Face& f : faces)
            if (f.face) FT_Done_Face(f.face);
        if (library) FT_Done_FreeType(library);
        if (config) FcConfigDestroy(config);
    }

    // The face for a font, set to the font's pixel size; null if none.
    FT_Face faceFor(const FontSpec& font, bool* symbol) {
        const std::string family = font.family ? font.family : "";
        Face* found = nullptr;
        for (Face& f : faces)
            if (f.family == family && f.bold == font.bold && f.italic == font.italic) found = &f;
        if (!found) {
            faces.push_back(Face{family, font.bold, font.italic, load(family, font.bold, font.italic), false});
            found = &faces.back();
            if (found->face && FT_Select_Charmap(found->face, FT_ENCODING_MS_SYMBOL) == 0)
                found->symbol = true;
            else if (found->face)
                FT_Select_Charmap(found->face, FT_ENCODING_UNICODE);
        }
        if (!found->face || font.pixelSize <= 0) return nullptr;
        if (FT_Set_Pixel_Sizes(found->face, 0, FT_UInt(font.pixelSize)) != 0) return nullptr;
        if (symbol) *symbol = found->symbol;
        return found->face;
    }

    FT_Face load(const std::string& family, bool bold, bool italic) {
        if (!library) return nullptr;
        if (!config) config = FcInitLoadConfigAndFonts();
        if (!config) return nullptr;
        FcPattern* pattern = FcPatternCreate();
        if (!pattern) return nullptr;
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcPatternDestroy(pattern);
        FT_Face face = nullptr;
        if (match) {
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0)
                    face = nullptr;
            }
            FcPatternDestroy(match);
        }
        return face;
    }

    static FT_ULong charCode(unsigned char c, bool symbol) {
        return symbol ? kSymbolCharBase + c : FT_ULong(c);  // bytes are Latin-1
    }

    static TextMetrics metricsOf(FT_Face face, int pixelSize) {
        // Windows' line height comes from the OS/2 table's win metrics; fall
        // back to the horizontal header.
        long ascent = face->ascender;
        long descent = -face->descender;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->version != 0xffff && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
        const long units = unitsPerEm(face);
        return {ceilDiv(ascent * pixelSize, units), ceilDiv(descent * pixelSize, units)};
    }
};

FontEngine::FontEngine() : impl_(std::make_unique<Impl>()) {}
FontEngine::~FontEngine() = default;

TextMetrics FontEngine::metrics(const FontSpec& font) {
    FT_Face face = impl_->faceFor(font, nullptr);
    return face ? Impl::metricsOf(face, font.pixelSize) : TextMetrics{};
}

int FontEngine::textWidth(const FontSpec& font, std::string_view text) {
    bool symbol = false;
    FT_Face face = impl_->faceFor(font, &symbol);
    if (!face) return 0;
    int width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(face, Impl::charCode(c, symbol), FT_LOAD_DEFAULT) == 0)
            width += roundedPixels(face->glyph->advance.x);
    return width;
}

void FontEngine::drawRun(Surface& s, const CRect& clip, int x, int baseline, std::string_view text,
                         const FontSpec& font, Pixel color) {
    bool symbol = false;
    FT_Face face = impl_->faceFor(font, &symbol);
    if (!face) return;
    const int start = x;
    for (unsigned char c : text) {
        if (FT_Load_Char(face, Impl::charCode(c, symbol), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& b = g->bitmap;
        const int gx = x + g->bitmap_left;
        const int gy = baseline - g->bitmap_top;
        for (unsigned row = 0; row < b.rows; ++row) {
            const unsigned char* src = b.buffer + std::ptrdiff_t(row) * b.pitch;
            for (unsigned col = 0; col < b.width; ++col) {
                unsigned coverage = 0;
                if (b.pixel_mode == FT_PIXEL_MODE_GRAY)
                    coverage = b.num_grays > 1 ? src[col] * 255u / (b.num_grays - 1u) : 0u;
                else if (b.pixel_mode == FT_PIXEL_MODE_MONO)
                    coverage = (src[col / 8] >> (7 - col % 8)) & 1u ? 255u : 0u;
                s.blendPixel(gx + int(col), gy + int(row), color, coverage, clip);
            }
        }
        x += roundedPixels(g->advance.x);
    }
    if (font.underline && x > start) {
        const long units = unitsPerEm(face);
        const int offset = std::max(1, int(-long(face->underline_position) * font.pixelSize / units));
        const int thickness =
            std::max(1, int((long(face->underline_thickness) * font.pixelSize + units / 2) / units));
        s.fill({start, baseline + offset, x, baseline + offset + thickness}, color, clip);
    }
}

void FontEngine::drawText(Surface& s, const CRect& clip, const CRect& box, std::string_view text,
                          const FontSpec& font, Pixel color, TextAlign align, const Pixel* background) {
    const CRect c = clip.intersect(box);
    if (c.isEmpty()) return;
    const CPoint origin = textOrigin(box, text, font, align);
    if (background) {
        const TextMetrics m = metrics(font);
        s.fill({origin.x, origin.y - m.ascent, origin.x + textWidth(font, text), origin.y + m.descent},
               *background, c);
    }
    drawRun(s, c, origin.x, origin.y, text, font, color);
}

}  // namespace tf::raster
