// Audio inputs read block by block (libsndfile) as one channel, converted to
// the processing rate as they stream (libsamplerate), so that a render holds
// only a few blocks of any input in memory whatever its length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AudioSource {
public:
    // Opens a file libsndfile reads ("-" for standard input) and reads its first
    // frames, so that a file holding no audio fails here, before any output
    // exists. The channel is the first one, or with `mix` the sum of all. `role`
    // names the input in messages ("voice file").
    AudioSource(const std::string& path, const std::string& role, bool mix);
    ~AudioSource();
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;

    double fileRate() const { return rate; }

    // Delivers the frames at this rate from now on; throws when libsamplerate
    // cannot convert between the two rates.
    void convertTo(double processingRate);

    // Frames the input will deliver at the processing rate, or -1 when its
    // length is not known beforehand (a stream).
    std::int64_t expectedFrames() const;

    // Fills `count` frames: the input, then silence once it has ended. Returns
    // how many of them came from the input.
    int read(float* out, int count);

    // True once every frame of the input has been delivered.
    bool ended() const { return finished; }

private:
    bool refill();  // the next chunk of the file into `chunk`; false at its end
    int readDirect(float* out, int count);
    int readConverted(float* out, int count);

    std::string roleName;  // "voice file"
    std::string name;      // "voice file 'x.wav'", for messages
    void* file = nullptr;       // SNDFILE*
    void* converter = nullptr;  // SRC_STATE*, when the rates differ
    int channels = 1;
    bool mix = false;
    bool seekable = false;
    std::int64_t fileFrames = 0;
    std::int64_t framesRead = 0;
    double rate = 0.0;
    double ratio = 1.0;  // processing rate / file rate
    std::int64_t convertedLimit = -1;  // the most frames a whole-file conversion gives
    std::int64_t delivered = 0;
    bool fileEnded = false;
    bool finished = false;

    std::vector<float> interleaved;  // one chunk as read
    std::vector<float> chunk;        // the chunk as one channel
    std::size_t chunkPos = 0;        // frames of `chunk` already used
};
