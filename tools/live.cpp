// talkforge live: the plug-in as a JACK client, its editor in a window of its
// own, the settings kept from one run to the next. The server's thread runs
// the plug-in; this thread idles the editor as a host does and waits for the
// window to close, a signal, or the server to go away.
#include <jack/jack.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <memory>

#include "gui/platform/x11/hostwindow.h"
#include "tools/commands.h"
#include "tools/error.h"
#include "tools/live_client.h"
#include "tools/live_state.h"
#include "tools/plugin_host.h"
#include "vocoder/talkforge.h"

namespace {

// The editor is idled about 60 times a second: its meters move smoothly and
// it answers the mouse at once.
constexpr auto kIdleInterval = std::chrono::milliseconds(16);
constexpr const char* kWindowTitle = "Talkforge";

// SIGINT, SIGTERM and SIGHUP, blocked in every thread (the server's threads
// start after this and inherit it) and read from a descriptor by the main
// loop. Once released, a second signal ends the program at once, as users
// expect of a program that is already stopping.
class Signals {
public:
    Signals() {
        sigemptyset(&set);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &previous);
        fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd < 0) throw ToolError("cannot watch for signals");
        // Output piped into a program that has ended must not end this one
        // before it has kept its settings.
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~Signals() { release(); }
    Signals(const Signals&) = delete;
    Signals& operator=(const Signals&) = delete;

    int descriptor() const { return fd; }
    // The signal that arrived, or 0.
    int take() {
        signalfd_siginfo info{};
        return read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
    }
    void release() {
        if (fd < 0) return;
        close(fd);
        fd = -1;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

private:
    sigset_t set{};
    sigset_t previous{};
    int fd = -1;
};

// The parameters the last run kept, unless --fresh; a damaged file is
// reported and left for the next save to replace. True when some were restored.
bool restoreSettings(PluginHost& plugin, const CommandLine& cl, const std::string& path) {
    if (cl.fresh || path.empty()) return false;
    std::string damage;
    const auto values = readLiveState(path, damage);
    if (!damage.empty())
        std::fprintf(stderr, "talkforge: warning: ignoring the damaged settings file '%s' (%s); starting from the defaults\n",
                     path.c_str(), damage.c_str());
    if (!values) return false;
    for (const auto& [index, value] : *values) plugin.setParameter(index, value);
    return true;
}

void saveSettings(PluginHost& plugin, const std::string& path) {
    SavedValues values;
    for (const ParameterInfo& p : kParameters) values.emplace_back(p.index, plugin.parameter(p.index));
    writeLiveState(path, values);
}

enum class Ending { signal, windowClosed, serverGone };

// The main loop: it waits for a signal, the client's news and the window's
// events, and idles the editor in between.
Ending playUntilTheEnd(Signals& signals, LiveClient& client, tf::x11host::HostWindow* window, PluginHost& plugin) {
    auto nextIdle = std::chrono::steady_clock::now();
    for (;;) {
        pollfd watched[] = {{signals.descriptor(), POLLIN, 0},
                            {client.wakeDescriptor(), POLLIN, 0},
                            {window ? window->eventDescriptor() : -1, POLLIN, 0}};
        int timeout = -1;
        if (window) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextIdle - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
        }
        poll(watched, std::size(watched), timeout);
        if (signals.take() != 0) return Ending::signal;
        if (!client.service()) return Ending::serverGone;
        if (!window) continue;
        if (!window->processEvents()) return Ending::windowClosed;
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextIdle) {
            plugin.idleEditor();
            nextIdle = std::max(nextIdle + kIdleInterval, now);
        }
    }
}

}  // namespace

int runLive(const CommandLine& cl) {
    const std::string name = cl.clientName.empty() ? kTalkforgeName : cl.clientName;
    const auto maxName = static_cast<std::size_t>(jack_client_name_size() - 1);
    if (name.size() > maxName)
        throw ToolError("--name '" + name + "' is longer than JACK's " + std::to_string(maxName) + " characters");
    Signals signals;

    PluginHost plugin(pluginPath(cl));
    const std::string statePath = liveStatePath(name);
    if (statePath.empty())
        std::fprintf(stderr, "talkforge: warning: neither XDG_CONFIG_HOME nor HOME is set, so the settings are not kept\n");
    const bool restored = restoreSettings(plugin, cl, statePath);
    // The options on top of the restored settings (the carrier switches as
    // they were: live has no input files to decide them); a first start plays
    // the default chord, as the renderer does, so that a voice is heard at once.
    applyPlan(plugin, planParameters(plugin, cl, std::nullopt, !restored));
    int width = 0, height = 0;
    if (!cl.noEditor && !plugin.editorSize(width, height)) throw ToolError("the plug-in has no editor to show");

    auto client = std::make_unique<LiveClient>(plugin, name);
    std::unique_ptr<tf::x11host::HostWindow> window;
    if (!cl.noEditor) {
        std::string why;
        window = tf::x11host::HostWindow::open(width, height, kWindowTitle, why);
        if (!window) throw ToolError(why + "; give --no-editor to play without the editor");
    }
    client->activate();
    if (client->lacksRealtimePriority())
        std::fprintf(stderr, "talkforge: warning: the audio thread did not get real-time priority, so the sound may drop "
                             "out; give your user the right to it (on Debian, the audio group)\n");
    if (window && !plugin.openEditor(window->handle())) throw ToolError("the plug-in's editor did not open");
    if (cl.connect)
        for (const std::string& problem : client->connectToSystemPorts())
            std::fprintf(stderr, "talkforge: warning: %s\n", problem.c_str());

    std::printf("talkforge: running as JACK client '%s' at %u Hz, %u frames a period, latency %d frames%s; "
                "Ctrl+C ends it\n",
                client->name().c_str(), client->sampleRate(), client->period(), latencyFrames(client->sampleRate()),
                restored ? ", settings restored" : "");
    std::fflush(stdout);

    const auto started = std::chrono::steady_clock::now();
    const Ending ending = playUntilTheEnd(signals, *client, window.get(), plugin);
    signals.release();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    plugin.closeEditor();
    window.reset();
    const std::uint64_t xruns = client->xruns();
    const std::uint64_t dropped = client->droppedMidiEvents();
    const std::string shutdownReason = client->shutdownReason();
    client.reset();

    // The settings first: nothing below may lose them.
    std::string notKept;
    try {
        if (!statePath.empty()) saveSettings(plugin, statePath);
    } catch (const ToolError& e) {
        notKept = e.what();
    }
    std::printf("talkforge: played %.1f s, %llu xruns\n", seconds, static_cast<unsigned long long>(xruns));
    std::fflush(stdout);
    int status = 0;
    if (ending == Ending::serverGone) {
        std::fprintf(stderr, "talkforge: the JACK server shut down%s%s\n", shutdownReason.empty() ? "" : ": ",
                     shutdownReason.c_str());
        status = 1;
    }
    if (dropped > 0)
        std::fprintf(stderr, "talkforge: warning: %llu MIDI events were dropped (more than %zu in a period)\n",
                     static_cast<unsigned long long>(dropped), PeriodProcessor::kMaxEvents);
    if (!notKept.empty()) {
        std::fprintf(stderr, "talkforge: %s\n", notKept.c_str());
        status = 1;
    }
    return status;
}
