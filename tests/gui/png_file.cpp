#include "png_file.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace guitest {

bool writePng(const tf::raster::Surface& s, const std::string& path) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(s.width()) * std::size_t(s.height()) * 3u);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const tf::raster::Pixel p = s.pixel(x, y);
            rgb.push_back(tf::raster::redOf(p));
            rgb.push_back(tf::raster::greenOf(p));
            rgb.push_back(tf::raster::blueOf(p));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s.width());
    image.height = png_uint_32(s.height());
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace guitest
