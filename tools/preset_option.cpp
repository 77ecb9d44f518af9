#include "tools/preset_option.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <vector>

#include "resources/presets.h"
#include "tools/error.h"
#include "tools/output_file.h"
#include "tools/text.h"

namespace {

namespace fs = std::filesystem;

// Far larger than any preset file: anything longer is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;
// "BANK.fxb:PROGRAM": the bank's extension, then the program.
constexpr std::string_view kBankExtension = ".fxb";
constexpr char kProgramSeparator = ':';

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && lowered(text.substr(text.size() - end.size())) == end;
}

std::vector<std::uint8_t> readFile(const std::string& path, const std::string& name) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw ToolError(name + " is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError(name + ": " + std::strerror(errno));
    std::vector<std::uint8_t> bytes(kMaxFileBytes + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) throw ToolError(name + ": cannot read it");
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxFileBytes)
        throw ToolError(name + " is not a VST 2 preset: it is far longer than one");
    return bytes;
}

// The library preset closest to a name, for a suggestion.
std::string closestPreset(const std::string& name) {
    std::string best;
    std::size_t bestDistance = SIZE_MAX;
    for (const tf::presets::Preset& p : tf::presets::presets()) {
        const std::size_t d = editDistance(lowered(name), lowered(std::string(p.name)));
        if (d < bestDistance) best = p.name, bestDistance = d;
    }
    return best;
}

tf::fxp::PresetFile parseFile(const std::string& path, const std::string& name) {
    try {
        return tf::fxp::read(readFile(path, name));
    } catch (const tf::fxp::FormatError& e) {
        throw ToolError(name + ": " + e.what());
    }
}

// The program of a bank that `wanted` names: by name in any case, else by number.
const tf::fxp::Program& chooseProgram(const tf::fxp::PresetFile& bank, const std::string& wanted,
                                      const std::string& name) {
    for (const tf::fxp::Program& p : bank.programs)
        if (lowered(p.name) == lowered(wanted)) return p;
    const bool digits = !wanted.empty() && wanted.size() <= 2 &&
                        std::all_of(wanted.begin(), wanted.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (digits) {
        const int number = std::stoi(wanted);
        if (number >= 1 && number <= static_cast<int>(bank.programs.size()))
            return bank.programs[static_cast<std::size_t>(number - 1)];
    }
    std::string names;
    for (const tf::fxp::Program& p : bank.programs) names += (names.empty() ? "'" : ", '") + p.name + "'";
    throw ToolError(name + " holds no program named '" + wanted + "' (its programs: " + names + ")");
}

}  // namespace

bool isProgramFileName(const std::string& path) { return endsWith(path, ".fxp"); }

tf::fxp::Program loadPreset(const std::string& text) {
    if (text.empty()) throw ToolError("--preset: no preset named (talkforge presets lists the library)");
    const auto bankEnd = lowered(text).rfind(std::string(kBankExtension) + kProgramSeparator);
    if (bankEnd != std::string::npos) {
        const std::string path = text.substr(0, bankEnd + kBankExtension.size());
        const std::string program = text.substr(path.size() + 1);
        const std::string name = "preset bank '" + path + "'";
        const tf::fxp::PresetFile file = parseFile(path, name);
        if (!file.bank) throw ToolError(name + " holds one program, not a bank: give it without ':" + program + "'");
        return chooseProgram(file, trimmed(program), name);
    }
    if (const tf::presets::Preset* p = tf::presets::findPreset(trimmed(text)))
        return {std::string(p->name), p->values};

    std::error_code ec;
    const bool looksLikeFile =
        text.find('/') != std::string::npos || isProgramFileName(text) || endsWith(text, std::string(kBankExtension));
    if (!looksLikeFile && !fs::exists(text, ec))
        throw ToolError("--preset: no preset is called '" + text + "' and no such file exists; did you mean '" +
                        closestPreset(text) + "'? (talkforge presets lists the library)");
    const std::string name = "preset file '" + text + "'";
    if (!fs::exists(text, ec)) throw ToolError(name + ": " + std::strerror(ENOENT));
    tf::fxp::PresetFile file = parseFile(text, name);
    return file.programs[static_cast<std::size_t>(file.currentProgram)];
}

void saveProgram(const std::string& path, const tf::fxp::Program& program) {
    OutputFile out(path);
    out.write(tf::fxp::writeProgram(program));
    out.commit();
}
