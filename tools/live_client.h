// The plug-in as a JACK client: audio inputs "voice" and "carrier", outputs
// "out_left" and "out_right", a MIDI input "midi_in". The server's thread runs
// the plug-in; the program's main thread starts it, follows the server's
// rate and period, and learns here when the server goes away.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/live_period.h"

class PluginHost;

class LiveClient {
public:
    // Opens a client named `name` (the server adds a suffix when the name is
    // taken) and registers its ports. Throws ToolError when no server runs.
    LiveClient(PluginHost& plugin, const std::string& name);
    ~LiveClient();
    LiveClient(const LiveClient&) = delete;
    LiveClient& operator=(const LiveClient&) = delete;

    // The name the server gave the client.
    const std::string& name() const { return clientName; }
    // The rate and period the plug-in runs at (main thread).
    jack_nframes_t sampleRate() const { return rate; }
    jack_nframes_t period() const { return periodFrames; }

    // Starts the plug-in at the server's rate and period and joins the graph.
    void activate();
    // True when the server runs in real time but the client's audio thread
    // did not get real-time priority (the user may not have the right to it).
    bool lacksRealtimePriority() const;
    // Connects "voice" to the first capture port and the outputs to the first
    // two playback ports; returns a message for each that could not be made.
    std::vector<std::string> connectToSystemPorts();

    // Readable when service() has work: a new rate or period, or the server gone.
    int wakeDescriptor() const { return wakePipe.fds[0]; }
    // Main thread: restarts the plug-in at a changed rate or period, outside
    // the server's thread. False once the server has shut the client down.
    bool service();
    // Why the server shut the client down, once service() said so.
    const std::string& shutdownReason() const { return shutdownText; }

    std::uint64_t xruns() const { return xrunCount.load(std::memory_order_relaxed); }
    std::uint64_t droppedMidiEvents() const { return processor.droppedEvents(); }
    // The server's frame time at the start of the first period the plug-in
    // processed, once it has: the plug-in's frame n is the server's frame
    // firstFrame() + n while no period is missed.
    std::optional<jack_nframes_t> firstFrame() const;
    // The thread that runs the process callback.
    jack_native_thread_t processThread() const { return jack_client_thread_id(client.get()); }

private:
    static int onProcess(jack_nframes_t frames, void* self);
    static int onXrun(void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static int onSampleRate(jack_nframes_t frames, void* self);
    static void onLatency(jack_latency_callback_mode_t mode, void* self);
    static void onShutdown(jack_status_t code, const char* reason, void* self);

    void process(jack_nframes_t frames);
    void changeWanted(std::atomic<jack_nframes_t>& wanted, jack_nframes_t value);
    void restartPlugin();
    void wake();

    struct ClientCloser {
        void operator()(jack_client_t* c) const;
    };
    struct Pipe {
        ~Pipe();
        int fds[2] = {-1, -1};
    };

    PluginHost& plugin;
    PeriodProcessor processor;
    Pipe wakePipe;
    std::unique_ptr<jack_client_t, ClientCloser> client;
    std::string clientName;
    jack_port_t* voicePort = nullptr;
    jack_port_t* carrierPort = nullptr;
    jack_port_t* leftPort = nullptr;
    jack_port_t* rightPort = nullptr;
    jack_port_t* midiPort = nullptr;
    bool active = false;

    // Main thread: what the plug-in was started with.
    jack_nframes_t rate = 0;
    jack_nframes_t periodFrames = 0;
    std::atomic<jack_nframes_t> latencyRate{0};  // read by the latency callback

    // The server's notifications ask for a rate and period; each change counts
    // a generation. The audio thread runs the plug-in only while the main
    // thread has started it for the current generation, and says when it is
    // inside, so that the main thread restarts it only while it is not.
    std::atomic<jack_nframes_t> wantedRate{0};
    std::atomic<jack_nframes_t> wantedPeriod{0};
    std::atomic<std::uint32_t> generation{0};
    std::atomic<std::uint32_t> startedGeneration{0};
    std::atomic<bool> inPlugin{false};

    std::atomic<bool> processedOnce{false};
    std::atomic<jack_nframes_t> firstProcessedFrame{0};
    std::atomic<std::uint64_t> xrunCount{0};

    std::atomic<bool> serverGone{false};
    static constexpr std::size_t kReasonSize = 256;
    char shutdownReasonBuffer[kReasonSize] = {};
    std::string shutdownText;
};
