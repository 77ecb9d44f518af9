// A top-level window on the user's X display that plays a host's editor
// window for tools: a plug-in's editor opens inside it, and what it shows
// can be read back. Named and classed for the desktop ("talkforge",
// "Talkforge", as the desktop entry expects), fixed at its size, and closable
// by the user. Plain types only, so tools need no X11 headers.
#pragma once

#include <memory>
#include <string>

#include "gui/platform/raster/surface.h"

namespace tf::x11host {

class HostWindow {
public:
    // Connects to the display DISPLAY names and maps a window of the given
    // size titled `title`. Null, with the reason in `error`, when there is
    // no display.
    static std::unique_ptr<HostWindow> open(int width, int height, const std::string& title, std::string& error);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // The window as a host hands it to the editor's open.
    void* handle() const;
    // The display connection, readable when the server has sent something.
    int eventDescriptor() const;
    // Takes what the server sent this window's connection, without waiting.
    // False once the user has closed the window (or it is gone).
    bool processEvents();
    // What the window shows, the editor's child window included.
    raster::Surface grab() const;

private:
    HostWindow() = default;
    struct Native;
    std::unique_ptr<Native> native;
    int width = 0;
    int height = 0;
};

}  // namespace tf::x11host
