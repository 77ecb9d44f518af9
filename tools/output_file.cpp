#include "tools/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/cli_args.h"
#include "tools/error.h"

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;

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

OutputFile::OutputFile(const std::string& path) {
    if (path == kStandardStream) {
        displayName = "standard output";
        standardOutput = true;
        if (isatty(STDOUT_FILENO))
            throw ToolError("standard output is a terminal: redirect it to a file or a pipe, or name an output file");
        fd = STDOUT_FILENO;
        return;
    }
    displayName = "output " + inQuotes(path);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw ToolError(displayName + " is a directory");
        if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) openStraight(path);
        else if (S_ISREG(st.st_mode)) openReplacement(std::filesystem::canonical(path).string(), &st);
        else throw ToolError(displayName + " is neither a file, a pipe nor a character device");
    } else if (errno == ENOENT) {
        openReplacement(followLinks(path), nullptr);
    } else {
        throw ToolError(displayName + ": " + std::strerror(errno));
    }
}

void OutputFile::openStraight(const std::string& path) {
    fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw ToolError(displayName + ": " + std::strerror(errno));
}

void OutputFile::openReplacement(const std::string& path, const struct stat* existing) {
    namespace fs = std::filesystem;
    if (existing) {
        // Renaming would replace a file that its permissions protect, even from root.
        if (!(existing->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) throw ToolError(displayName + " is read-only");
        if (access(path.c_str(), W_OK) != 0) throw ToolError(displayName + " is not writable: " + std::strerror(errno));
    }
    fs::path dir = fs::path(path).parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw ToolError(displayName + ": directory " + inQuotes(dir.string()) + " does not exist");

    std::string tempName = ".";
    tempName.append(fs::path(path).filename().string()).append(".tmp-XXXXXX");
    fd = createGuardedTemp((dir / tempName).string(), tempPath);
    if (fd < 0)
        throw ToolError(displayName + ": cannot create a file in " + inQuotes(dir.string()) + ": " + std::strerror(errno));
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
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (fd >= 0 && !standardOutput) close(fd);
    fd = -1;
    if (!tempPath.empty()) {
        unlink(tempPath.c_str());
        tempPath.clear();
        releaseTempGuard();
    }
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw ToolError(displayName + ": write failed (" + std::strerror(errno) + ")");
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
}

void OutputFile::commit() {
    const int file = fd;
    fd = -1;
    if (!standardOutput && close(file) != 0) throw ToolError(displayName + ": cannot finish the file");
    if (tempPath.empty()) return;
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) throw ToolError(displayName + ": " + std::strerror(errno));
    tempPath.clear();
    releaseTempGuard();
}
