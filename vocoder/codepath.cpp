// Choosing the code path from the processor's features.
#include "vocoder/codepath.h"

namespace {

bool hasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

}  // namespace

bool codePathSupported(CodePath path) { return path != CodePath::kAvx2 || hasAvx2(); }

CodePath fastestCodePath() {
    static const CodePath fastest = hasAvx2() ? CodePath::kAvx2 : CodePath::kSse2;
    return fastest;
}
