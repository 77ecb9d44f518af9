// Bitmaps on Windows: the module's own bitmap resources, by numeric id.
#include <windows.h>

#include "gui/platform/win32/module.h"
#include "gui/resources.h"

namespace tf::gui {

bool loadBitmapResource(int id, raster::Surface& image) {
    image = raster::Surface();
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(platform::win32::moduleHandle(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    BITMAP info{};
    bool ok = GetObjectA(bitmap, sizeof info, &info) == sizeof info && info.bmWidth > 0 && info.bmHeight > 0;
    if (ok) {
        raster::Surface pixels(info.bmWidth, info.bmHeight);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = info.bmWidth;
        bi.bmiHeader.biHeight = -info.bmHeight;  // top-down, as the surface
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        HDC dc = GetDC(nullptr);
        ok = dc && GetDIBits(dc, bitmap, 0, UINT(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS) == info.bmHeight;
        if (dc) ReleaseDC(nullptr, dc);
        if (ok) {
            constexpr raster::Pixel kColorBits = 0x00ffffff;
            for (int y = 0; y < pixels.height(); ++y)
                for (int x = 0; x < pixels.width(); ++x) pixels.row(y)[x] &= kColorBits;
            image = std::move(pixels);
        }
    }
    DeleteObject(bitmap);
    return ok;
}

}  // namespace tf::gui
