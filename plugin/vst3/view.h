// The editor as the plug-in's view: the 640 x 385 panel in the host's window
// (an X11 window on Linux, an HWND on Windows), driven on the host's
// user-interface thread: by its run loop on Linux (the editor's event file
// descriptor and a timer), by a window timer on Windows. No thread of its own.
#pragma once

#include <memory>

#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/object.h"

class AVocEditor;

namespace tf::vst3plugin {

class Controller;
struct ViewIdle;

// The platform's view type ("X11EmbedWindowID" or "HWND").
extern const char* const kViewPlatformType;

class View final : public vst3::Object<View, vst3::IPlugView> {
public:
    explicit View(Controller& controller);

    vst3::tresult queryInterface(const char* id, void** obj) override;

    // IPlugView. UI thread.
    vst3::tresult isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult attached(void* parent, vst3::FIDString type) override;
    vst3::tresult removed() override;
    vst3::tresult onWheel(float distance) override;
    // The editor reads the keyboard itself (the Freeze and Flat keys).
    vst3::tresult onKeyDown(vst3::char16, vst3::int16, vst3::int16) override { return vst3::kResultFalse; }
    vst3::tresult onKeyUp(vst3::char16, vst3::int16, vst3::int16) override { return vst3::kResultFalse; }
    vst3::tresult getSize(vst3::ViewRect* size) override;
    vst3::tresult onSize(vst3::ViewRect* newSize) override;
    vst3::tresult onFocus(vst3::TBool) override { return vst3::kResultOk; }
    vst3::tresult setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult canResize() override { return vst3::kResultFalse; }
    vst3::tresult checkSizeConstraint(vst3::ViewRect* rect) override;

    // From the controller, any thread: a parameter changed.
    void parameterChanged(std::int32_t index);
    void setKnobMode(int mode);

    // From the platform's idle: the host's run loop saw the editor's events,
    // or its timer came. UI thread.
    void onEvents();
    void onTimer();

private:
    friend class vst3::Object<View, vst3::IPlugView>;
    ~View();

    Controller& controller;
    vst3::Ref<vst3::IEditController> controllerRef;  // the view keeps its controller
    std::unique_ptr<AVocEditor> editor;
    vst3::Ref<vst3::IPlugFrame> frame;
    ViewIdle* idle = nullptr;
};

// ---- The platform's part (view_linux.cpp, view_windows.cpp) ----

// Starts calling view.onEvents() when `fd` (if not -1) has input and
// view.onTimer() every few tens of milliseconds, on the host's UI thread;
// null when the host offers no way to do so.
ViewIdle* startViewIdle(View& view, vst3::IPlugFrame* frame, vst3::FUnknown* hostContext, int fd);
void stopViewIdle(ViewIdle* idle);

}  // namespace tf::vst3plugin
