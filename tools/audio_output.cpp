#include "tools/audio_output.h"

#include <sndfile.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "tools/cli_args.h"
#include "tools/error.h"

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;
constexpr int kChannels = 2;

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
bool writeStreamHeader(int fd, int rate, bool floatSamples) {
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
    return write(fd, h.data(), h.size()) == static_cast<ssize_t>(h.size());
}

void releaseTempGuard() { interruptedTempPath[0] = '\0'; }

// Follows symbolic links from a name that does not resolve to an existing file
// to the name they finally point at, where the output is then created.
std::string followLinks(std::string path) {
    namespace fs = std::filesystem;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(path, ec)) return path;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) return path;
        path = link.is_absolute() ? link.string() : (fs::path(path).parent_path() / link).string();
    }
    throw ToolError("output " + inQuotes(path) + ": " + std::strerror(ELOOP));
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

WavWriter::WavWriter(const std::string& path, double rate, bool asFloat) : floatSamples(asFloat) {
    int fd = -1;
    if (path == kStandardStream) {
        name = "standard output";
        standardOutput = true;
        if (isatty(STDOUT_FILENO))
            throw ToolError("standard output is a terminal: redirect it to a file or a pipe, or name an output file");
        fd = STDOUT_FILENO;
    } else {
        name = "output " + inQuotes(path);
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) throw ToolError(name + " is a directory");
            if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) fd = openStraight(path);
            else if (S_ISREG(st.st_mode)) fd = openReplacement(std::filesystem::canonical(path).string(), &st);
            else throw ToolError(name + " is neither a file, a pipe nor a character device");
        } else if (errno == ENOENT) {
            fd = openReplacement(followLinks(path), nullptr);
        } else {
            throw ToolError(name + ": " + std::strerror(errno));
        }
    }

    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(rate));
    info.channels = kChannels;
    const int encoding = floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24;
    info.format = SF_FORMAT_WAV | encoding;
    // libsndfile cannot write a WAV file where it cannot go back to fill in the
    // header. A stream gets a header of unknown length, then the raw samples.
    if (isStream(fd)) {
        if (!writeStreamHeader(fd, info.samplerate, floatSamples)) {
            if (!standardOutput) close(fd);
            throw ToolError(name + ": write failed (" + std::strerror(errno) + ")");
        }
        info.format = SF_FORMAT_RAW | encoding | SF_ENDIAN_LITTLE;
    }
    SNDFILE* f = sf_open_fd(fd, SFM_WRITE, &info, standardOutput ? SF_FALSE : SF_TRUE);
    if (!f) {
        if (!standardOutput) close(fd);
        discard();
        throw ToolError(name + ": cannot write a WAV file (" + sf_strerror(nullptr) + ")");
    }
    if (!floatSamples) sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file = f;
}

int WavWriter::openStraight(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw ToolError(name + ": " + std::strerror(errno));
    return fd;
}

int WavWriter::openReplacement(const std::string& path, const struct stat* existing) {
    namespace fs = std::filesystem;
    if (existing) {
        // Renaming would replace a file that its permissions protect, even from root.
        if (!(existing->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) throw ToolError(name + " is read-only");
        if (access(path.c_str(), W_OK) != 0) throw ToolError(name + " is not writable: " + std::strerror(errno));
    }
    fs::path dir = fs::path(path).parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw ToolError(name + ": directory " + inQuotes(dir.string()) + " does not exist");

    std::string tempName = ".";
    tempName.append(fs::path(path).filename().string()).append(".tmp-XXXXXX");
    const int fd = createGuardedTemp((dir / tempName).string(), tempPath);
    if (fd < 0) throw ToolError(name + ": cannot create a file in " + inQuotes(dir.string()) + ": " + std::strerror(errno));
    if (existing) {
        // The new file takes the place of the old one with its owner and mode.
        if (fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            // Only root may give a file away: the user then owns the new one.
        }
        fchmod(fd, existing->st_mode & kPermissionBits);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, kNewFileMode & ~mask);  // as an ordinary new file, not mkstemp's private mode
    }
    target = path;
    return fd;
}

WavWriter::~WavWriter() { discard(); }

void WavWriter::discard() {
    if (file) sf_close(static_cast<SNDFILE*>(file));
    file = nullptr;
    if (!tempPath.empty()) {
        unlink(tempPath.c_str());
        tempPath.clear();
        releaseTempGuard();
    }
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
        throw ToolError(name + ": write failed (" + sf_strerror(static_cast<SNDFILE*>(file)) + ")");
}

void WavWriter::commit() {
    auto* f = static_cast<SNDFILE*>(file);
    file = nullptr;
    if (sf_close(f) != 0) throw ToolError(name + ": cannot finish the file");
    if (tempPath.empty()) return;
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) throw ToolError(name + ": " + std::strerror(errno));
    tempPath.clear();
    releaseTempGuard();
}
