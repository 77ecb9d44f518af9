// The effect the VST 2 module's entry creates: the vocoder with its editor.
#pragma once

#include <memory>

#include "vocoder/avoc.h"

class AVocEditor;

class AVocEdit : public AVoc {
public:
    // The effect, then its editor (no window yet). When the editor cannot be
    // made, the effect has none (getEditor() is null) and the entry refuses it.
    explicit AVocEdit(audioMasterCallback master);
    ~AVocEdit() override;

    // Stores the value as the effect does, then hands the change, whatever
    // the index, to the editor. Any thread.
    void setParameter(VstInt32 index, float value) override;

    // The editor itself, for tests; null when it could not be made.
    AVocEditor* getVocoderEditor() const { return view.get(); }

private:
    class Controller;
    class Window;

    std::unique_ptr<Controller> controller;  // the editor's view of this effect
    std::unique_ptr<AVocEditor> view;
    std::unique_ptr<Window> window;  // what the dispatcher's editor opcodes reach
};
