// UTF-16 texts of the VST 3 interface (titles, units, display texts, bus
// names) to and from the engine's texts, which are plain ASCII: any other
// character becomes '?'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "plugin/vst3/abi/base.h"

namespace vst3 {

inline constexpr char kNotAscii = '?';

// Writes `text` into `out`, at most capacity - 1 characters, always terminated.
inline void copyText16(char16* out, std::size_t capacity, std::string_view text) {
    if (!out || capacity == 0) return;
    std::size_t n = 0;
    for (; n < text.size() && n + 1 < capacity; ++n) {
        const auto c = static_cast<unsigned char>(text[n]);
        out[n] = static_cast<char16>(c < 0x80 ? c : kNotAscii);
    }
    out[n] = 0;
}

template <std::size_t N>
void copyText16(char16 (&out)[N], std::string_view text) {
    copyText16(out, N, text);
}

// A terminated UTF-16 text, reading at most `capacity` units.
inline std::string text8(const char16* text, std::size_t capacity = static_cast<std::size_t>(-1)) {
    std::string s;
    for (std::size_t i = 0; text && i < capacity && text[i]; ++i)
        s += text[i] < 0x80 ? static_cast<char>(text[i]) : kNotAscii;
    return s;
}

}  // namespace vst3
