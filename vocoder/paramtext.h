// Parameter texts through the parameter table: a value as the effect shows
// it, and a text a user typed (or a host passes) turned back into a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vocoder/talkforge.h"

// Hosts pass at least 8 bytes for a parameter text and in practice more.
// Texts here are at most this long, NUL included.
inline constexpr std::size_t kParamTextSize = 24;

// The display text of `value` for parameter `index` (0..75): a level in dB,
// a step number, a note name or a waveform; values far outside 0..1 still
// give a text. `text` holds kParamTextSize bytes.
void parameterDisplay(std::int32_t index, float value, char* text);

// The value that a display of trunc(v x steps) - offset shows as `number`:
// the position's value plus a little, so that it shows the number again,
// clamped into 0..1.
float valueOfNumber(int steps, int offset, double number);

// The value a text stands for: what parameterDisplay shows (a number, with or
// without its unit, "-oo" for silence; a note name; a waveform name), read
// back to a value in 0..1 that shows the same text again where the display
// is stepped. False (value untouched) when the text means nothing here.
bool parameterFromText(std::int32_t index, std::string_view text, float& value);
