// Fuzzes the reader of the saved-state text that hosts keep in their projects
// and give back (the VST 3 module's state, the live program's settings) with
// any bytes. A text that is not Talkforge state of this version changes
// nothing; one that is leaves every value finite and within 0 to 1; and the
// values read, written again, read back bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "vocoder/talkforge.h"

namespace {

[[noreturn]] void fail(const char* what, int index) {
    std::fprintf(stderr, "saved-state reader: parameter %d: %s\n", index, what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    float values[kNumParams], before[kNumParams];
    for (const ParameterInfo& p : kParameters) values[p.index] = p.defaultValue;
    std::memcpy(before, values, sizeof values);

    if (!readState(text, values)) {
        if (stateVersion(text) == kStateVersion) fail("refused a text of this version", -1);
        if (std::memcmp(before, values, sizeof values) != 0) fail("refused, but a value changed", -1);
        return 0;
    }
    if (stateVersion(text) != kStateVersion) fail("read a text of another version", -1);
    for (int i = 0; i < kNumParams; ++i)
        if (!(values[i] >= 0.0f && values[i] <= 1.0f)) fail("read outside 0 to 1", i);

    float again[kNumParams] = {};
    if (!readState(writeState(values), again)) fail("refused its own text", -1);
    for (int i = 0; i < kNumParams; ++i)
        if (std::memcmp(&again[i], &values[i], sizeof(float)) != 0) fail("written and read again, it differs", i);
    return 0;
}
