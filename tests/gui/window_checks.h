// Helpers of the window tests of every binding: waiting for the window
// system, comparing what a window shows with a reference rendering, BMP
// files of pictures, and an effect that records the editor's gestures.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gui/platform/raster/bmp.h"
#include "gui/platform/raster/surface.h"
#include "gui/editorbase.h"

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

// The picture in a BMP file; empty when it cannot be read.
inline tf::raster::Surface readBmpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    tf::raster::Surface out;
    tf::raster::decodeBmp(bytes.data(), bytes.size(), out);
    return out;
}

inline void writeBmpFile(const tf::raster::Surface& image, const std::string& path) {
    const auto bytes = tf::raster::encodeBmp(image);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Records the gestures the editor reports and keeps the host's idle count.
class RecordingHost : public CEditorHost {
public:
    void beginEdit(std::int32_t index) override { edits.push_back('b' + std::to_string(index)); }
    void endEdit(std::int32_t index) override { edits.push_back('e' + std::to_string(index)); }
    void idleHost() override { ++hostIdles; }
    std::vector<std::string> edits;
    int hostIdles = 0;
};

}  // namespace guitest
