// Value-to-text helpers: eight characters at most, digits cut, never rounded.
#include <cmath>
#include <cstdio>

#include "host/audioeffect.h"
#include "host/convert.h"
#include "host/log10.h"

namespace {
constexpr std::size_t kFieldWidth = 8;
constexpr const char* kMinusInfinityText = "  -oo   ";
constexpr const char* kHugeText = " Huge!  ";

// 10^k for the decimals of float2string, exact (a math library's pow need not be).
constexpr double kPowersOfTen[kFieldWidth] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

int digitOf(double x) { return static_cast<int>(std::fmod(x, 10.0)); }
}  // namespace

void AudioEffect::float2string(float value, char* text) {
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

void AudioEffect::dB2string(float value, char* text) {
    if (value > 0.0f)
        float2string(static_cast<float>(20.0 * tf::log10Reproducible(static_cast<double>(value))), text);
    else
        copyText(text, kMinusInfinityText, kFieldWidth + 1);
}

void AudioEffect::Hz2string(float samples, char* text) {
    const double rate = getSampleRate();
    if (samples == 0.0f)
        float2string(0.0f, text);
    else
        float2string(static_cast<float>(rate / samples), text);
}

void AudioEffect::ms2string(float samples, char* text) {
    float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text);
}

void AudioEffect::long2string(VstInt32 value, char* text) {
    if (value >= 100000000) {
        copyText(text, kHugeText, kFieldWidth + 1);
        return;
    }
    char wide[16];
    std::snprintf(wide, sizeof wide, "%7d", static_cast<int>(value));
    copyText(text, wide, kFieldWidth + 1);
}
