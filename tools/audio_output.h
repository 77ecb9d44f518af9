// The rendered stereo WAV file, written as the render runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct stat;

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);

// A stereo WAV output. What it does depends on what the target is:
// - a regular file (or a symbolic link to one) or a new name: the file is
//   written beside the target under a temporary name and renamed onto it by
//   commit(), keeping an existing file's permissions; without commit() (an
//   error, an interrupt) the temporary file is removed and an existing target
//   is left as it was. A file the user may not write is refused.
// - "-" (standard output), a pipe or a character device such as /dev/null:
//   written straight through.
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

    bool toStandardOutput() const { return standardOutput; }

private:
    int openStraight(const std::string& path);
    int openReplacement(const std::string& path, const struct stat* existing);
    void discard();

    std::string name;      // "output 'x.wav'", for messages
    std::string target;    // the file a regular output is renamed onto
    std::string tempPath;  // empty when written straight through
    void* file = nullptr;  // SNDFILE*
    bool floatSamples;
    bool standardOutput = false;
    std::vector<float> interleaved;
    std::int64_t clipped = 0;
};
