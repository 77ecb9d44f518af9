#include "vocoder/state.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view kMagic = "talkforge-state";

// Splits off the first line of `rest` (without its end, "\n" or "\r\n").
std::string_view nextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// "key value" with blanks between (and maybe after); false for anything else.
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

std::string writeState(const float (&values)[kNumParams]) {
    std::string text(kMagic);
    text += ' ';
    text += std::to_string(kStateVersion);
    text += '\n';
    for (const ParameterInfo& p : kParameters) {
        char number[32];
        const auto result = std::to_chars(number, number + sizeof number, values[p.index]);
        text += p.symbol;
        text += ' ';
        text.append(number, result.ptr);
        text += '\n';
    }
    return text;
}

bool readState(std::string_view text, float (&values)[kNumParams]) {
    std::string_view rest = text;
    std::string_view magic, version;
    int number = 0;
    if (!splitPair(nextLine(rest), magic, version) || magic != kMagic || !parseWhole(version, number) ||
        number != kStateVersion)
        return false;
    while (!rest.empty()) {
        std::string_view key, value;
        float v = 0.0f;
        if (!splitPair(nextLine(rest), key, value) || !parseWhole(value, v) || !std::isfinite(v)) continue;
        if (const ParameterInfo* p = parameterBySymbol(key)) values[p->index] = std::clamp(v, 0.0f, 1.0f);
    }
    return true;
}
