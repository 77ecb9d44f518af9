// The editor as the effect's dispatcher sees it. The GUI toolkit's editor base
// derives from this; the slot order matches what the dispatcher calls.
#pragma once

#include "host/vst2.h"

class AudioEffect;

class AEffEditor {
public:
    virtual ~AEffEditor() = default;
    virtual VstIntPtr getRect(ERect** rect) = 0;  // UI thread
    virtual VstIntPtr open(void* parentWindow) = 0;  // UI thread
    virtual void close() = 0;  // UI thread
    virtual void idle() = 0;  // UI thread
    virtual void update() {}
    virtual void postUpdate() {}
    virtual VstIntPtr onKeyDown(VstKeyCode& keyCode) { (void)keyCode; return -1; }
    virtual VstIntPtr onKeyUp(VstKeyCode& keyCode) { (void)keyCode; return -1; }
    virtual VstIntPtr setKnobMode(VstIntPtr mode) { (void)mode; return 1; }
    virtual bool onWheel(float distance) { (void)distance; return false; }
};
