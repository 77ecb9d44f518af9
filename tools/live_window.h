// The top-level window `talkforge live` shows the plug-in's editor in: named
// and classed for the desktop, fixed at the editor's size, and closable,
// which ends the program. Plain types only, so the rest of the tool needs no
// X11 headers.
#pragma once

#include <memory>
#include <string>

class LiveWindow {
public:
    // Connects to the display DISPLAY names and maps the window. Null, with
    // the reason in `error`, when there is no display.
    static std::unique_ptr<LiveWindow> open(int width, int height, const std::string& title, std::string& error);
    ~LiveWindow();
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    // The window as a host hands it to the editor's open.
    void* handle() const;
    // The display connection, readable when the server has sent something.
    int eventDescriptor() const;
    // Takes what the server sent, without waiting. False once the user has
    // closed the window (or it is gone).
    bool processEvents();

private:
    LiveWindow() = default;
    struct Native;
    std::unique_ptr<Native> native;
};
