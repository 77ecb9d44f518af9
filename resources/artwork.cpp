// Draws the plug-in's bitmaps and writes each as <id>.bmp into the folder
// given on the command line. The build runs it and compiles the files in;
// a Windows build can compile the same files into its resource script.
// Given a second folder, it also writes the program's icon there in the
// freedesktop theme's layout, hicolor/<n>x<n>/apps/talkforge.png; given a
// third, the Windows installer's pictures: its icon talkforge.ico and the
// pages' header.bmp and welcome.bmp.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gui/platform/raster/bmp.h"
#include "resources/draw_artwork.h"
#include "resources/ico.h"
#include "resources/icon.h"
#include "resources/installer_art.h"

namespace {

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fputs("usage: tf_artwork BITMAP_FOLDER [ICON_FOLDER [INSTALLER_FOLDER]]\n", stderr);
        return 2;
    }
    for (const tf::art::Bitmap& b : tf::art::drawArtwork()) {
        const std::string path = std::string(argv[1]) + "/" + std::to_string(b.id) + ".bmp";
        if (!writeFile(path, tf::raster::encodeBmp(b.image))) {
            std::fprintf(stderr, "tf_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (argc >= 3) {
        for (int size : tf::art::kIconSizes) {
            const std::string n = std::to_string(size);
            const std::filesystem::path folder = std::filesystem::path(argv[2]) / "hicolor" / (n + "x" + n) / "apps";
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            const std::string path = (folder / "talkforge.png").string();
            if (ec || !tf::art::writeIconPng(tf::art::drawIcon(size), path)) {
                std::fprintf(stderr, "tf_artwork: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    if (argc == 4) {
        std::vector<tf::art::Icon> icons;
        for (int size : tf::art::kWindowsIconSizes) icons.push_back(tf::art::drawIcon(size));
        const std::string folder = argv[3];
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        const std::pair<std::string, std::vector<std::uint8_t>> files[] = {
            {"talkforge.ico", tf::art::encodeIco(icons)},
            {"header.bmp", tf::raster::encodeBmp(tf::art::drawInstallerHeader())},
            {"welcome.bmp", tf::raster::encodeBmp(tf::art::drawInstallerWelcome())},
        };
        for (const auto& [name, bytes] : files) {
            const std::string path = folder + "/" + name;
            if (bytes.empty() || !writeFile(path, bytes)) {
                std::fprintf(stderr, "tf_artwork: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
