#include "tools/audio_output.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>

#include "tools/error.h"

namespace {

constexpr int kChannels = 2;

bool isStream(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

void putLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// The header of a WAV stream whose length is not known: the RIFF and data
// sizes at their largest value, as streaming readers expect.
std::vector<std::uint8_t> streamHeader(int rate, bool floatSamples) {
    constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;
    constexpr std::uint32_t kFormatChunkSize = 16;
    constexpr std::uint32_t kFormatPcm = 1, kFormatFloat = 3;
    constexpr std::uint32_t kBitsPcm = 24, kBitsFloat = 32;
    const std::uint32_t bits = floatSamples ? kBitsFloat : kBitsPcm;
    const std::uint32_t frameBytes = kChannels * bits / 8;
    std::vector<std::uint8_t> h;
    putTag(h, "RIFF");
    putLittle(h, kUnknownSize, 4);
    putTag(h, "WAVE");
    putTag(h, "fmt ");
    putLittle(h, kFormatChunkSize, 4);
    putLittle(h, floatSamples ? kFormatFloat : kFormatPcm, 2);
    putLittle(h, kChannels, 2);
    putLittle(h, static_cast<std::uint32_t>(rate), 4);
    putLittle(h, static_cast<std::uint32_t>(rate) * frameBytes, 4);
    putLittle(h, frameBytes, 2);
    putLittle(h, bits, 2);
    putTag(h, "data");
    putLittle(h, kUnknownSize, 4);
    return h;
}

}  // namespace

WavWriter::WavWriter(const std::string& path, double rate, bool asFloat) : output(path), floatSamples(asFloat) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(rate));
    info.channels = kChannels;
    const int encoding = floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24;
    info.format = SF_FORMAT_WAV | encoding;
    // libsndfile cannot write a WAV file where it cannot go back to fill in the
    // header. A stream gets a header of unknown length, then the raw samples.
    if (isStream(output.descriptor())) {
        output.write(streamHeader(info.samplerate, floatSamples));
        info.format = SF_FORMAT_RAW | encoding | SF_ENDIAN_LITTLE;
    }
    SNDFILE* f = sf_open_fd(output.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!f) throw ToolError(output.name() + ": cannot write a WAV file (" + sf_strerror(nullptr) + ")");
    if (!floatSamples) sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file = f;
}

WavWriter::~WavWriter() {
    if (file) sf_close(static_cast<SNDFILE*>(file));
}

void WavWriter::write(std::span<const float> left, std::span<const float> right) {
    interleaved.resize(left.size() * 2);
    for (std::size_t i = 0; i < left.size(); ++i) {
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
        clipped += (std::fabs(left[i]) > 1.0f) + (std::fabs(right[i]) > 1.0f);
    }
    const auto frames = static_cast<sf_count_t>(left.size());
    if (sf_writef_float(static_cast<SNDFILE*>(file), interleaved.data(), frames) != frames)
        throw ToolError(output.name() + ": write failed (" + sf_strerror(static_cast<SNDFILE*>(file)) + ")");
}

void WavWriter::commit() {
    auto* f = static_cast<SNDFILE*>(file);
    file = nullptr;
    if (sf_close(f) != 0) throw ToolError(output.name() + ": cannot finish the file");
    output.commit();
}
