// A file the tool writes, so that a failed or interrupted command never leaves
// a partial file or replaces an existing one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct stat;

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);

// What happens depends on what the target is:
// - a regular file (or a symbolic link to one) or a new name: the file is
//   written beside the target under a temporary name and renamed onto it by
//   commit(), keeping an existing file's permissions; without commit() (an
//   error, an interrupt) the temporary file is removed and an existing target
//   is left as it was. A file the user may not write is refused.
// - "-" (standard output), a pipe or a character device such as /dev/null:
//   written straight through.
class OutputFile {
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int descriptor() const { return fd; }
    bool toStandardOutput() const { return standardOutput; }
    // "output 'x.wav'" or "standard output", for messages.
    const std::string& name() const { return displayName; }

    void write(std::span<const std::uint8_t> bytes);
    // Closes the file and puts it in place of the target.
    void commit();

private:
    void openStraight(const std::string& path);
    void openReplacement(const std::string& path, const struct stat* existing);
    void discard();

    std::string displayName;
    std::string target;    // the file a regular output is renamed onto
    std::string tempPath;  // empty when written straight through
    int fd = -1;
    bool standardOutput = false;
};
