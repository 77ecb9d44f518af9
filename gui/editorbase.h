// The editor base: the VST 2 editor interface on top of the toolkit, the
// frame's owner, and the paced idle that keeps the host alive during drags.
#pragma once

#include <cstdint>

#include "host/aeffeditor.h"
#include "host/vst2.h"

class AudioEffectX;
class CWindowFrame;

class CEditorBase : public AEffEditor {
public:
    // Attaches itself to `effect` (which then announces an editor).
    explicit CEditorBase(AudioEffectX* effect);
    ~CEditorBase() override;

    CEditorBase(const CEditorBase&) = delete;
    CEditorBase& operator=(const CEditorBase&) = delete;

    VstIntPtr getRect(ERect** rect) override;        // UI thread
    VstIntPtr open(void* parentWindow) override;     // UI thread
    void close() override;                           // UI thread
    // Runs a pending update, then updates the frame's dirty views.
    void idle() override;                            // UI thread
    void update() override {}
    void postUpdate() override { updateFlag = true; }
    VstIntPtr onKeyDown(VstKeyCode& keyCode) override;
    VstIntPtr onKeyUp(VstKeyCode& keyCode) override;
    // Sets the process-wide knob drag mode: 2 linear, anything else circular.
    VstIntPtr setKnobMode(VstIntPtr mode) override;
    // Gives the wheel to the view under the pointer.
    bool onWheel(float distance) override;

    virtual void setParameter(VstInt32 index, float value);
    // Draws the whole frame at once.
    virtual void redrawAll();
    // One paced idle: the editor's idle, a short sleep when passes come fast,
    // a pending paint and, at most about every 50 ms, the host's idle.
    virtual void doIdleStuff();

    static int getKnobMode() { return knobMode; }
    // The millisecond tick count the paced idle uses (wraps around).
    static std::uint32_t getTicks();
    AudioEffectX* getEffect() const { return effect; }
    CWindowFrame* getFrame() const { return frame; }
    void* getParentWindow() const { return systemWindow; }
    void beginEdit(VstInt32 index);
    void endEdit(VstInt32 index);

    static constexpr int kKnobModeLinear = 2;
    static constexpr std::uint32_t kPaceSleepBelowMs = 100;  // passes closer than this sleep
    static constexpr unsigned kPaceSleepMs = 4;
    static constexpr std::uint32_t kHostIdleEveryMs = 50;    // host idle at most this often

protected:
    // Closes the frame's window and drops the editor's reference to it.
    void releaseFrame();

    AudioEffectX* effect = nullptr;
    void* systemWindow = nullptr;
    bool updateFlag = false;
    ERect rect{0, 0, 0, 0};
    CWindowFrame* frame = nullptr;  // owned; made by the derived editor's open
    std::uint32_t lastTicks = 0;
    bool inIdle = false;

private:
    // Knob drag mode, shared by every editor in the process as hosts expect.
    static inline int knobMode = 0;
};
