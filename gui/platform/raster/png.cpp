#include "gui/platform/raster/png.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace tf::raster {

namespace {

// The pixels as libpng's simplified interface takes them: RGB, or RGBA with `alpha`.
std::vector<std::uint8_t> packed(const Surface& s, const std::uint8_t* alpha, png_image& image) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(s.width()) * std::size_t(s.height()) * (alpha ? 4 : 3));
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const Pixel p = s.pixel(x, y);
            bytes.insert(bytes.end(), {redOf(p), greenOf(p), blueOf(p)});
            if (alpha) bytes.push_back(alpha[std::size_t(y) * std::size_t(s.width()) + std::size_t(x)]);
        }
    image = png_image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s.width());
    image.height = png_uint_32(s.height());
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return bytes;
}

}  // namespace

bool writePng(const Surface& s, const std::string& path, const std::uint8_t* alpha) {
    png_image image;
    const std::vector<std::uint8_t> bytes = packed(s, alpha, image);
    return png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

std::vector<std::uint8_t> encodePng(const Surface& s, const std::uint8_t* alpha) {
    png_image image;
    const std::vector<std::uint8_t> bytes = packed(s, alpha, image);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bytes.data(), 0, nullptr)) return {};
    std::vector<std::uint8_t> file(size);
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, bytes.data(), 0, nullptr)) return {};
    file.resize(size);
    return file;
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
        for (int x = 0; x < s.width(); ++x, p += 3)  // RGB
            s.row(y)[x] = pixelOf(CColorRGB{p[0], p[1], p[2], 0});
    out = std::move(s);
    return true;
}

}  // namespace tf::raster
