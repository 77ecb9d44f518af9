#include "gui/platform/raster/png.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace tf::raster {

namespace {
constexpr int kChannels = 3;
}  // namespace

bool writePng(const Surface& s, const std::string& path) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(s.width()) * std::size_t(s.height()) * kChannels);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const Pixel p = s.pixel(x, y);
            rgb.push_back(redOf(p));
            rgb.push_back(greenOf(p));
            rgb.push_back(blueOf(p));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s.width());
    image.height = png_uint_32(s.height());
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, Surface& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    Surface s(int(image.width), int(image.height));
    const std::uint8_t* p = rgb.data();
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x, p += kChannels)
            s.row(y)[x] = pixelOf(CColorRGB{p[0], p[1], p[2], 0});
    out = std::move(s);
    return true;
}

}  // namespace tf::raster
