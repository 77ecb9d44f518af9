// The frame: the editor's native child window, its background and a flat
// list of views that it draws, updates and routes mouse presses to.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/platform/platform.h"
#include "gui/view.h"

class CEditorBase;
class CResBitmap;

class CWindowFrame : public CViewBase {
public:
    // Creates the native child window of `parentWindow` with the size of `size`.
    CWindowFrame(const CRect& size, void* parentWindow, CEditorBase* editor);
    ~CWindowFrame() override;

    // Background, then every view in list order, then the modal view; a full
    // repaint keeps the views' pending dirty state.
    void draw(CPaintContext* context) override;
    // The update: only dirty views are drawn (all of them if the frame is dirty).
    void redrawIfDirty(CPaintContext* context) override;
    // Closes an open text edit, then hands the press to the last-added
    // mouse-enabled view whose rectangle holds the point (edges included).
    void onMouseDown(CPaintContext* context, CPoint where) override;
    bool onWheel(CPaintContext* context, CPoint where, float distance) override;
    bool onDrop(CPaintContext* context, void** items, int count, int kind, CPoint where) override;

    // Periodic pass: handles window events, then updates what is dirty.
    void idle();
    // Destroys the native window at once; the frame itself lives on while a
    // gesture or a context still holds it (see CEditorBase::close), and
    // mouse-tracking loops end when they see it closed.
    void closeWindow();
    // The editor is going away: nothing is passed to it any more.
    void forgetEditor() { editor = nullptr; }
    // Draws one view, or the whole frame, at once into a fresh context.
    void redraw(CViewBase* view = nullptr);

    // Appends a view; the frame takes over the caller's reference.
    bool addView(CViewBase* view);
    // Removes a view and releases the frame's reference.
    bool removeView(CViewBase* view);
    void removeAll();
    bool isChild(const CViewBase* view) const;
    int getNbViews() const { return int(views.size()); }
    CViewBase* getView(int index) const;

    void setBackground(CResBitmap* bitmap);
    CResBitmap* getBackground() const { return background; }
    // The previous focus view loses the focus; `view` (or none) gets it.
    void setFocusView(CViewBase* view);
    CViewBase* getFocusView() const { return focusView; }
    void setModalView(CViewBase* view);
    CViewBase* getModalView() const { return modalView; }

    void beginEdit(std::int32_t tag);
    void endEdit(std::int32_t tag);

    // Whether the key with Windows virtual-key code `virtualKey` is held right
    // now (asynchronous state). Tab, Shift, Ctrl and Alt are known; any other
    // code, or a frame without a window, answers false.
    bool isKeyDown(int virtualKey) const;

    CEditorBase* getEditor() const { return editor; }
    // False once the window is closed or was destroyed from outside.
    bool isOpen() const { return open; }
    bool isFirstPaintPending() const { return firstPaint; }

    // For contexts and bindings.
    tf::platform::Window* getWindow() const { return window; }
    tf::platform::WindowClient& getWindowClient() { return client; }
    tf::raster::Surface& getSurface() { return surface; }
    tf::raster::FontEngine& getFonts() { return fonts; }
    // Records that `area` of the window surface changed.
    void touch(const CRect& area) { pending = pending.unite(area); }
    // Shows every changed area in one transfer.
    void presentPending();
    // True while a mouse press or a modal edit/menu is being handled.
    bool isTracking() const { return trackingDepth > 0; }

private:
    struct Client final : tf::platform::WindowClient {
        CWindowFrame* frame = nullptr;
        void onPaint() override;
        void onMouseDown(CPoint where) override;
        void onWindowDestroyed() override;
        void onModalIdle() override;
        bool onDrop(void** items, int count, int kind, CPoint where) override;
    };
    friend struct Client;
    class Tracking;

    CViewBase* viewAt(CPoint where, bool mouseEnabledOnly) const;

    static constexpr std::size_t kViewGrowth = 10;

    CEditorBase* editor = nullptr;
    tf::platform::Window* window = nullptr;
    std::vector<CViewBase*> views;
    CResBitmap* background = nullptr;
    CViewBase* focusView = nullptr;
    CViewBase* modalView = nullptr;
    bool open = true;
    bool firstPaint = true;
    int trackingDepth = 0;
    Client client;
    tf::raster::Surface surface;
    tf::raster::FontEngine fonts;
    CRect pending;
};
