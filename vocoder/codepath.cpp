// Choosing the code path from the processor's features.
#include "vocoder/codepath.h"

#include <cstdlib>
#include <cstring>

namespace {

bool hasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

// TALKFORGE_CODE_PATH=sse2 or =frames makes every new instance take a slower
// path, so that a whole test run or a render can check it; anything else,
// including avx2, leaves the choice to the processor.
CodePath chosenPath() {
    const CodePath fastest = hasAvx2() ? CodePath::kAvx2 : CodePath::kSse2;
    const char* wanted = std::getenv("TALKFORGE_CODE_PATH");
    if (wanted && std::strcmp(wanted, "sse2") == 0) return CodePath::kSse2;
    if (wanted && std::strcmp(wanted, "frames") == 0) return CodePath::kFrameByFrame;
    return fastest;
}

}  // namespace

bool codePathSupported(CodePath path) { return path != CodePath::kAvx2 || hasAvx2(); }

CodePath defaultCodePath() {
    static const CodePath chosen = chosenPath();
    return chosen;
}
