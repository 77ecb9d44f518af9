// The rendered stereo WAV file, written as the render runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/output_file.h"

// A stereo WAV output, written to its target as OutputFile says: complete or
// not at all. A pipe or standard output gets a WAV stream.
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

    bool toStandardOutput() const { return output.toStandardOutput(); }

private:
    OutputFile output;
    void* file = nullptr;  // SNDFILE*
    bool floatSamples;
    std::vector<float> interleaved;
    std::int64_t clipped = 0;
};
