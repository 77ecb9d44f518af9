// The test's own X connection, standing in for the window manager and the
// user. Xlib stays in desktop.cpp: tests see plain types only.
#pragma once

#include <chrono>
#include <vector>

namespace livetest {

using WindowId = unsigned long;

struct Point {
    int x;
    int y;
};

class Desktop {
public:
    Desktop();  // connects to $DISPLAY
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    bool ok() const { return display != nullptr; }

    // The mapped top-level window with this title, waiting for it at most
    // `timeout`; 0 when there is none.
    WindowId find(const char* title, std::chrono::milliseconds timeout) const;
    // What a window manager sends when the user clicks the close button.
    void requestClose(WindowId window) const;
    // A drag with the first button along the points (window coordinates),
    // one point each `step`.
    void drag(WindowId window, const std::vector<Point>& path, std::chrono::milliseconds step) const;

private:
    void* display = nullptr;
};

}  // namespace livetest
