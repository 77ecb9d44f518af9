// The effect the plug-in's entry creates: the vocoder with its editor.
#pragma once

#include "vocoder/avoc.h"

class AVocEdit : public AVoc {
public:
    // The effect, then its editor (no window yet). When the editor cannot be
    // made, the effect has none (getEditor() is null) and the entry refuses it.
    explicit AVocEdit(audioMasterCallback master);
    ~AVocEdit() override;

    // Stores the value as the effect does, then hands the change, whatever
    // the index, to the editor. Any thread.
    void setParameter(VstInt32 index, float value) override;
};
