// What the fuzz targets share: the input read as a program of values, front
// to back, and the failure that stops the fuzzer with a message.
#pragma once

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzzing {

// The input, read from the front; reads past its end give zeros.
class Input {
public:
    Input(const std::uint8_t* bytes, std::size_t count) : data(bytes), size(count) {}
    bool done() const { return pos >= size; }
    std::uint8_t u8() { return pos < size ? data[pos++] : 0; }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // An entry of a table of telling values, or (for byte 255) any value.
    template <class T, std::size_t N, class Raw>
    T pick(const std::array<T, N>& table, Raw raw) {
        const std::uint8_t k = u8();
        return k == 0xFF ? raw() : table[k % N];
    }
    std::string text() {
        std::string s(u8(), '\0');
        for (char& c : s) c = static_cast<char>(u8());
        return s;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

// Prints "<who>: <message>" and aborts, which the fuzzer reports as a finding.
[[noreturn]] inline void fail(const char* who, const char* format, std::va_list args) {
    std::fprintf(stderr, "%s: ", who);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace fuzzing
