// The editor base: a toolkit editor that a host opens in its own window, the
// frame's owner, and the paced idle that keeps the host alive during drags.
// It knows no plug-in format: each host form wraps it in its own editor
// interface and hands it a CEditorHost.
#pragma once

#include <cstdint>

#include "base/relaxed.h"

class CWindowFrame;

// What a toolkit editor asks of whoever hosts it.
class CEditorHost {
public:
    // A user gesture on the control with this tag begins or ends.
    virtual void beginEdit(std::int32_t tag) { (void)tag; }
    virtual void endEdit(std::int32_t tag) { (void)tag; }
    // Lets the host run its own idle work while a long gesture holds the
    // user-interface thread.
    virtual void idleHost() {}

protected:
    ~CEditorHost() = default;
};

class CEditorBase {
public:
    // `host` (may be null) hears of gestures and idles while they run; it must
    // outlive the editor.
    explicit CEditorBase(CEditorHost* host = nullptr);
    virtual ~CEditorBase();

    CEditorBase(const CEditorBase&) = delete;
    CEditorBase& operator=(const CEditorBase&) = delete;

    // The window's size in pixels.
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Builds the window in `parentWindow` (an X11 Window id or an HWND);
    // false when no window could be made.
    virtual bool open(void* parentWindow);  // UI thread
    virtual void close();                   // UI thread
    // Runs a pending update, then updates the frame's dirty views.
    virtual void idle();                    // UI thread
    virtual void update() {}
    void postUpdate() { updateFlag = true; }
    // Gives the wheel to the view under the pointer.
    bool onWheel(float distance);
    // The knob drag mode of this editor: kKnobModeLinear, or circular.
    void setKnobMode(int mode) { knobMode = mode; }
    int getKnobMode() const { return knobMode; }

    virtual void setParameter(std::int32_t index, float value);
    // Draws the whole frame at once.
    virtual void redrawAll();
    // One paced idle: the editor's idle, a short sleep when passes come fast,
    // a pending paint and, at most about every 50 ms, the host's idle.
    virtual void doIdleStuff();

    // The millisecond tick count the paced idle uses (wraps around).
    static std::uint32_t getTicks();
    CWindowFrame* getFrame() const { return frame; }
    void* getParentWindow() const { return systemWindow; }
    // A file descriptor that becomes readable when the open window has events
    // to handle (for hosts whose run loop watches descriptors), or -1.
    int eventFileDescriptor() const;
    void beginEdit(std::int32_t tag);
    void endEdit(std::int32_t tag);

    static constexpr int kKnobModeLinear = 2;
    static constexpr std::uint32_t kPaceSleepBelowMs = 100;  // passes closer than this sleep
    static constexpr unsigned kPaceSleepMs = 4;
    static constexpr std::uint32_t kHostIdleEveryMs = 50;    // host idle at most this often

protected:
    // Closes the frame's window and drops the editor's reference to it.
    void releaseFrame();

    CEditorHost* host = nullptr;
    void* systemWindow = nullptr;
    Relaxed<bool> updateFlag = false;  // set from any thread
    int width = 0;
    int height = 0;
    CWindowFrame* frame = nullptr;  // owned; made by the derived editor's open
    std::uint32_t lastTicks = 0;
    bool inIdle = false;
    int knobMode = 0;
};
