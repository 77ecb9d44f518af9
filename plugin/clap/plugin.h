// Talkforge as a CLAP plug-in instance: a thin adapter over the vocoder
// engine (parameters, MIDI, audio), the bypass, the saved state and the
// editor.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "plugin/clap/abi.h"
#include "plugin/clap/outgoing.h"
#include "vocoder/bypass.h"
#include "vocoder/engine.h"

namespace tfclap {

// The parameter ids: the engine's parameters keep their VST 2 index; the
// bypass lies apart from them, so that the engine's table can grow.
inline constexpr clap_id kBypassId = 1000;
inline constexpr std::uint32_t kNumClapParams = kNumParams + 1;

class ClapEditor;

class TalkforgePlugin final : private EngineListener {
public:
    explicit TalkforgePlugin(const clap_host* host);
    ~TalkforgePlugin();
    TalkforgePlugin(const TalkforgePlugin&) = delete;
    TalkforgePlugin& operator=(const TalkforgePlugin&) = delete;

    bool ready() const { return engine.ready(); }
    const clap_plugin* plugin() const { return &record; }
    static TalkforgePlugin* of(const clap_plugin* p) { return static_cast<TalkforgePlugin*>(p->plugin_data); }

    // ---- The plug-in's functions (threads as in clap_plugin) ----
    bool init();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process& p);
    const void* extension(const char* extensionId) const;

    // ---- Parameters ----
    bool paramInfo(std::uint32_t index, clap_param_info& info) const;  // main thread
    bool paramValue(clap_id id, double& value) const;                  // main thread
    bool valueText(clap_id id, double value, char* text, std::uint32_t capacity) const;  // main thread
    bool textValue(clap_id id, const char* text, double& value) const;                   // main thread
    void flush(const clap_input_events* in, const clap_output_events* out);  // never during process

    // ---- Latency and state (main thread) ----
    std::uint32_t latency() const { return reportedLatency; }
    bool save(const clap_ostream& stream) const;
    bool load(const clap_istream& stream);

    // ---- Changes made on the main thread (the editor) ----
    // Sets engine parameter `index` and queues the change for the host:
    // recorded as automation or not. Gestures bracket a drag.
    void editParameter(std::int32_t index, float value, bool automated);
    void editGesture(std::int32_t index, bool begin);

    VocoderEngine& vocoder() { return engine; }
    const clap_host* host() const { return hostRecord; }
    // The host's run loop, as far as it offers one (null: not offered).
    const clap_host_timer_support* timerSupport() const { return hostTimers; }
    const clap_host_posix_fd_support* fileDescriptorSupport() const { return hostFds; }
    // The editor, made at the host's first request and kept until the end.
    ClapEditor* editor() const { return gui.load(std::memory_order_acquire); }
    ClapEditor* makeEditor();  // main thread; null when it cannot be made

private:
    // One event of the host's input list, at `frame` of the stretch being run.
    void handleEvent(const clap_event_header& event, std::int32_t frame);
    void setFromHost(clap_id id, double value);
    // Runs the engine and the bypass over frames [start, start + frames).
    void run(const clap_process& p, std::uint32_t start, std::uint32_t frames);
    void engineChangedParameter(std::int32_t index, float value) override;  // audio thread
    void tellEditor(std::int32_t index) const;

    clap_plugin record;
    const clap_host* hostRecord;
    const clap_host_params* hostParams = nullptr;
    const clap_host_latency* hostLatency = nullptr;
    const clap_host_state* hostState = nullptr;
    const clap_host_timer_support* hostTimers = nullptr;
    const clap_host_posix_fd_support* hostFds = nullptr;

    VocoderEngine engine;
    Bypass bypass;
    std::atomic<bool> bypassOn{false};  // as the host last set it, for get_value and state
    OutgoingChanges outgoing;

    float hostRate = 44100.0f;
    std::uint32_t reportedLatency = static_cast<std::uint32_t>(latencyFrames(44100.0));
    bool active = false;
    // Buffers for missing ports, made in activate: silence in, discarded out.
    std::uint32_t blockLimit = 0;  // the longest stretch the engine is given
    std::vector<float> silence;
    std::vector<float> discard;

    // While process or flush runs: where the engine's own changes go, and when.
    const clap_output_events* currentOut = nullptr;
    std::uint32_t currentTime = 0;

    std::atomic<ClapEditor*> gui{nullptr};
};

// A new instance for `host` (kept, not called), or null when it cannot be
// made. Any thread.
const clap_plugin* newPlugin(const clap_host* host);

}  // namespace tfclap
