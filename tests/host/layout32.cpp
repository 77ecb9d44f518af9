// Compiled with -m32: the record layout asserts in host/vst2.h then check the
// 32-bit offsets (144-byte AEffect, 4-byte pointers).
#include "host/vst2.h"

static_assert(sizeof(void*) == 4 && sizeof(AEffect) == 144);
