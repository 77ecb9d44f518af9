// What the end-to-end tests of the talkforge renderer share: running the
// built binary in a scratch folder, reading and writing audio and MIDI files.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/platform/raster/png.h"

extern char** environ;

namespace fs = std::filesystem;

inline constexpr int kRate = 48000;
inline constexpr int kLatency = 508;  // the vocoder's lookahead at rates other than 96 kHz

struct Outcome {
    int status = -1;
    std::string out, err;
    long maxResidentKb = 0;
};

struct Audio {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> data;  // interleaved
    std::size_t frames() const { return channels ? data.size() / static_cast<std::size_t>(channels) : 0; }
    float at(std::size_t frame, int channel = 0) const {
        return data[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    }
};

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeAudio(const fs::path& path, int rate, int channels, const std::vector<float>& interleaved,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
    sf_close(f);
}

inline Audio readAudio(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    Audio a;
    if (!f) return a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.format = info.format;
    a.data.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, a.data.data(), info.frames);
    sf_close(f);
    return a;
}

// Deterministic white noise in -1..1.
inline std::vector<float> noise(std::size_t n, std::uint32_t seed = 12345) {
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }
    return v;
}

// A stand-in voice: noise shaped into four syllables a second.
inline std::vector<float> voiceSignal(std::size_t n, int rate) {
    std::vector<float> v = noise(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        v[i] *= static_cast<float>(0.3 * (0.6 + 0.4 * std::sin(2.0 * std::numbers::pi * 4.0 * t)));
    }
    return v;
}

inline std::vector<float> sawtooth(std::size_t n, int rate, double hz, float amplitude) {
    std::vector<float> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = std::fmod(static_cast<double>(i) * hz / rate, 1.0);
        v[i] = amplitude * static_cast<float>(2.0 * phase - 1.0);
    }
    return v;
}

inline double peakOf(const Audio& a, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    double peak = 0.0;
    for (std::size_t f = from; f < std::min(to, a.frames()); ++f)
        peak = std::max(peak, static_cast<double>(std::fabs(a.at(f))));
    return peak;
}

inline double rmsOf(const Audio& a, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    double sum = 0.0;
    const std::size_t end = std::min(to, a.frames());
    for (std::size_t f = from; f < end; ++f) sum += static_cast<double>(a.at(f)) * a.at(f);
    return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0.0;
}

inline bool channelsEqual(const Audio& a) {
    for (std::size_t f = 0; f < a.frames(); ++f)
        if (a.at(f, 0) != a.at(f, 1)) return false;
    return true;
}

// Index of the first frame whose magnitude exceeds the threshold, or -1.
inline long firstAbove(const Audio& a, float threshold) {
    for (std::size_t f = 0; f < a.frames(); ++f)
        if (std::fabs(a.at(f)) > threshold) return static_cast<long>(f);
    return -1;
}

// --- Standard MIDI File bytes --------------------------------------------------------

inline void putBig(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void putVlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t groups[4];
    int n = 0;
    do groups[n++] = v & 0x7F, v >>= 7;
    while (v);
    while (n--) out.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
}

struct TrackEvent {
    std::uint32_t delta;
    std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> smf(int format, int division, const std::vector<std::vector<TrackEvent>>& tracks) {
    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    putBig(out, 6, 4);
    putBig(out, static_cast<std::uint32_t>(format), 2);
    putBig(out, static_cast<std::uint32_t>(tracks.size()), 2);
    putBig(out, static_cast<std::uint32_t>(division), 2);
    for (const auto& track : tracks) {
        std::vector<std::uint8_t> body;
        for (const TrackEvent& e : track) {
            putVlq(body, e.delta);
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});  // end of track
        for (char c : std::string("MTrk")) out.push_back(static_cast<std::uint8_t>(c));
        putBig(out, static_cast<std::uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

inline TrackEvent tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
    return {delta, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                    static_cast<std::uint8_t>(microsPerQuarter >> 8), static_cast<std::uint8_t>(microsPerQuarter)}};
}

inline void writeBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A command that must fail with a message.
struct BadCase {
    const char* what;
    std::vector<std::string> args;  // "$V" the voice, "$D" the directory
    const char* message;
};

// --- The fixture --------------------------------------------------------------------

class Talkforge : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "talkforge-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path file(const std::string& name) const { return dir / name; }

    // Starts the tool (or a copy of it at `program`) with standard input from
    // `input` (inherited when empty) and standard output into `output` (by
    // default a file that finish() reads).
    pid_t spawn(const std::vector<std::string>& args, const std::string& input = {}, const std::string& output = {},
                const std::string& program = TALKFORGE_TOOL) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> ptrs;
        for (auto& a : argv) ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!input.empty()) posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
        const std::string out = output.empty() ? file("stdout.txt").string() : output;
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, file("stderr.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, ptrs.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << "cannot start " << argv[0];
        return pid;
    }

    Outcome finish(pid_t pid) {
        Outcome r;
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.maxResidentKb = usage.ru_maxrss;
        r.out = slurp(file("stdout.txt"));
        r.err = slurp(file("stderr.txt"));
        fs::remove(file("stdout.txt"));
        fs::remove(file("stderr.txt"));
        return r;
    }

    Outcome run(const std::vector<std::string>& args) { return finish(spawn(args)); }

    // Everything in the directory, so that leftovers of a failed run show.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string voice(double seconds = 2.0, int rate = kRate) {
        const auto path = file("voice.wav").string();
        writeAudio(path, rate, 1, voiceSignal(static_cast<std::size_t>(seconds * rate), rate));
        return path;
    }

    std::string silence(double seconds, int rate = kRate) {
        const auto path = file("silence.wav").string();
        writeAudio(path, rate, 1, std::vector<float>(static_cast<std::size_t>(seconds * rate), 0.0f));
        return path;
    }

    fs::path dir;
};
