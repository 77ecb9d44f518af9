// The library's entry: hosts look up VSTPluginMain first, then main.
#include <new>

#include "vocoder/avoc.h"

namespace {
// Set once a construction could not get its memory; later calls refuse too.
bool outOfMemory = false;
}  // namespace

// The entry under its own name; exported as "main" through the assembler label.
extern "C" __attribute__((visibility("default"))) AEffect* AVocMain(audioMasterCallback audioMaster) __asm__("main");
extern "C" __attribute__((visibility("default"), alias("main"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster);

AEffect* AVocMain(audioMasterCallback audioMaster) {
    try {
        if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        AVoc* effect = new (std::nothrow) AVoc(audioMaster);
        if (!effect) return nullptr;
        if (!effect->hasProgramBank()) outOfMemory = true;
        if (outOfMemory) {
            delete effect;
            return nullptr;
        }
        return effect->getAeffect();
    } catch (...) {
        return nullptr;
    }
}
