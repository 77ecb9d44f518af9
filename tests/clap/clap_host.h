// A CLAP host for tests, written from the published interface: loads the module
// as hosts do (its clap_entry, the version check, init with the file's path,
// the factory), creates instances with a host object that offers the
// extensions a full host offers (log, thread check, parameters, latency,
// state, audio and note ports, editor, timers and, on POSIX systems, file
// descriptors) or none at all, runs the main thread's loop of timers and
// file descriptors, and records everything the plug-in asks of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "plugin/clap/abi.h"

namespace claphost {

using namespace tfclap;

// The module under test (TALKFORGE_CLAP_PATH), loaded once per process.
class ClapModule {
public:
    static ClapModule& get();

    bool ok() const { return factory != nullptr; }
    std::string error;  // why it is not ok
    std::string path;
    void* library = nullptr;
    const clap_plugin_entry* entry = nullptr;
    const clap_plugin_factory* factory = nullptr;

private:
    explicit ClapModule(const char* file);
};

// An event list, as the host's input (the events a test adds) or as an
// output list (what the plug-in pushes). Events are copied whole.
class EventList {
public:
    EventList();
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    template <class Event>
    void add(const Event& event) {
        addHeader(&event.header);
    }
    void addHeader(const clap_event_header* header);
    std::size_t size() const { return events.size(); }
    const clap_event_header* at(std::size_t index) const;
    // The event at `index` as `Event` if it is a core event of `type`, else null.
    template <class Event>
    const Event* as(std::size_t index, std::uint16_t type) const {
        const clap_event_header* h = at(index);
        return h && h->space_id == kCoreEventSpaceId && h->type == type && h->size >= sizeof(Event)
                   ? reinterpret_cast<const Event*>(h)
                   : nullptr;
    }
    void clear() { events.clear(); }

    const clap_input_events* input() const { return &in; }
    const clap_output_events* output() const { return &out; }
    bool refusePushes = false;  // try_push answers false, as a full host list would

    // The parameter events as text: "b<id> " for a gesture's begin,
    // "e<id> " for its end, "<id>=<value> " for a value (value as %g,
    // "!" after it when marked not to be recorded).
    std::string parameterText() const;

private:
    std::vector<std::vector<std::uint64_t>> events;  // 8-byte aligned copies
    clap_input_events in;
    clap_output_events out;
};

clap_event_param_value paramValueEvent(std::uint32_t time, clap_id id, double value);
clap_event_note noteEvent(std::uint16_t type, std::uint32_t time, std::int16_t key, double velocity,
                          std::int16_t channel = 0, std::int16_t port = 0);
clap_event_midi midiEvent(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                          std::uint16_t port = 0);

// The host object given to one instance.
class ClapHost {
public:
    struct Options {
        bool extensions = true;   // false: answers no extension, as scanners and inspectors do
        bool timers = true;       // offers timer support
        bool fileDescriptors = true;  // offers POSIX file-descriptor support (never on Windows)
        std::uint32_t shortestTimerMs = 1;  // timer periods are lengthened to this
    };
    explicit ClapHost(Options options);
    ClapHost() : ClapHost(Options{}) {}
    ~ClapHost();
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_host* host() const { return &record; }
    const clap_plugin* plugin = nullptr;  // the instance the callbacks go to

    // What the plug-in asked for.
    std::vector<std::string> extensionQueries;
    std::vector<std::string> logMessages;
    int latencyChanges = 0;
    int restartRequests = 0;
    int processRequests = 0;
    int callbackRequests = 0;
    int flushRequests = 0;
    int dirtyMarks = 0;
    int guiClosed = 0;
    std::vector<std::uint32_t> paramRescans;
    std::vector<std::string> misuse;  // calls made on the wrong thread or in the wrong state
    bool insideActivate = false;      // latency changes are allowed only then
    bool insideProcess = false;       // request_flush is not allowed then

    struct Timer {
        std::uint32_t periodMs;
        double dueMs;
    };
    std::map<clap_id, Timer> timers;
    std::map<int, std::uint32_t> fileDescriptors;
    int timerCalls = 0;
    int fdCalls = 0;

    // Runs the main thread's loop: the plug-in's timers and file
    // descriptors (and on Windows the thread's window messages) until
    // `done` holds or `timeoutMs` has passed. Returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, int timeoutMs = 3000);
    // Runs the loop for `milliseconds`.
    void run(int milliseconds);

private:
    static ClapHost* self(const clap_host* host);
    static const void* getExtension(const clap_host* host, const char* id);
    void dispatchDue(double nowMs);
    // One pass of the platform's loop: waits at most `waitMs` for a
    // registered file descriptor (or a window message), then calls the
    // plug-in for each one that is ready. (clap_host_runloop_*.cpp)
    void waitAndDispatch(int waitMs);

    Options options;
    clap_host record;
    clap_id nextTimer = 0;
};

// Milliseconds of a steady clock.
double nowMilliseconds();

// One plug-in instance, created through the factory and initialised.
class ClapInstance {
public:
    explicit ClapInstance(ClapHost& host, const char* pluginId = nullptr);
    ~ClapInstance();  // stops processing, deactivates and destroys
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool ok() const { return plugin != nullptr && initialised; }

    template <class Table>
    const Table* extension(const char* id) const {
        return plugin ? static_cast<const Table*>(plugin->get_extension(plugin, id)) : nullptr;
    }
    const clap_plugin_audio_ports* audioPorts() const { return extension<clap_plugin_audio_ports>(kExtAudioPorts); }
    const clap_plugin_note_ports* notePorts() const { return extension<clap_plugin_note_ports>(kExtNotePorts); }
    const clap_plugin_params* params() const { return extension<clap_plugin_params>(kExtParams); }
    const clap_plugin_latency* latency() const { return extension<clap_plugin_latency>(kExtLatency); }
    const clap_plugin_state* state() const { return extension<clap_plugin_state>(kExtState); }
    const clap_plugin_gui* gui() const { return extension<clap_plugin_gui>(kExtGui); }

    bool activate(double rate, std::uint32_t minFrames = 1, std::uint32_t maxFrames = 4096);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();

    // One process call. The voice goes to the main input and the carrier to
    // the side-chain (null: the side-chain gets a buffer with no channel);
    // both outputs are written. The output list collects what the plug-in
    // pushes.
    clap_process_status process(const float* voice, const float* carrier, float* left, float* right,
                                std::uint32_t frames, const EventList& in, EventList& out);
    // The same with a process record the test made itself.
    clap_process_status processRecord(const clap_process& record);
    void flush(const EventList& in, EventList& out);

    double value(clap_id id) const;  // get_value; NaN when refused
    std::string valueText(clap_id id, double value, std::uint32_t capacity = 256) const;  // "" when refused
    bool textValue(clap_id id, const char* text, double& value) const;
    clap_param_info paramInfo(std::uint32_t index) const;  // id kInvalidId when refused

    // State through streams that move at most `chunk` bytes per call.
    bool save(std::string& blob, std::size_t chunk = std::numeric_limits<std::size_t>::max()) const;
    bool load(const std::string& blob, std::size_t chunk = std::numeric_limits<std::size_t>::max()) const;

    ClapHost& host;
    const clap_plugin* plugin = nullptr;
    bool initialised = false;
    bool active = false;
    bool processing = false;
    std::int64_t steadyTime = 0;
};

}  // namespace claphost
