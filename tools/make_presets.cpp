// tf_make_presets DIR: writes the preset library into DIR as VST 2 preset
// files, one program file per preset named after it ("Robot Chord.fxp") and
// the whole library as one bank ("Talkforge Library.fxb"), last. Preset files
// already in DIR are removed first, so a renamed preset leaves no old file.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/presets.h"
#include "tools/fxp.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kBankFile = "Talkforge Library.fxb";

// Preset names become file names on every system: letters, digits, spaces and
// dashes only.
bool safeFileName(std::string_view name) {
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' || c == '-'))
            return false;
    return !name.empty() && name.front() != ' ' && name.back() != ' ';
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tf_make_presets DIR\n");
        return 2;
    }
    try {
        const fs::path dir = argv[1];
        fs::create_directories(dir);
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".fxp" || entry.path().extension() == ".fxb") fs::remove(entry.path());

        std::vector<tf::fxp::Program> bank;
        for (const tf::presets::Preset& preset : tf::presets::presets()) {
            if (!safeFileName(preset.name))
                throw std::runtime_error("preset '" + std::string(preset.name) + "' cannot name a file");
            tf::fxp::Program program{std::string(preset.name), preset.values};
            writeFile(dir / (program.name + ".fxp"), tf::fxp::writeProgram(program));
            bank.push_back(std::move(program));
        }
        writeFile(dir / kBankFile, tf::fxp::writeBank(bank));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tf_make_presets: %s\n", e.what());
        return 1;
    }
    return 0;
}
