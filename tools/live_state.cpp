#include "tools/live_state.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "tools/error.h"
#include "vocoder/talkforge.h"

namespace fs = std::filesystem;

namespace {

// The plug-in's own saved-state text (vocoder/talkforge.h), which hosts keep
// in their projects, with a comment for a person who opens the file.
constexpr std::size_t kMaxStateBytes = 64 * 1024;  // settings take about 1.5 kB
constexpr const char* kComment =
    "# Talkforge Live: the settings at the end of the last run, restored at the next start\n"
    "# (talkforge live --fresh starts from the defaults).\n";

// The client name as a file name: letters (any script), digits, dot, dash
// and underscore kept, anything else an underscore.
std::string fileNameOf(const std::string& clientName) {
    std::string out;
    for (char c : clientName) {
        const auto byte = static_cast<unsigned char>(c);
        out += std::isalnum(byte) || byte >= 0x80 || c == '.' || c == '-' || c == '_' ? c : '_';
    }
    if (!out.empty() && out.front() == '.') out.front() = '_';
    return out;
}

}  // namespace

std::string liveStatePath(const std::string& clientName) {
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && fs::path(xdg).is_absolute()) {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = fs::path(home) / ".config";
    } else {
        return {};
    }
    return (config / "talkforge" / ("live-" + fileNameOf(clientName) + ".state")).string();
}

std::optional<SavedValues> readLiveState(const std::string& path, std::string& damage) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (fs::exists(path, ec)) damage = "it cannot be read";
        return std::nullopt;
    }
    std::string text(kMaxStateBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) damage = "it cannot be read";
    else if (text.size() > kMaxStateBytes) damage = "it is larger than any settings file";
    if (!damage.empty()) return std::nullopt;

    // Read as the plug-in reads its state: lines it does not know are
    // skipped, values clamped into 0..1.
    const int version = stateVersion(text);
    if (version < 0) {
        damage = "it is not Talkforge state";
        return std::nullopt;
    }
    if (version != kStateVersion) {
        damage = "it is of version " + std::to_string(version) + ", which this version does not read";
        return std::nullopt;
    }
    float all[kNumParams];
    for (float& v : all) v = std::numeric_limits<float>::quiet_NaN();  // not named: not restored
    readState(text, all);
    SavedValues values;
    for (int i = 0; i < kNumParams; ++i)
        if (!std::isnan(all[i])) values.emplace_back(i, all[i]);
    return values;
}

void writeLiveState(const std::string& path, const SavedValues& values) {
    const fs::path target(path);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) throw ToolError("cannot make the folder '" + target.parent_path().string() + "': " + ec.message());

    float all[kNumParams];
    for (int i = 0; i < kNumParams; ++i) all[i] = kParameters[std::size_t(i)].defaultValue;
    for (const auto& [index, value] : values) all[index] = value;
    std::string text = writeState(all);
    text.insert(text.find('\n') + 1, kComment);

    // Complete or not at all: a temporary file renamed onto the old one.
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    int why = errno;
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false, why = errno;
    if (!ok) {
        std::remove(temporary.c_str());
        throw ToolError("cannot write '" + path + "': " + std::strerror(why ? why : EIO));
    }
}
