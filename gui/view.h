// Views and value controls: the retained model the frame draws and routes
// mouse input to. Views are reference counted and start with one reference.
#pragma once

#include <cstdint>

#include "gui/geometry.h"

class CPaintContext;
class CResBitmap;
class CValueControl;
class CWindowFrame;

class CViewBase {
public:
    explicit CViewBase(const CRect& size);
    virtual ~CViewBase();

    CViewBase(const CViewBase&) = delete;
    CViewBase& operator=(const CViewBase&) = delete;

    virtual void draw(CPaintContext* context);
    virtual void onMouseDown(CPaintContext* context, CPoint where);
    // Draws the view if it is dirty and then marks it clean.
    virtual void redrawIfDirty(CPaintContext* context);
    // Offered dropped files (kind 0) or text (kind 1); the default refuses.
    virtual bool onDrop(CPaintContext* context, void** items, int count, int kind, CPoint where);
    virtual bool onWheel(CPaintContext* context, CPoint where, float distance);
    virtual void loseFocus(CPaintContext* context);
    virtual void takeFocus(CPaintContext* context);
    virtual bool isDirty() const;
    virtual void markDirty(bool flag = true);
    virtual void setMouseEnabled(bool enable);
    virtual bool isMouseEnabled() const;
    virtual void setMouseArea(const CRect& area);
    virtual CRect getMouseArea() const;
    virtual void setTransparent(bool flag);
    virtual bool isTransparent() const;
    // Sets the view rectangle and marks the view dirty.
    virtual void setViewRect(const CRect& rect);
    virtual void setParentFrame(CWindowFrame* frame);
    virtual bool onRemoved(CWindowFrame* frame);
    virtual bool onAttached(CWindowFrame* frame);
    virtual void release();
    virtual void retain();
    virtual int getRefCount() const;

    const CRect& getViewRect() const { return size; }
    CWindowFrame* getFrame() const { return parentFrame; }

protected:
    int refCount = 1;
    CRect size;
    CRect mouseArea;
    CWindowFrame* parentFrame = nullptr;
    bool dirty = true;
    bool mouseEnabled = true;
    bool transparent = false;
};

class CValueListener {
public:
    virtual void onControlChanged(CPaintContext* context, CValueControl* control) = 0;

protected:
    ~CValueListener() = default;
};

// A view with a float value, a tag and a listener told of the user's changes.
// It is dirty while the value differs from the value it was last drawn with.
class CValueControl : public CViewBase {
public:
    CValueControl(const CRect& size, CValueListener* listener, std::int32_t tag,
                  CResBitmap* background = nullptr);
    ~CValueControl() override;

    void draw(CPaintContext* context) override = 0;
    bool isDirty() const override;
    void markDirty(bool flag = true) override;

    // Runs one paced idle of the frame's editor (from mouse-tracking loops).
    virtual void doIdleStuff();
    // Whether the control's frame still has its window: a tracking loop ends
    // when the editor was closed (or the window destroyed) during its idle.
    bool isFrameOpen() const;
    virtual void setValue(float v) { value = v; }
    virtual float getValue() const { return value; }
    virtual void setMin(float v) { vmin = v; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float v) { vmax = v; }
    virtual float getMax() const { return vmax; }
    virtual void setDrawnValue(float v) { drawnValue = v; }
    virtual float getDrawnValue() const { return drawnValue; }
    virtual void setDefaultValue(float v) { defaultValue = v; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(std::int32_t t) { tag = t; }
    // Releases the old bitmap and retains the new one.
    virtual void setBackground(CResBitmap* bitmap);
    virtual CResBitmap* getBackground() const { return background; }
    virtual void setWheelStep(float step) { wheelStep = step; }
    virtual float getWheelStep() const { return wheelStep; }
    // Brings the value into minimum..maximum.
    virtual void clampValue();

    std::int32_t getTag() const { return tag; }
    CValueListener* getListener() const { return listener; }
    void setListener(CValueListener* l) { listener = l; }

protected:
    // Tells the listener, if there is one.
    void notify(CPaintContext* context);
    // Tells the listener if the control is dirty.
    void notifyIfDirty(CPaintContext* context);
    void beginEdit();
    void endEdit();

    CValueListener* listener = nullptr;
    std::int32_t tag = 0;
    float value = 0.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float defaultValue = 0.5f;
    float drawnValue = 1.0f;
    float wheelStep = 0.1f;
    CResBitmap* background = nullptr;
};
