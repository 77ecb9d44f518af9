#include "tests/live/support.h"

#include <fcntl.h>
#include <jack/midiport.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace livetest {
namespace {

constexpr auto kServerStartTimeout = std::chrono::seconds(10);
constexpr auto kServerPoll = std::chrono::milliseconds(20);
constexpr auto kProgramTimeout = std::chrono::minutes(1);
constexpr double kSoonSeconds = 0.2;

void quiet(const char*) {}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// This process's environment with `extra` ("NAME=value") added or replaced.
std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> env = extra;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extra.begin(), extra.end(), [&](const std::string& v) { return v.rfind(key, 0) == 0; }))
            env.push_back(entry);
    }
    return env;
}

}  // namespace

// ---- The server ----------------------------------------------------------

JackServer::JackServer(int rate, int period, const fs::path& log) {
    // The same few names in every run: jackd keeps a machine-wide table of
    // at most eight servers and frees the entry of a dead one only when a
    // server of the same name starts (a test that kills its server leaves
    // one). The tests take turns with their servers (the lock "jackd"), so
    // the names of one process are not in use by another.
    static std::atomic<int> count{0};
    serverName = "tf-live-test-" + std::to_string(count++);
    std::vector<std::string> args = {"jackd", "-n", serverName, "-d", "dummy", "-r", std::to_string(rate),
                                     "-p", std::to_string(period)};
    std::vector<char*> argv = pointers(args);
    const std::string logPath = log.string();
    pid = fork();
    if (pid == 0) {
        // Whatever happens to the test, the server goes with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) {
        problem = "cannot start jackd";
        return;
    }
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    const auto deadline = std::chrono::steady_clock::now() + kServerStartTimeout;
    for (;;) {
        jack_status_t status{};
        if (jack_client_t* probe = jack_client_open("probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                                    &status, serverName.c_str())) {
            jack_client_close(probe);
            return;
        }
        int exit = 0;
        if (waitpid(pid, &exit, WNOHANG) == pid) {
            pid = -1;
            problem = "jackd ended at once:\n" + slurp(log);
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            problem = "jackd took no client within 10 s:\n" + slurp(log);
            return;
        }
        std::this_thread::sleep_for(kServerPoll);
    }
}

void JackServer::stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
    // Semaphores and sockets of clients that did not close themselves.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/dev/shm", ec))
        if (entry.path().filename().string().find(serverName) != std::string::npos) fs::remove(entry.path(), ec);
}

// ---- The test client -----------------------------------------------------

TestClient::TestClient(const std::string& clientName, const std::string& serverName) {
    jack_status_t status{};
    client = jack_client_open(clientName.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                              &status, serverName.c_str());
    if (!client) throw std::runtime_error("cannot open the test client on " + serverName);
    ownName = jack_get_client_name(client);
    sem_init(&done, 0, 0);
    jack_set_process_callback(client, onProcess, this);
}

TestClient::~TestClient() {
    jack_client_close(client);
    sem_destroy(&done);
}

jack_port_t* TestClient::port(const std::string& portName, const char* type, unsigned long flags) {
    jack_port_t* p = jack_port_register(client, portName.c_str(), type, flags, 0);
    if (!p) throw std::runtime_error("cannot register " + portName);
    return p;
}

void TestClient::play(const std::string& portName, std::vector<float> signal, bool loop) {
    players.push_back({port(portName, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput), std::move(signal), loop});
}

void TestClient::playMidi(const std::string& portName, std::vector<MidiAt> events) {
    midiPlayers.push_back({port(portName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput), std::move(events)});
}

void TestClient::record(const std::string& portName, std::size_t frames) {
    recorders.push_back({port(portName, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput), std::vector<float>(frames)});
}

void TestClient::activate() {
    if (jack_activate(client) != 0) throw std::runtime_error("cannot activate the test client");
}

void TestClient::connect(const std::string& from, const std::string& to) {
    if (jack_connect(client, from.c_str(), to.c_str()) != 0)
        throw std::runtime_error("cannot connect " + from + " to " + to);
}

jack_nframes_t TestClient::soon() const {
    return jack_frame_time(client) + static_cast<jack_nframes_t>(kSoonSeconds * jack_get_sample_rate(client));
}

void TestClient::start(jack_nframes_t frame) {
    startFrame = frame;
    started = true;
}

bool TestClient::waitRecorded(std::chrono::seconds timeout) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeout.count();
    while (sem_timedwait(&done, &deadline) != 0)
        if (errno != EINTR) return false;
    return true;
}

int TestClient::onProcess(jack_nframes_t frames, void* self) {
    static_cast<TestClient*>(self)->process(frames);
    return 0;
}

void TestClient::process(jack_nframes_t frames) {
    // Position 0 of every signal is startFrame; before start() nothing plays.
    const bool on = started.load();
    const auto at = static_cast<std::int64_t>(static_cast<std::int32_t>(jack_last_frame_time(client) - startFrame.load()));
    for (Player& p : players) {
        auto* out = static_cast<float*>(jack_port_get_buffer(p.port, frames));
        const auto size = static_cast<std::int64_t>(p.signal.size());
        for (jack_nframes_t i = 0; i < frames; ++i) {
            std::int64_t pos = at + i;
            if (p.loop && pos >= 0) pos %= size;
            out[i] = on && pos >= 0 && pos < size ? p.signal[static_cast<std::size_t>(pos)] : 0.0f;
        }
    }
    for (MidiPlayer& m : midiPlayers) {
        void* buffer = jack_port_get_buffer(m.port, frames);
        jack_midi_clear_buffer(buffer);
        for (; on && m.next < m.events.size() && m.events[m.next].frame < at + frames; ++m.next) {
            const MidiAt& e = m.events[m.next];
            if (e.frame >= at)
                jack_midi_event_write(buffer, static_cast<jack_nframes_t>(e.frame - at), e.bytes.data(), e.bytes.size());
        }
    }
    bool full = on && !recorders.empty();
    for (Recorder& r : recorders) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(r.port, frames));
        const auto size = static_cast<std::int64_t>(r.samples.size());
        for (jack_nframes_t i = 0; on && i < frames; ++i)
            if (const std::int64_t pos = at + i; pos >= 0 && pos < size) r.samples[static_cast<std::size_t>(pos)] = in[i];
        full = full && at + frames >= size;
    }
    if (full && !recorded) {
        recorded = true;
        sem_post(&done);
    }
}

// ---- Programs -------------------------------------------------------------

Program::Program(const std::vector<std::string>& args, const std::vector<std::string>& environment,
                 const fs::path& errLog)
    : errPath(errLog) {
    std::vector<std::string> argStrings = args;
    std::vector<std::string> envStrings = environmentWith(environment);
    std::vector<char*> argv = pointers(argStrings);
    std::vector<char*> envp = pointers(envStrings);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    out = pipeFds[0];
    if (rc != 0) {
        pid = -1;
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(rc));
    }
}

Program::~Program() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (out >= 0) close(out);
}

std::string Program::waitForLine(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (std::size_t end; (end = buffered.find('\n')) != std::string::npos;) {
            std::string line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            if (line.find(text) != std::string::npos) return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        pollfd p{out, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
        char chunk[4096];
        const ssize_t n = read(out, chunk, sizeof chunk);
        if (n <= 0) return {};
        buffered.append(chunk, static_cast<std::size_t>(n));
    }
}

void Program::signal(int number) const { kill(pid, number); }

Outcome Program::wait(std::chrono::milliseconds timeout) {
    Outcome o;
    // The program's end as an event: a pidfd becomes readable when it exits.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
        if (pidfd >= 0) close(pidfd);
        o.err = slurp(errPath);
        return o;
    }
    close(pidfd);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    pid = -1;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    char chunk[4096];
    for (ssize_t n; (n = read(out, chunk, sizeof chunk)) > 0;) buffered.append(chunk, static_cast<std::size_t>(n));
    o.out = buffered;
    o.err = slurp(errPath);
    return o;
}

Outcome run(const std::vector<std::string>& args, const std::vector<std::string>& environment, const fs::path& errLog) {
    Program p(args, environment, errLog);
    return p.wait(kProgramTimeout);
}

// ---- Files ----------------------------------------------------------------

void writeMidiFile(const fs::path& path, int rate, const std::vector<MidiAt>& events) {
    // Half a second a quarter note and rate / 2 ticks to it: one tick a frame.
    constexpr std::uint32_t kMicrosPerQuarter = 500000;
    auto big = [](std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto vlq = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
        std::uint8_t groups[5];
        int n = 0;
        do groups[n++] = v & 0x7F, v >>= 7;
        while (v);
        while (n--) out.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
    };
    std::vector<std::uint8_t> track = {0x00, 0xFF, 0x51, 0x03};
    big(track, kMicrosPerQuarter, 3);
    std::uint32_t last = 0;
    for (const MidiAt& e : events) {
        vlq(track, e.frame - last);
        last = e.frame;
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd'};
    big(file, 6, 4);
    big(file, 0, 2);
    big(file, 1, 2);
    big(file, static_cast<std::uint32_t>(rate / 2), 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    big(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
}

fs::path scratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "talkforge-live-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder in " + fs::temp_directory_path().string());
    return pattern;
}


}  // namespace livetest
