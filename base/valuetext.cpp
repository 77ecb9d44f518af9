// Value-to-text helpers: eight characters at most, digits cut, never rounded.
#include "base/valuetext.h"

#include <cmath>
#include <cstdio>

#include "base/convert.h"
#include "base/log10.h"

namespace tf {
namespace {
constexpr std::size_t kFieldWidth = kValueTextSize - 1;
constexpr const char* kMinusInfinityText = "  -oo   ";
constexpr const char* kHugeText = " Huge!  ";

// 10^k for the decimals of float2string, exact (a math library's pow need not be).
constexpr double kPowersOfTen[kFieldWidth] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

int digitOf(double x) { return static_cast<int>(std::fmod(x, 10.0)); }
}  // namespace

void floatText(float value, char* text) {
    double v = value;
    if (std::isnan(v)) v = 0.0;
    std::size_t n = 0;
    bool negative = false;
    if (v < 0) {
        negative = true;
        n = 1;
        v = -v;
        if (v > 9999999.0) {
            copyText(text, kHugeText, kFieldWidth + 1);
            return;
        }
    }
    if (v > 99999999.0) {
        copyText(text, kHugeText, kFieldWidth + 1);
        return;
    }

    // Integer part, right to left, ending with the decimal point.
    char scratch[kFieldWidth + 1];
    std::size_t pos = kFieldWidth;
    scratch[--pos] = '.';
    ++n;
    double i = std::floor(v);
    scratch[--pos] = static_cast<char>('0' + digitOf(i));
    ++n;
    i *= 0.1;
    while (i >= 1.0 && n < kFieldWidth) {
        scratch[--pos] = static_cast<char>('0' + digitOf(i));
        ++n;
        i *= 0.1;
    }
    if (negative) scratch[--pos] = '-';

    std::size_t length = kFieldWidth - pos;
    std::memcpy(text, scratch + pos, length);
    text[length] = '\0';
    if (n >= kFieldWidth) return;

    // Decimals: the first k digits of the fraction, cut off.
    const std::size_t k = kFieldWidth - n;
    double m = std::fmod(v, 1.0) * kPowersOfTen[k];
    for (std::size_t d = k; d-- > 0;) {
        int digit = 0;
        if (m > 0) {
            digit = digitOf(m);
            m *= 0.1;
        }
        text[length + d] = static_cast<char>('0' + digit);
    }
    text[length + k] = '\0';
}

void decibelText(float value, char* text) {
    if (value > 0.0f)
        floatText(static_cast<float>(20.0 * log10Reproducible(static_cast<double>(value))), text);
    else
        copyText(text, kMinusInfinityText, kFieldWidth + 1);
}

void hertzText(float samples, double rate, char* text) {
    if (samples == 0.0f)
        floatText(0.0f, text);
    else
        floatText(static_cast<float>(rate / samples), text);
}

void millisecondText(float samples, double rate, char* text) {
    floatText(static_cast<float>(samples * 1000.0 / rate), text);
}

void integerText(std::int32_t value, char* text) {
    if (value >= 100000000) {
        copyText(text, kHugeText, kFieldWidth + 1);
        return;
    }
    char wide[16];
    std::snprintf(wide, sizeof wide, "%7d", static_cast<int>(value));
    copyText(text, wide, kFieldWidth + 1);
}

}  // namespace tf
