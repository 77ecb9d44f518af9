// Draws the plug-in's bitmaps and writes each as <id>.bmp into the folder
// given on the command line. The build runs it and compiles the files in.
#include <cstdio>
#include <string>
#include <vector>

#include "gui/platform/raster/bmp.h"
#include "gui/platform/raster/surface.h"
#include "resources/bitmaps.h"

namespace {

using tf::raster::Surface;

// Placeholder artwork: each bitmap in a flat colour of its own.
Surface draw(const tf::art::BitmapSize& b) {
    const auto shade = static_cast<tf::raster::Pixel>(0x202020 + (b.id - tf::art::kFirstBitmap) * 0x0a0a0a);
    return Surface(b.width, b.height, shade);
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tf_artwork OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    for (const tf::art::BitmapSize& b : tf::art::kBitmapSizes) {
        const std::string path = std::string(argv[1]) + "/" + std::to_string(b.id) + ".bmp";
        if (!writeFile(path, tf::raster::encodeBmp(draw(b)))) {
            std::fprintf(stderr, "tf_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
