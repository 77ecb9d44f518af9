#include "plugin/vst2/avocedit.h"

#include "editor/avoceditor.h"
#include "editor/controller.h"

// The editor drives this effect as the host would: values, automated edits
// with their gestures, the meters, and the host's idle during long gestures.
class AVocEdit::Controller final : public EditorController {
public:
    explicit Controller(AVocEdit& e) : effect(e) {}
    float getParameter(std::int32_t index) override { return effect.getParameter(index); }
    void setParameter(std::int32_t index, float value) override { effect.setParameter(index, value); }
    void setParameterAutomated(std::int32_t index, float value) override { effect.setParameterAutomated(index, value); }
    void beginEdit(std::int32_t index) override { effect.beginEdit(index); }
    void endEdit(std::int32_t index) override { effect.endEdit(index); }
    void idleHost() override { effect.masterIdle(); }
    void attachLevelMeters(LevelMeterRecord* record) override { effect.attachLevelMeters(record); }
    BandMeterRecord& bandMeters() override { return effect.bandMeters(); }

private:
    AVocEdit& effect;
};

// The editor as the dispatcher's editor opcodes see it.
class AVocEdit::Window final : public AEffEditor {
public:
    explicit Window(AVocEditor& e) : editor(e), rect{0, 0, VstInt16(e.getHeight()), VstInt16(e.getWidth())} {}
    VstIntPtr getRect(ERect** r) override {
        if (r) *r = &rect;
        return 1;
    }
    VstIntPtr open(void* parentWindow) override { return editor.open(parentWindow) ? 1 : 0; }
    void close() override { editor.close(); }
    void idle() override { editor.idle(); }
    void postUpdate() override { editor.postUpdate(); }
    VstIntPtr setKnobMode(VstIntPtr mode) override {
        editor.setKnobMode(int(mode));
        return 1;
    }
    bool onWheel(float distance) override { return editor.onWheel(distance); }

private:
    AVocEditor& editor;
    ERect rect;
};

AVocEdit::AVocEdit(audioMasterCallback master) : AVoc(master) {
    try {
        controller = std::make_unique<Controller>(*this);
        view = std::make_unique<AVocEditor>(*controller);
        window = std::make_unique<Window>(*view);
        setEditor(window.get());
    } catch (...) {
        setEditor(nullptr);
    }
}

AVocEdit::~AVocEdit() {
    // The editor goes first, while the signal path it detaches its meters from still exists.
    setEditor(nullptr);
    window.reset();
    view.reset();
}

void AVocEdit::setParameter(VstInt32 index, float value) {
    AVoc::setParameter(index, value);
    if (view) view->setParameter(index, value);
}
