// Helpers of the window tests of every binding: waiting for the window
// system, and comparing what a window shows with a reference rendering.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "gui/platform/raster/surface.h"

namespace guitest {

// Polls `done` every few milliseconds, running `step` in between, until it
// holds or `timeoutMs` has passed. Returns the last answer of `done`.
inline bool waitFor(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs = 3000) {
    constexpr int kPollMs = 2;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (step) step();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return true;
}

// Number of pixels that differ between two images of the same size (all of
// them when the sizes differ).
inline long differingPixels(const tf::raster::Surface& a, const tf::raster::Surface& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return long(std::max(a.width() * a.height(), b.width() * b.height()));
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

}  // namespace guitest
