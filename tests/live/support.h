// What the live tests share: a private JACK server on the dummy backend, a
// test client that plays signals and MIDI into ports and records ports, all
// placed by the server's frame clock, the programs they run, and the files
// they hand the renderer.
#pragma once

#include <jack/jack.h>
#include <semaphore.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/process.h"

namespace livetest {

namespace fs = std::filesystem;

// jackd -d dummy under a name of its own, so that nothing touches a user's
// server; it dies with the test process and is stopped by its process id.
class JackServer {
public:
    JackServer(int rate, int period, const fs::path& log);
    ~JackServer() { stop(); }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    const std::string& name() const { return serverName; }
    // Empty when the server runs and takes clients.
    const std::string& error() const { return problem; }
    // Ends it with SIGTERM and waits for it; clears what it leaves in /dev/shm.
    void stop();

private:
    std::string serverName;
    std::string problem;
    pid_t pid = -1;
};

// A MIDI message at a frame counted from the start of playback.
struct MidiAt {
    std::uint32_t frame;
    std::vector<std::uint8_t> bytes;
};

// A client that plays into and records from ports, every signal placed by the
// server's frame clock: frame 0 of each is the server frame given to start().
class TestClient {
public:
    TestClient(const std::string& clientName, const std::string& serverName);
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    // Ports, before activate(); `loop` repeats the signal.
    void play(const std::string& port, std::vector<float> signal, bool loop = false);
    void playMidi(const std::string& port, std::vector<MidiAt> events);
    void record(const std::string& port, std::size_t frames);
    void activate();

    const std::string& name() const { return ownName; }
    jack_client_t* handle() const { return client; }
    void connect(const std::string& from, const std::string& to);
    // A server frame safely ahead of the clock, for start().
    jack_nframes_t soon() const;
    void start(jack_nframes_t frame);
    // Waits until every recording is complete; false when time runs out.
    bool waitRecorded(std::chrono::seconds timeout);
    const std::vector<float>& recording(std::size_t index) const { return recorders[index].samples; }

private:
    struct Player {
        jack_port_t* port;
        std::vector<float> signal;
        bool loop;
    };
    struct MidiPlayer {
        jack_port_t* port;
        std::vector<MidiAt> events;
        std::size_t next = 0;
    };
    struct Recorder {
        jack_port_t* port;
        std::vector<float> samples;
    };
    static int onProcess(jack_nframes_t frames, void* self);
    void process(jack_nframes_t frames);
    jack_port_t* port(const std::string& name, const char* type, unsigned long flags);

    jack_client_t* client = nullptr;
    std::string ownName;
    std::vector<Player> players;
    std::vector<MidiPlayer> midiPlayers;
    std::vector<Recorder> recorders;
    std::atomic<bool> started{false};
    std::atomic<jack_nframes_t> startFrame{0};
    bool recorded = false;
    sem_t done;
};

// A program's exit and what it wrote.
struct Outcome {
    int status = -1;  // exit status, 128 + signal, or -1 when it did not end in time
    std::string out, err;
    double cpuSeconds = 0.0;  // user and system time
};

// A program running in the background, its standard output on a pipe and its
// standard error in a file; killed if the test leaves it running.
class Program {
public:
    Program(const std::vector<std::string>& args, const std::vector<std::string>& environment, const fs::path& errLog);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Reads standard output until a line holds `text`; that line, or empty
    // when the program ended or time ran out first.
    std::string waitForLine(const std::string& text, std::chrono::milliseconds timeout);
    void signal(int number) const;
    // Waits for the end, at most `timeout`.
    Outcome wait(std::chrono::milliseconds timeout);

private:
    pid_t pid = -1;
    int out = -1;
    std::string buffered;
    fs::path errPath;
};

// Runs a program to its end (at most a minute).
Outcome run(const std::vector<std::string>& args, const std::vector<std::string>& environment, const fs::path& errLog);

// A type 0 Standard MIDI File whose ticks are frames at `rate`.
void writeMidiFile(const fs::path& path, int rate, const std::vector<MidiAt>& events);

using testprocess::slurp;
// A new, empty folder below the system's temporary folder.
fs::path scratchFolder();

}  // namespace livetest
