#include "tools/audio_source.h"

#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "tools/cli_args.h"
#include "tools/error.h"

namespace {

constexpr sf_count_t kReadChunkFrames = 65536;

SNDFILE* sndfile(void* f) { return static_cast<SNDFILE*>(f); }
SRC_STATE* srcState(void* s) { return static_cast<SRC_STATE*>(s); }

std::string hzText(double rate) { return std::to_string(std::lround(rate)) + " Hz"; }

}  // namespace

AudioSource::AudioSource(const std::string& path, const std::string& role, bool mixChannels)
    : roleName(role), mix(mixChannels) {
    SF_INFO info{};
    SNDFILE* f = nullptr;
    if (path == kStandardStream) {
        name = role + " (standard input)";
        if (isatty(STDIN_FILENO)) throw ToolError(name + " is a terminal; pipe an audio file into it");
        f = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    } else {
        name = role + " '" + path + "'";
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) throw ToolError(name + ": " + std::strerror(errno));
        if (S_ISDIR(st.st_mode)) throw ToolError(name + " is a directory, not an audio file");
        f = sf_open(path.c_str(), SFM_READ, &info);
        if (!f && access(path.c_str(), R_OK) != 0) throw ToolError(name + ": " + std::strerror(errno));
    }
    if (!f) {
        if (sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT)
            throw ToolError(name + " is not an audio file (its format is not one libsndfile reads)");
        std::string why = sf_strerror(nullptr);
        if (!why.empty() && why.back() == '.') why.pop_back();
        throw ToolError(name + " is not readable audio: " + why);
    }
    file = f;
    // From here the destructor does not run if the constructor throws.
    try {
        if (info.channels < 1) throw ToolError(name + " has no audio channels");
        if (!(info.samplerate > 0)) throw ToolError(name + " has an unsupported sample rate");
        // A stream's header may not know its length; its first read tells instead.
        seekable = info.seekable != 0;
        if (seekable && info.frames < 1) throw ToolError(name + " holds no audio");
        channels = info.channels;
        fileFrames = info.frames;
        rate = info.samplerate;
        if (!refill()) throw ToolError(name + " holds no audio");
    } catch (...) {
        sf_close(f);
        throw;
    }
}

AudioSource::~AudioSource() {
    if (converter) src_delete(srcState(converter));
    sf_close(sndfile(file));
}

void AudioSource::convertTo(double processingRate) {
    if (processingRate == rate) return;
    ratio = processingRate / rate;
    if (!src_is_valid_ratio(ratio))
        throw ToolError("cannot convert the " + roleName + " from " + hzText(rate) + " to " + hzText(processingRate) +
                        ": unsupported rate ratio");
    int error = 0;
    converter = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &error);
    if (!converter) throw ToolError("cannot convert the " + roleName + "'s sample rate: " + src_strerror(error));
    // Converted in one call, the whole file gave at most this many frames; the
    // streamed conversion stops there too, so that renders keep their length.
    if (seekable) convertedLimit = std::llround(static_cast<double>(fileFrames) * ratio) + 1;
}

std::int64_t AudioSource::expectedFrames() const {
    if (!seekable) return -1;
    return converter ? std::llround(static_cast<double>(fileFrames) * ratio) : fileFrames;
}

bool AudioSource::refill() {
    const auto width = static_cast<std::size_t>(channels);
    interleaved.resize(static_cast<std::size_t>(kReadChunkFrames) * width);
    const sf_count_t got = sf_readf_float(sndfile(file), interleaved.data(), kReadChunkFrames);
    if (sf_error(sndfile(file)) != SF_ERR_NO_ERROR)
        throw ToolError(name + ": read error after " + std::to_string(framesRead) + " frames (" +
                        sf_strerror(sndfile(file)) + ")");
    chunk.clear();
    chunkPos = 0;
    if (got <= 0) return false;
    framesRead += got;
    for (sf_count_t i = 0; i < got; ++i) {
        const float* frame = interleaved.data() + static_cast<std::size_t>(i) * width;
        float v = frame[0];
        if (mix)
            for (std::size_t c = 1; c < width; ++c) v += frame[c];
        chunk.push_back(std::isfinite(v) ? v : 0.0f);  // a float file may carry NaN or infinity
    }
    return true;
}

int AudioSource::read(float* out, int count) {
    const int got = converter ? readConverted(out, count) : readDirect(out, count);
    std::fill(out + got, out + count, 0.0f);
    return got;
}

int AudioSource::readDirect(float* out, int count) {
    int got = 0;
    while (got < count && !finished) {
        if (chunkPos == chunk.size() && !refill()) {
            finished = true;
            break;
        }
        const auto n = std::min(static_cast<std::size_t>(count - got), chunk.size() - chunkPos);
        std::copy_n(chunk.begin() + static_cast<std::ptrdiff_t>(chunkPos), n, out + got);
        chunkPos += n;
        got += static_cast<int>(n);
    }
    return got;
}

int AudioSource::readConverted(float* out, int count) {
    int got = 0;
    while (got < count && !finished) {
        if (chunkPos == chunk.size() && !fileEnded) fileEnded = !refill();
        SRC_DATA data{};
        data.data_in = chunk.data() + chunkPos;
        data.input_frames = static_cast<long>(chunk.size() - chunkPos);
        data.data_out = out + got;
        data.output_frames = count - got;
        if (convertedLimit >= 0) data.output_frames = std::min<long>(data.output_frames, static_cast<long>(convertedLimit - delivered));
        data.end_of_input = fileEnded;
        data.src_ratio = ratio;
        if (const int error = src_process(srcState(converter), &data))
            throw ToolError("cannot convert the " + roleName + "'s sample rate: " + src_strerror(error));
        chunkPos += static_cast<std::size_t>(data.input_frames_used);
        got += static_cast<int>(data.output_frames_gen);
        delivered += data.output_frames_gen;
        if ((fileEnded && data.output_frames_gen == 0) || delivered == convertedLimit) finished = true;
    }
    return got;
}
