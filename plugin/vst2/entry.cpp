// The library's entry: hosts look up VSTPluginMain first, then main.
#include <new>

#include "plugin/vst2/avocedit.h"

// The entry under its own name; exported as "main" through the assembler label.
extern "C" __attribute__((visibility("default"))) AEffect* AVocMain(audioMasterCallback audioMaster) __asm__("main");
extern "C" __attribute__((visibility("default"), alias("main"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster);

AEffect* AVocMain(audioMasterCallback audioMaster) {
    try {
        if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        AVocEdit* effect = new (std::nothrow) AVocEdit(audioMaster);
        if (!effect) return nullptr;
        // Each instance stands or falls by its own construction.
        if (!effect->hasProgramBank() || !effect->getEditor()) {
            delete effect;
            return nullptr;
        }
        return effect->getAeffect();
    } catch (...) {
        return nullptr;
    }
}
