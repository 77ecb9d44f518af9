// Value-to-text helpers: eight characters at most and a NUL, digits cut,
// never rounded. `text` must hold kValueTextSize bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tf {

inline constexpr std::size_t kValueTextSize = 9;

// The value with as many decimals as fit; " Huge!  " beyond eight digits.
void floatText(float value, char* text);
// 20 log10(gain) as floatText shows it; "  -oo   " for 0 and below.
void decibelText(float gain, char* text);
// The integer right-aligned in seven places; " Huge!  " from 100000000 on.
void integerText(std::int32_t value, char* text);
// rate / samples (0 for 0 samples) and samples in milliseconds at `rate`.
void hertzText(float samples, double rate, char* text);
void millisecondText(float samples, double rate, char* text);

}  // namespace tf
