// Audio files in and out (libsndfile) and sample-rate conversion (libsamplerate).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct MonoSignal {
    std::vector<float> samples;
    double rate = 0.0;
};

// Reads any file libsndfile understands as one channel: the first, or with
// `mix` the sum of all. `role` names the file in messages ("voice file").
MonoSignal readMono(const std::string& path, const std::string& role, bool mix);

// Converts a whole signal to another rate; `role` names it in messages.
std::vector<float> resample(std::span<const float> in, double fromRate, double toRate,
                            const std::string& role);

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);

// A stereo WAV file written to a temporary file beside the target and renamed
// onto it by commit(). Without commit() (an error, an interrupt) the temporary
// file is removed and an existing target is left as it was.
class WavWriter {
public:
    WavWriter(const std::string& target, double rate, bool floatSamples);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(std::span<const float> left, std::span<const float> right);
    void commit();

    // Samples beyond full scale, which a 24-bit file clips.
    std::int64_t clippedSamples() const { return clipped; }

private:
    void discard();

    std::string target;
    std::string tempPath;
    void* file = nullptr;  // SNDFILE*
    bool floatSamples;
    std::vector<float> interleaved;
    std::int64_t clipped = 0;
};
