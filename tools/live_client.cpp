#include "tools/live_client.h"

#include <fcntl.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>
#include <thread>

#include "tools/error.h"
#include "tools/plugin_host.h"
#include "vocoder/talkforge.h"

namespace {

constexpr auto kRestartPoll = std::chrono::microseconds(100);

// libjack reports what goes wrong in words meant for its developers, some
// of it from the audio thread; the program says what matters in its own.
void quiet(const char*) {}

constexpr const char* kNoServer =
    "cannot connect to a JACK server: none is running. Start JACK (for example with QjackCtl), or on a "
    "PipeWire desktop run the program through PipeWire's JACK library: pw-jack talkforge live";

jack_nframes_t blockFrames(jack_nframes_t period) {
    return std::min<jack_nframes_t>(period, static_cast<jack_nframes_t>(kMaxBlockFrames));
}

}  // namespace

void LiveClient::ClientCloser::operator()(jack_client_t* c) const { jack_client_close(c); }

LiveClient::Pipe::~Pipe() {
    for (int fd : fds)
        if (fd >= 0) close(fd);
}

LiveClient::LiveClient(PluginHost& host, const std::string& name) : plugin(host), processor(host) {
    if (pipe2(wakePipe.fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw ToolError(std::string("cannot make a pipe: ") + std::strerror(errno));
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    client.reset(jack_client_open(name.c_str(), JackNoStartServer, &status));
    if (!client) {
        if (status & JackServerFailed) throw ToolError(kNoServer);
        char code[16];
        std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(status));
        throw ToolError("the JACK server refused a client named '" + name + "' (status " + code + ")");
    }
    clientName = jack_get_client_name(client.get());

    auto port = [this](const char* portName, const char* type, unsigned long flags) {
        jack_port_t* p = jack_port_register(client.get(), portName, type, flags, 0);
        if (!p) throw ToolError(std::string("cannot register the JACK port '") + portName + "'");
        return p;
    };
    voicePort = port("voice", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
    carrierPort = port("carrier", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
    leftPort = port("out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    rightPort = port("out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    midiPort = port("midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);

    jack_client_t* c = client.get();
    if (jack_set_process_callback(c, onProcess, this) || jack_set_xrun_callback(c, onXrun, this) ||
        jack_set_buffer_size_callback(c, onBufferSize, this) || jack_set_sample_rate_callback(c, onSampleRate, this) ||
        jack_set_latency_callback(c, onLatency, this))
        throw ToolError("the JACK server refused the client's callbacks");
    jack_on_info_shutdown(c, onShutdown, this);
}

LiveClient::~LiveClient() {
    // Closed here, while everything its threads may still touch is alive.
    if (active && !serverGone.load()) jack_deactivate(client.get());
    client.reset();
}

void LiveClient::activate() {
    wantedRate = jack_get_sample_rate(client.get());
    wantedPeriod = jack_get_buffer_size(client.get());
    restartPlugin();
    if (jack_activate(client.get()) != 0) throw ToolError("the JACK server did not let the client start");
    active = true;
}

bool LiveClient::lacksRealtimePriority() const {
    int policy = SCHED_OTHER;
    sched_param priority{};
    pthread_getschedparam(processThread(), &policy, &priority);
    return jack_is_realtime(client.get()) && policy != SCHED_FIFO && policy != SCHED_RR;
}

std::vector<std::string> LiveClient::connectToSystemPorts() {
    auto physical = [this](unsigned long direction) {
        std::vector<std::string> names;
        if (const char** list = jack_get_ports(client.get(), nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | direction)) {
            for (const char** p = list; *p; ++p) names.emplace_back(*p);
            jack_free(list);
        }
        return names;
    };
    std::vector<std::string> problems;
    auto connect = [&](const std::string& from, const std::string& to) {
        const int result = jack_connect(client.get(), from.c_str(), to.c_str());
        if (result != 0 && result != EEXIST) problems.push_back("cannot connect " + from + " to " + to);
    };
    const std::string own = clientName + ":";
    const auto capture = physical(JackPortIsOutput);
    const auto playback = physical(JackPortIsInput);
    if (capture.empty()) problems.push_back("no capture port to connect " + own + "voice to");
    else connect(capture[0], own + "voice");
    if (playback.empty()) problems.push_back("no playback port to connect the outputs to");
    if (playback.size() >= 1) connect(own + "out_left", playback[0]);
    if (playback.size() >= 2) connect(own + "out_right", playback[1]);
    return problems;
}

bool LiveClient::service() {
    char drained[64];
    while (read(wakePipe.fds[0], drained, sizeof drained) > 0) {
    }
    if (serverGone.load(std::memory_order_acquire)) {
        shutdownText = shutdownReasonBuffer;
        return false;
    }
    if (generation.load() != startedGeneration.load()) {
        restartPlugin();
        jack_recompute_total_latencies(client.get());
    }
    return true;
}

std::optional<jack_nframes_t> LiveClient::firstFrame() const {
    if (!processedOnce.load(std::memory_order_acquire)) return std::nullopt;
    return firstProcessedFrame.load(std::memory_order_relaxed);
}

void LiveClient::restartPlugin() {
    const std::uint32_t g = generation.load();
    // From here the audio thread leaves the plug-in alone (its generation is
    // stale); a period that had already gone in is waited for.
    while (inPlugin.load()) std::this_thread::sleep_for(kRestartPoll);
    rate = wantedRate.load();
    periodFrames = wantedPeriod.load();
    plugin.start(rate, static_cast<int>(blockFrames(periodFrames)));
    latencyRate.store(rate);
    startedGeneration.store(g);
}

void LiveClient::process(jack_nframes_t frames) {
    inPlugin.store(true);  // before the generation is read
    auto* left = static_cast<float*>(jack_port_get_buffer(leftPort, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(rightPort, frames));
    if (generation.load() == startedGeneration.load()) {
        void* midi = jack_port_get_buffer(midiPort, frames);
        const jack_nframes_t events = jack_midi_get_event_count(midi);
        for (jack_nframes_t i = 0; i < events; ++i) {
            jack_midi_event_t e;
            if (jack_midi_event_get(&e, midi, i) == 0) processor.addMidi(e.time, e.buffer, e.size);
        }
        processor.run(static_cast<const float*>(jack_port_get_buffer(voicePort, frames)),
                      static_cast<const float*>(jack_port_get_buffer(carrierPort, frames)), left, right, frames);
        if (!processedOnce.load(std::memory_order_relaxed)) {
            firstProcessedFrame.store(jack_last_frame_time(client.get()), std::memory_order_relaxed);
            processedOnce.store(true, std::memory_order_release);
        }
    } else {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
    }
    inPlugin.store(false);
}

void LiveClient::changeWanted(std::atomic<jack_nframes_t>& wanted, jack_nframes_t value) {
    if (wanted.exchange(value) == value) return;
    generation.fetch_add(1);
    wake();
}

void LiveClient::wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = write(wakePipe.fds[1], &byte, 1);
}

int LiveClient::onProcess(jack_nframes_t frames, void* self) {
    static_cast<LiveClient*>(self)->process(frames);
    return 0;
}

int LiveClient::onXrun(void* self) {
    static_cast<LiveClient*>(self)->xrunCount.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

int LiveClient::onBufferSize(jack_nframes_t frames, void* self) {
    auto* c = static_cast<LiveClient*>(self);
    c->changeWanted(c->wantedPeriod, frames);
    return 0;
}

int LiveClient::onSampleRate(jack_nframes_t frames, void* self) {
    auto* c = static_cast<LiveClient*>(self);
    c->changeWanted(c->wantedRate, frames);
    return 0;
}

// The vocoded signal trails every input by the plug-in's latency: what the
// inputs report plus that delay is what the outputs report, and the other
// way round for the playback direction.
void LiveClient::onLatency(jack_latency_callback_mode_t mode, void* self) {
    auto* c = static_cast<LiveClient*>(self);
    const auto delay = static_cast<jack_nframes_t>(latencyFrames(c->latencyRate.load()));
    jack_port_t* inputs[] = {c->voicePort, c->carrierPort, c->midiPort};
    jack_port_t* outputs[] = {c->leftPort, c->rightPort};
    const bool capture = mode == JackCaptureLatency;
    jack_latency_range_t range{std::numeric_limits<jack_nframes_t>::max(), 0};
    for (jack_port_t* p : capture ? std::span<jack_port_t*>(inputs) : std::span<jack_port_t*>(outputs)) {
        jack_latency_range_t r;
        jack_port_get_latency_range(p, mode, &r);
        range.min = std::min(range.min, r.min);
        range.max = std::max(range.max, r.max);
    }
    range.min += delay;
    range.max += delay;
    for (jack_port_t* p : capture ? std::span<jack_port_t*>(outputs) : std::span<jack_port_t*>(inputs))
        jack_port_set_latency_range(p, mode, &range);
}

// Called as a signal handler would be: it copies the reason and wakes the main thread.
void LiveClient::onShutdown(jack_status_t, const char* reason, void* self) {
    auto* c = static_cast<LiveClient*>(self);
    std::size_t i = 0;
    for (; reason && reason[i] && i + 1 < kReasonSize; ++i) c->shutdownReasonBuffer[i] = reason[i];
    c->shutdownReasonBuffer[i] = '\0';
    c->serverGone.store(true, std::memory_order_release);
    c->wake();
}
