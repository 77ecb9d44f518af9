#include "vocoder/avocedit.h"

#include "editor/avoceditor.h"

AVocEdit::AVocEdit(audioMasterCallback master) : AVoc(master) {
    try {
        new AVocEditor(this);  // attaches itself as the effect's editor
    } catch (...) {
        setEditor(nullptr);  // it attached itself before it failed
    }
}

AVocEdit::~AVocEdit() {
    // The editor goes first, while the signal path it detaches its meters from still exists.
    AEffEditor* e = editor;
    setEditor(nullptr);
    delete e;
}

void AVocEdit::setParameter(VstInt32 index, float value) {
    AVoc::setParameter(index, value);
    if (editor) static_cast<AVocEditor*>(editor)->setParameter(index, value);
}
