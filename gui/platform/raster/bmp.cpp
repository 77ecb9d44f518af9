#include "gui/platform/raster/bmp.h"

#include <limits>

namespace tf::raster {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER; later versions are longer
constexpr std::uint16_t kMagic = 0x4d42;     // "BM"
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitfields = 3;
constexpr int kMaxSide = 1 << 15;
constexpr std::size_t kEncodedBytesPerPixel = 3;  // encodeBmp writes 24-bit rows

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

// Bytes of one stored row: whole pixels, padded to a multiple of 4.
std::size_t rowBytesOf(int width, std::size_t bytesPerPixel) {
    return (std::size_t(width) * bytesPerPixel + 3u) & ~std::size_t(3);
}

void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}

}  // namespace

bool decodeBmp(const std::uint8_t* data, std::size_t size, Surface& out) {
    out = Surface();
    if (!data || size < kFileHeaderSize + kInfoHeaderSize || le16(data) != kMagic) return false;
    const std::uint32_t pixelStart = le32(data + 10);
    const std::uint8_t* info = data + kFileHeaderSize;
    if (le32(info) < kInfoHeaderSize) return false;
    const auto width = std::int32_t(le32(info + 4));
    const auto rawHeight = std::int32_t(le32(info + 8));
    const std::uint16_t planes = le16(info + 12);
    const std::uint16_t bits = le16(info + 14);
    const std::uint32_t compression = le32(info + 16);
    if (planes != 1 || (bits != 24 && bits != 32)) return false;
    if (compression != kCompressionNone && !(bits == 32 && compression == kCompressionBitfields))
        return false;
    if (rawHeight == std::numeric_limits<std::int32_t>::min()) return false;
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;

    const std::size_t bytesPerPixel = bits / 8u;
    const std::size_t rowBytes = rowBytesOf(width, bytesPerPixel);
    if (pixelStart > size || (size - pixelStart) / rowBytes < std::size_t(height)) return false;

    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        const int fileRow = topDown ? y : height - 1 - y;
        const std::uint8_t* p = data + pixelStart + std::size_t(fileRow) * rowBytes;
        Pixel* d = s.row(y);
        for (int x = 0; x < width; ++x, p += bytesPerPixel)
            d[x] = (Pixel(p[2]) << 16) | (Pixel(p[1]) << 8) | Pixel(p[0]);
    }
    out = std::move(s);
    return true;
}

std::vector<std::uint8_t> encodeBmp(const Surface& s) {
    const std::size_t rowBytes = rowBytesOf(s.width(), kEncodedBytesPerPixel);
    const std::size_t pixelBytes = rowBytes * std::size_t(s.height());
    std::vector<std::uint8_t> v;
    v.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
    put16(v, kMagic);
    put32(v, std::uint32_t(kFileHeaderSize + kInfoHeaderSize + pixelBytes));
    put32(v, 0);
    put32(v, std::uint32_t(kFileHeaderSize + kInfoHeaderSize));
    put32(v, std::uint32_t(kInfoHeaderSize));
    put32(v, std::uint32_t(s.width()));
    put32(v, std::uint32_t(s.height()));
    put16(v, 1);
    put16(v, 24);
    put32(v, kCompressionNone);
    put32(v, std::uint32_t(pixelBytes));
    for (int i = 0; i < 4; ++i) put32(v, 0);  // resolution and palette fields
    for (int y = s.height() - 1; y >= 0; --y) {
        const Pixel* p = s.row(y);
        for (int x = 0; x < s.width(); ++x) {
            v.push_back(blueOf(p[x]));
            v.push_back(greenOf(p[x]));
            v.push_back(redOf(p[x]));
        }
        for (std::size_t pad = std::size_t(s.width()) * kEncodedBytesPerPixel; pad < rowBytes; ++pad)
            v.push_back(0);
    }
    return v;
}

}  // namespace tf::raster
