#include "resources/ico.h"

#include "gui/platform/raster/png.h"

namespace tf::art {
namespace {

constexpr std::size_t kHeaderSize = 6;      // ICONDIR
constexpr std::size_t kEntrySize = 16;      // ICONDIRENTRY
constexpr std::size_t kInfoHeaderSize = 40; // BITMAPINFOHEADER
constexpr std::uint16_t kTypeIcon = 1;
constexpr int kLargest = 256;
constexpr int kPngFrom = 256;

void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x);
    put16(v, x >> 16);
}

// An icon image as a device-independent bitmap: the header (its height
// counts the colour rows and the mask's), straight BGRA rows bottom-up, then
// the 1-bit mask (set where fully transparent) for programs that ignore alpha.
std::vector<std::uint8_t> dibOf(const Icon& icon) {
    const int n = icon.colour.width();
    const std::size_t maskRowBytes = ((std::size_t(n) + 31) / 32) * 4;
    std::vector<std::uint8_t> v;
    put32(v, kInfoHeaderSize);
    put32(v, std::uint32_t(n));
    put32(v, std::uint32_t(2 * n));
    put16(v, 1);   // planes
    put16(v, 32);  // bits per pixel
    put32(v, 0);   // uncompressed
    put32(v, std::uint32_t(std::size_t(n) * std::size_t(n) * 4 + maskRowBytes * std::size_t(n)));
    for (int i = 0; i < 4; ++i) put32(v, 0);  // resolution and palette: unused
    auto alphaAt = [&](int x, int y) { return icon.alpha[std::size_t(y) * std::size_t(n) + std::size_t(x)]; };
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const raster::Pixel p = icon.colour.pixel(x, y);
            v.insert(v.end(), {raster::blueOf(p), raster::greenOf(p), raster::redOf(p), alphaAt(x, y)});
        }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRowBytes);
        for (int x = 0; x < n; ++x)
            if (alphaAt(x, y) == 0) row[std::size_t(x) / 8] |= std::uint8_t(0x80u >> (x % 8));
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

}  // namespace

std::vector<std::uint8_t> encodeIco(const std::vector<Icon>& icons) {
    std::vector<std::vector<std::uint8_t>> images;
    for (const Icon& icon : icons) {
        const int n = icon.colour.width();
        if (n <= 0 || n > kLargest || icon.colour.height() != n || icon.alpha.size() != std::size_t(n) * std::size_t(n))
            return {};
        images.push_back(n >= kPngFrom ? raster::encodePng(icon.colour, icon.alpha.data()) : dibOf(icon));
        if (images.back().empty()) return {};
    }
    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, kTypeIcon);
    put16(file, std::uint32_t(icons.size()));
    std::size_t offset = kHeaderSize + kEntrySize * icons.size();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const int n = icons[i].colour.width();
        file.push_back(std::uint8_t(n % kLargest));  // width; 0 stands for 256
        file.push_back(std::uint8_t(n % kLargest));  // height
        file.push_back(0);                           // no palette
        file.push_back(0);                           // reserved
        put16(file, 1);                              // planes
        put16(file, 32);                             // bits per pixel
        put32(file, std::uint32_t(images[i].size()));
        put32(file, std::uint32_t(offset));
        offset += images[i].size();
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
    return file;
}

}  // namespace tf::art
