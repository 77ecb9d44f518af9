#include "vocoder/paramtext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/convert.h"
#include "base/valuetext.h"

namespace {

// noteNames[k]: the note k semitones above A in octave 0, "A-0" .. "B-8".
constexpr int kNumNoteNames = 99;
using NoteName = std::array<char, 4>;
constexpr std::array<NoteName, kNumNoteNames> makeNoteNames() {
    constexpr const char* letters = "AABCCDDEFFGG";
    constexpr const char* accidentals = "-#--#-#--#-#";
    std::array<NoteName, kNumNoteNames> names{};
    for (int k = 0; k < kNumNoteNames; ++k) {
        const int step = k % 12;
        const int octave = (k + 9) / 12;  // counts up at each C
        names[static_cast<std::size_t>(k)] = {letters[step], accidentals[step], static_cast<char>('0' + octave), '\0'};
    }
    return names;
}
constexpr std::array<NoteName, kNumNoteNames> noteNames = makeNoteNames();
static_assert(noteNames[0][0] == 'A' && noteNames[3][0] == 'C' && noteNames[3][2] == '1');
static_assert(noteNames[98][0] == 'B' && noteNames[98][1] == '-' && noteNames[98][2] == '8');

// trunc(count * v + offset) for a display. Values far outside 0..1 still show
// a number; the bound keeps the conversion defined.
constexpr int kDisplayLimit = 100000000;
int steps(float v, float count, float offset = 0.0f) {
    return truncClamped(count * v + offset, -kDisplayLimit, kDisplayLimit);
}

// A typed number lands this far above its position, so that it shows again.
constexpr double kTypedRoundUp = 0.005;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// A whole text as a number (a leading '+' allowed), ignoring a trailing unit.
bool parseNumber(std::string_view text, std::string_view unit, double& number) {
    text = trimmed(text);
    if (!unit.empty() && text.size() >= unit.size() && equalNoCase(text.substr(text.size() - unit.size()), unit))
        text = trimmed(text.substr(0, text.size() - unit.size()));
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(number);
}

}  // namespace

void parameterDisplay(std::int32_t index, float v, char* text) {
    if (!isParamIndex(index)) return;
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    const float count = static_cast<float>(p.steps);
    switch (p.display) {
    case ParamDisplay::kNumber:
        return tf::integerText(steps(v, count) - p.offset, text);
    case ParamDisplay::kChoice:
        return copyText(text, p.choices[truncClamped(count * v, 0, p.steps)], kParamTextSize);
    case ParamDisplay::kNote:
    {
        const NoteName& note = noteNames[static_cast<std::size_t>(truncClamped(count * v + 0.5f, 0, kNumNoteNames - 1))];
        std::memcpy(text, note.data(), note.size());  // with its NUL
        return;
    }
    case ParamDisplay::kDecibels:
        break;
    }
    tf::decibelText(v, text);
}

float valueOfNumber(int steps, int offset, double number) {
    const double v = (number + offset) / steps + kTypedRoundUp;
    return static_cast<float>(std::clamp(v, 0.0, 1.0));
}

bool parameterFromText(std::int32_t index, std::string_view text, float& value) {
    if (!isParamIndex(index)) return false;
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    const std::string_view t = trimmed(text);
    double number = 0.0;
    switch (p.display) {
    case ParamDisplay::kNumber:
        if (!parseNumber(t, {}, number)) return false;
        value = valueOfNumber(p.steps, p.offset, std::trunc(number));
        return true;
    case ParamDisplay::kChoice:
        for (int i = 0; i <= p.steps; ++i) {
            if (equalNoCase(t, p.choices[i])) {
                value = stepValue(p, i);
                return true;
            }
        }
        return false;
    case ParamDisplay::kNote:
        // The note names the display shows, with or without the '-' of a plain note.
        for (int k = 0; k < kNumNoteNames && k <= p.steps; ++k) {
            const NoteName& n = noteNames[static_cast<std::size_t>(k)];
            const char plain[3] = {n[0], n[2], '\0'};
            if (equalNoCase(t, n.data()) || (n[1] == '-' && equalNoCase(t, plain))) {
                value = stepValue(p, k);
                return true;
            }
        }
        return false;
    case ParamDisplay::kDecibels:
        if (equalNoCase(t, "-oo") || equalNoCase(t, "-inf") || equalNoCase(t, "-oo dB") || equalNoCase(t, "-inf dB")) {
            value = 0.0f;
            return true;
        }
        if (!parseNumber(t, "dB", number)) return false;
        value = static_cast<float>(std::clamp(std::pow(10.0, number / 20.0), 0.0, 1.0));
        return true;
    }
    return false;
}
