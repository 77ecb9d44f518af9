#include "tools/live_state.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/error.h"
#include "tools/text.h"
#include "vocoder/talkforge.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStateVersion = 1;
constexpr const char* kVersionKey = "version";
constexpr std::size_t kMaxStateBytes = 64 * 1024;  // a state file is about 2 kB
constexpr const char* kHeader =
    "# Talkforge Live: the settings at the end of the last run, restored at the next start\n"
    "# (talkforge live --fresh starts from the defaults). One parameter a line: symbol = value.\n";

// The client name as a file name: letters, digits, dot, dash and underscore kept.
std::string fileNameOf(const std::string& clientName) {
    std::string out;
    for (char c : clientName) out += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ? c : '_';
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
    if (in.bad()) {
        damage = "it cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxStateBytes) {
        damage = "it is larger than any state file";
        return std::nullopt;
    }

    SavedValues values;
    bool versioned = false;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        auto fail = [&](const std::string& why) {
            damage = "line " + std::to_string(number) + " " + why;
            return std::nullopt;
        };
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail("is not 'symbol = value'");
        const std::string key = trimmed(line.substr(0, eq));
        const std::string valueText = trimmed(line.substr(eq + 1));
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(valueText.c_str(), &end);
        const bool isNumber = !valueText.empty() && *end == '\0' && errno != ERANGE;
        if (key == kVersionKey) {
            if (!isNumber || value != kStateVersion) return fail("has an unknown version '" + valueText + "'");
            versioned = true;
            continue;
        }
        if (!versioned) return fail("comes before the version");
        if (!isNumber || !(value >= 0.0 && value <= 1.0))
            return fail("gives '" + key + "' the value '" + valueText + "', not a number from 0 to 1");
        if (const ParameterInfo* p = parameterBySymbol(key)) values.emplace_back(p->index, static_cast<float>(value));
    }
    if (!versioned) {
        damage = "it has no version";
        return std::nullopt;
    }
    return values;
}

void writeLiveState(const std::string& path, const SavedValues& values) {
    const fs::path target(path);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) throw ToolError("cannot make the folder '" + target.parent_path().string() + "': " + ec.message());

    std::string text = kHeader;
    text += std::string(kVersionKey) + " = " + std::to_string(kStateVersion) + "\n";
    for (const auto& [index, value] : values) {
        char line[96];
        // Nine significant digits give the float back exactly.
        std::snprintf(line, sizeof line, "%s = %.9g\n", kParameters[static_cast<std::size_t>(index)].symbol,
                      static_cast<double>(value));
        text += line;
    }

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
