#include "tools/audio_io.h"

#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "tools/error.h"

namespace {

constexpr sf_count_t kReadChunkFrames = 65536;

std::string inQuotes(const std::string& path) { return "'" + path + "'"; }

// The temporary output file, removed if the process is interrupted. One output
// is written at a time.
char interruptedTempPath[4096];

void removeTempAndReraise(int signal) {
    if (interruptedTempPath[0]) unlink(interruptedTempPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Creates a file from a mkstemp pattern with the interrupt handlers already in
// place, so that no moment exists at which an interrupt would leave it behind.
int createGuardedTemp(const std::string& pattern, std::string& path) {
    if (pattern.size() >= sizeof interruptedTempPath) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(interruptedTempPath, pattern.c_str(), pattern.size() + 1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, removeTempAndReraise);
    const int fd = mkstemp(interruptedTempPath);
    if (fd < 0) interruptedTempPath[0] = '\0';
    else path = interruptedTempPath;
    return fd;
}

void releaseTempGuard() { interruptedTempPath[0] = '\0'; }

}  // namespace

MonoSignal readMono(const std::string& path, const std::string& role, bool mix) {
    const std::string name = role + " " + inQuotes(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw ToolError(name + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw ToolError(name + " is a directory, not an audio file");

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        if (access(path.c_str(), R_OK) != 0) throw ToolError(name + ": " + std::strerror(errno));
        if (sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT)
            throw ToolError(name + " is not an audio file (its format is not one libsndfile reads)");
        std::string why = sf_strerror(nullptr);
        if (!why.empty() && why.back() == '.') why.pop_back();
        throw ToolError(name + " is not readable audio: " + why);
    }
    struct Closer {
        SNDFILE* f;
        ~Closer() { sf_close(f); }
    } closer{file};

    if (info.channels < 1) throw ToolError(name + " has no audio channels");
    if (!(info.samplerate > 0)) throw ToolError(name + " has an unsupported sample rate");
    if (info.frames < 1) throw ToolError(name + " holds no audio");

    MonoSignal out;
    out.rate = info.samplerate;
    out.samples.reserve(static_cast<std::size_t>(info.frames));
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> chunk(static_cast<std::size_t>(kReadChunkFrames) * channels);
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), kReadChunkFrames);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f) {
            const float* frame = chunk.data() + static_cast<std::size_t>(f) * channels;
            float v = frame[0];
            if (mix)
                for (std::size_t c = 1; c < channels; ++c) v += frame[c];
            out.samples.push_back(v);
        }
    }
    if (sf_error(file) != SF_ERR_NO_ERROR)
        throw ToolError(name + ": read error after " + std::to_string(out.samples.size()) + " frames (" +
                        sf_strerror(file) + ")");
    if (out.samples.empty()) throw ToolError(name + " holds no audio");
    for (float& v : out.samples)
        if (!std::isfinite(v)) v = 0.0f;  // a float file may carry NaN or infinity
    return out;
}

std::vector<float> resample(std::span<const float> in, double fromRate, double toRate,
                            const std::string& role) {
    if (fromRate == toRate) return {in.begin(), in.end()};
    const double ratio = toRate / fromRate;
    if (!src_is_valid_ratio(ratio))
        throw ToolError("cannot convert the " + role + " from " + std::to_string(std::lround(fromRate)) +
                        " Hz to " + std::to_string(std::lround(toRate)) + " Hz: unsupported rate ratio");
    std::vector<float> out(static_cast<std::size_t>(std::llround(static_cast<double>(in.size()) * ratio)) + 1);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (const int err = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1))
        throw ToolError("cannot convert the " + role + "'s sample rate: " + src_strerror(err));
    out.resize(static_cast<std::size_t>(data.output_frames_gen));
    return out;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

WavWriter::WavWriter(const std::string& targetPath, double rate, bool asFloat)
    : target(targetPath), floatSamples(asFloat) {
    namespace fs = std::filesystem;
    const std::string name = "output " + inQuotes(target);
    std::error_code ec;
    if (fs::is_directory(target, ec)) throw ToolError(name + " is a directory");
    fs::path dir = fs::path(target).parent_path();
    if (dir.empty()) dir = ".";
    if (!fs::is_directory(dir, ec)) throw ToolError(name + ": directory " + inQuotes(dir.string()) + " does not exist");

    std::string tempName = ".";
    tempName.append(fs::path(target).filename().string()).append(".tmp-XXXXXX");
    const int fd = createGuardedTemp((dir / tempName).string(), tempPath);
    if (fd < 0) throw ToolError(name + ": cannot create a file in " + inQuotes(dir.string()) + ": " + std::strerror(errno));
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);  // as an ordinary new file, not mkstemp's private mode

    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(rate));
    info.channels = 2;
    info.format = SF_FORMAT_WAV | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    SNDFILE* f = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!f) {
        close(fd);
        discard();
        throw ToolError(name + ": cannot write a WAV file (" + sf_strerror(nullptr) + ")");
    }
    if (!floatSamples) sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file = f;
}

WavWriter::~WavWriter() { discard(); }

void WavWriter::discard() {
    if (file) sf_close(static_cast<SNDFILE*>(file));
    file = nullptr;
    if (!tempPath.empty()) unlink(tempPath.c_str());
    tempPath.clear();
    releaseTempGuard();
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
        throw ToolError("output " + inQuotes(target) + ": write failed (" + sf_strerror(static_cast<SNDFILE*>(file)) + ")");
}

void WavWriter::commit() {
    auto* f = static_cast<SNDFILE*>(file);
    file = nullptr;
    if (sf_close(f) != 0) throw ToolError("output " + inQuotes(target) + ": cannot finish the file");
    if (std::rename(tempPath.c_str(), target.c_str()) != 0)
        throw ToolError("output " + inQuotes(target) + ": " + std::strerror(errno));
    tempPath.clear();
    releaseTempGuard();
}
