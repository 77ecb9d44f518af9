// Sound files for the tests that compare renders: read whole, written as
// 32-bit float WAV.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace testsound {

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    float at(std::size_t frame, int channel) const {
        return samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    }
    std::vector<float> channel(int c) const;
};

// Throws std::runtime_error naming the file when it cannot.
Sound readSound(const std::filesystem::path& path);
void writeSound(const std::filesystem::path& path, int rate, int channels, const std::vector<float>& interleaved);

}  // namespace testsound
