#include "tests/soundfile.h"

#include <sndfile.h>

#include <stdexcept>
#include <string>

namespace testsound {

std::vector<float> Sound::channel(int c) const {
    std::vector<float> v(frames());
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = at(i, c);
    return v;
}

Sound readSound(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    Sound s{info.samplerate, info.channels, std::vector<float>(static_cast<std::size_t>(info.frames * info.channels))};
    sf_readf_float(file, s.samples.data(), info.frames);
    sf_close(file);
    return s;
}

void writeSound(const std::filesystem::path& path, int rate, int channels, const std::vector<float>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
    sf_close(file);
}

}  // namespace testsound
