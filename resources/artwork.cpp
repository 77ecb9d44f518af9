// Draws the plug-in's bitmaps and writes each as <id>.bmp into the folder
// given on the command line. The build runs it and compiles the files in;
// a Windows build can compile the same files into its resource script.
#include <cstdio>
#include <string>
#include <vector>

#include "gui/platform/raster/bmp.h"
#include "resources/draw_artwork.h"

namespace {

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
    for (const tf::art::Bitmap& b : tf::art::drawArtwork()) {
        const std::string path = std::string(argv[1]) + "/" + std::to_string(b.id) + ".bmp";
        if (!writeFile(path, tf::raster::encodeBmp(b.image))) {
            std::fprintf(stderr, "tf_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
