#include "tools/live_state.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "tools/error.h"
#include "vocoder/talkforge.h"

namespace fs = std::filesystem;

namespace {

// The plug-in's own saved-state text, which hosts keep in their projects: a
// first line naming it and its version, then "symbol value" lines.
constexpr std::string_view kMagic = "talkforge-state";
constexpr int kStateVersion = 1;
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

// Splits off the first line of `rest`, without its "\n" or "\r\n".
std::string_view nextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// "key value" with blanks between; false for anything else.
bool splitPair(std::string_view line, std::string_view& key, std::string_view& value) {
    constexpr const char* kBlanks = " \t";
    const std::size_t keyEnd = line.find_first_of(kBlanks);
    const std::size_t start = line.find_first_not_of(kBlanks, keyEnd);
    if (keyEnd == 0 || start == std::string_view::npos) return false;
    key = line.substr(0, keyEnd);
    value = line.substr(start, line.find_last_not_of(kBlanks) + 1 - start);
    return true;
}

template <class Number>
bool parseWhole(std::string_view text, Number& n) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size();
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
    std::string_view rest = text;
    std::string_view magic, version;
    int number = 0;
    if (!splitPair(nextLine(rest), magic, version) || magic != kMagic || !parseWhole(version, number)) {
        damage = "it is not Talkforge state";
        return std::nullopt;
    }
    if (number != kStateVersion) {
        damage = "it is of version " + std::string(version) + ", which this version does not read";
        return std::nullopt;
    }
    SavedValues values;
    while (!rest.empty()) {
        std::string_view key, value;
        float v = 0.0f;
        if (!splitPair(nextLine(rest), key, value) || !parseWhole(value, v) || !std::isfinite(v)) continue;
        if (const ParameterInfo* p = parameterBySymbol(key)) values.emplace_back(p->index, std::clamp(v, 0.0f, 1.0f));
    }
    return values;
}

void writeLiveState(const std::string& path, const SavedValues& values) {
    const fs::path target(path);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) throw ToolError("cannot make the folder '" + target.parent_path().string() + "': " + ec.message());

    std::string text(kMagic);
    text += ' ';
    text += std::to_string(kStateVersion);
    text += '\n';
    text += kComment;
    for (const auto& [index, value] : values) {
        // The shortest text that reads back as the same float.
        char number[32];
        const auto written = std::to_chars(number, number + sizeof number, value);
        text += kParameters[static_cast<std::size_t>(index)].symbol;
        text += ' ';
        text.append(number, written.ptr);
        text += '\n';
    }

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
