#include "tests/clap/clap_host.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/testhost.h"  // the platform's library loader

namespace claphost {

namespace {

std::thread::id mainThread() {
    static const std::thread::id id = std::this_thread::get_id();
    return id;
}

}  // namespace

double nowMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// ---- Module ----------------------------------------------------------------

ClapModule& ClapModule::get() {
    static ClapModule module(TALKFORGE_CLAP_PATH);
    return module;
}

ClapModule::ClapModule(const char* file) : path(file) {
    mainThread();
    library = openLibrary(file, error);
    if (!library) return;
    entry = static_cast<const clap_plugin_entry*>(librarySymbol(library, "clap_entry"));
    if (!entry) {
        error = "no clap_entry";
        return;
    }
    if (!versionIsCompatible(entry->version)) {
        error = "incompatible version";
        return;
    }
    if (!entry->init(file)) {
        error = "init refused";
        return;
    }
    factory = static_cast<const clap_plugin_factory*>(entry->get_factory(kPluginFactoryId));
    if (!factory) error = "no plug-in factory";
}

// ---- Events ----------------------------------------------------------------

EventList::EventList() {
    in.ctx = this;
    in.size = [](const clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->events.size());
    };
    in.get = [](const clap_input_events* list, std::uint32_t index) {
        return static_cast<const EventList*>(list->ctx)->at(index);
    };
    out.ctx = this;
    out.try_push = [](const clap_output_events* list, const clap_event_header* event) {
        auto* self = static_cast<EventList*>(list->ctx);
        if (self->refusePushes || !event || event->size < sizeof(clap_event_header)) return false;
        self->addHeader(event);
        return true;
    };
}

void EventList::addHeader(const clap_event_header* header) {
    std::vector<std::uint64_t> copy((header->size + 7) / 8);
    std::memcpy(copy.data(), header, header->size);
    events.push_back(std::move(copy));
}

const clap_event_header* EventList::at(std::size_t index) const {
    return index < events.size() ? reinterpret_cast<const clap_event_header*>(events[index].data()) : nullptr;
}

std::string EventList::parameterText() const {
    std::string s;
    char text[64];
    for (std::size_t i = 0; i < size(); ++i) {
        if (const auto* g = as<clap_event_param_gesture>(i, kEventParamGestureBegin)) {
            std::snprintf(text, sizeof text, "b%u ", g->param_id);
        } else if (const auto* e = as<clap_event_param_gesture>(i, kEventParamGestureEnd)) {
            std::snprintf(text, sizeof text, "e%u ", e->param_id);
        } else if (const auto* v = as<clap_event_param_value>(i, kEventParamValue)) {
            std::snprintf(text, sizeof text, "%u=%g%s ", v->param_id, v->value,
                          (v->header.flags & kEventDontRecord) ? "!" : "");
        } else {
            continue;
        }
        s += text;
    }
    return s;
}

clap_event_param_value paramValueEvent(std::uint32_t time, clap_id id, double value) {
    clap_event_param_value e{};
    e.header = {sizeof e, time, kCoreEventSpaceId, kEventParamValue, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = -1;
    e.channel = -1;
    e.key = -1;
    e.value = value;
    return e;
}

clap_event_note noteEvent(std::uint16_t type, std::uint32_t time, std::int16_t key, double velocity,
                          std::int16_t channel, std::int16_t port) {
    clap_event_note e{};
    e.header = {sizeof e, time, kCoreEventSpaceId, type, 0};
    e.note_id = -1;
    e.port_index = port;
    e.channel = channel;
    e.key = key;
    e.velocity = velocity;
    return e;
}

clap_event_midi midiEvent(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                          std::uint16_t port) {
    clap_event_midi e{};
    e.header = {sizeof e, time, kCoreEventSpaceId, kEventMidi, 0};
    e.port_index = port;
    e.data[0] = status;
    e.data[1] = data1;
    e.data[2] = data2;
    return e;
}

// ---- Host ------------------------------------------------------------------

ClapHost* ClapHost::self(const clap_host* host) { return static_cast<ClapHost*>(host->host_data); }

ClapHost::ClapHost(Options o) : options(o) {
    mainThread();
    record.version = kVersion;
    record.host_data = this;
    record.name = "Talkforge test host";
    record.vendor = "Harrowgate Sounds";
    record.url = "";
    record.version_text = "1.0.0";
    record.get_extension = &ClapHost::getExtension;
    record.request_restart = [](const clap_host* h) { ++self(h)->restartRequests; };
    record.request_process = [](const clap_host* h) { ++self(h)->processRequests; };
    record.request_callback = [](const clap_host* h) { ++self(h)->callbackRequests; };
}

ClapHost::~ClapHost() = default;

const void* ClapHost::getExtension(const clap_host* asking, const char* id) {
    ClapHost* me = self(asking);
    me->extensionQueries.emplace_back(id ? id : "(null)");
    if (!me->options.extensions || !id) return nullptr;

    static const clap_host_log log = {[](const clap_host* host, clap_log_severity severity, const char* message) {
        self(host)->logMessages.push_back(std::to_string(severity) + ": " + (message ? message : "(null)"));
    }};
    static const clap_host_thread_check threadCheck = {
        [](const clap_host* host) {
            return std::this_thread::get_id() == mainThread() && !self(host)->insideProcess;
        },
        [](const clap_host* host) { return self(host)->insideProcess; },
    };
    static const clap_host_params params = {
        [](const clap_host* host, std::uint32_t flags) {
            ClapHost* h = self(host);
            h->paramRescans.push_back(flags);
            if ((flags & kParamRescanAll) && h->plugin && h->insideProcess) h->misuse.push_back("rescan all while active");
        },
        [](const clap_host*, clap_id, std::uint32_t) {},
        [](const clap_host* host) {
            ClapHost* h = self(host);
            ++h->flushRequests;
            if (h->insideProcess) h->misuse.push_back("request_flush from the audio thread");
        },
    };
    static const clap_host_latency latency = {[](const clap_host* host) {
        ClapHost* h = self(host);
        ++h->latencyChanges;
        if (!h->insideActivate) h->misuse.push_back("latency changed outside activate");
    }};
    static const clap_host_state state = {[](const clap_host* host) { ++self(host)->dirtyMarks; }};
    static const clap_host_audio_ports audioPorts = {[](const clap_host*, std::uint32_t) { return true; },
                                                     [](const clap_host*, std::uint32_t) {}};
    static const clap_host_note_ports notePorts = {
        [](const clap_host*) { return kNoteDialectClap | kNoteDialectMidi; },
        [](const clap_host*, std::uint32_t) {},
    };
    static const clap_host_gui gui = {
        [](const clap_host*) {},
        [](const clap_host*, std::uint32_t, std::uint32_t) { return false; },
        [](const clap_host*) { return true; },
        [](const clap_host*) { return true; },
        [](const clap_host* host, bool) { ++self(host)->guiClosed; },
    };
    static const clap_host_timer_support timers = {
        [](const clap_host* host, std::uint32_t periodMs, clap_id* timerId) {
            ClapHost* h = self(host);
            if (!timerId) return false;
            *timerId = h->nextTimer++;
            const std::uint32_t period = std::max(periodMs, h->options.shortestTimerMs);
            h->timers[*timerId] = {period, nowMilliseconds() + period};
            return true;
        },
        [](const clap_host* host, clap_id timerId) { return self(host)->timers.erase(timerId) == 1; },
    };
    static const clap_host_posix_fd_support fds = {
        [](const clap_host* host, int fd, std::uint32_t flags) {
            return self(host)->fileDescriptors.emplace(fd, flags).second;
        },
        [](const clap_host* host, int fd, std::uint32_t flags) {
            auto it = self(host)->fileDescriptors.find(fd);
            if (it == self(host)->fileDescriptors.end()) return false;
            it->second = flags;
            return true;
        },
        [](const clap_host* host, int fd) { return self(host)->fileDescriptors.erase(fd) == 1; },
    };

    const std::string ext = id;
    if (ext == kExtLog) return &log;
    if (ext == kExtThreadCheck) return &threadCheck;
    if (ext == kExtParams) return &params;
    if (ext == kExtLatency) return &latency;
    if (ext == kExtState) return &state;
    if (ext == kExtAudioPorts) return &audioPorts;
    if (ext == kExtNotePorts) return &notePorts;
    if (ext == kExtGui) return &gui;
    if (ext == kExtTimerSupport && me->options.timers) return &timers;
#if !defined(_WIN32)
    if (ext == kExtPosixFdSupport && me->options.fileDescriptors) return &fds;
#else
    (void)fds;
#endif
    return nullptr;
}

void ClapHost::dispatchDue(double nowMs) {
    if (!plugin) return;
    if (callbackRequests > 0) {
        callbackRequests = 0;
        plugin->on_main_thread(plugin);
    }
    // The plug-in may register or unregister timers from inside a call.
    std::vector<clap_id> due;
    for (auto& [id, timer] : timers)
        if (timer.dueMs <= nowMs) due.push_back(id);
    const auto* support = static_cast<const clap_plugin_timer_support*>(plugin->get_extension(plugin, kExtTimerSupport));
    for (clap_id id : due) {
        auto it = timers.find(id);
        if (it == timers.end()) continue;
        it->second.dueMs = nowMs + it->second.periodMs;
        ++timerCalls;
        if (support) support->on_timer(plugin, id);
    }
}

bool ClapHost::runUntil(const std::function<bool()>& done, int timeoutMs) {
    const double end = nowMilliseconds() + timeoutMs;
    for (;;) {
        if (done && done()) return true;
        const double now = nowMilliseconds();
        if (now >= end) return !done || done();
        dispatchDue(now);
        if (done && done()) return true;
        double wait = std::min(end - nowMilliseconds(), 10.0);
        for (const auto& [id, timer] : timers) wait = std::min(wait, timer.dueMs - nowMilliseconds());
        waitAndDispatch(static_cast<int>(std::max(0.0, std::ceil(wait))));
    }
}

void ClapHost::run(int milliseconds) { runUntil(nullptr, milliseconds); }

// ---- Instance --------------------------------------------------------------

ClapInstance::ClapInstance(ClapHost& h, const char* pluginId) : host(h) {
    ClapModule& module = ClapModule::get();
    if (!module.ok()) return;
    const clap_plugin_descriptor* d = module.factory->get_plugin_descriptor(module.factory, 0);
    if (!pluginId) pluginId = d ? d->id : "";
    plugin = module.factory->create_plugin(module.factory, host.host(), pluginId);
    if (!plugin) return;
    host.plugin = plugin;
    initialised = plugin->init(plugin);
}

ClapInstance::~ClapInstance() {
    if (!plugin) return;
    if (processing) stopProcessing();
    if (active) deactivate();
    plugin->destroy(plugin);
    host.plugin = nullptr;
}

bool ClapInstance::activate(double rate, std::uint32_t minFrames, std::uint32_t maxFrames) {
    host.insideActivate = true;
    active = plugin->activate(plugin, rate, minFrames, maxFrames);
    host.insideActivate = false;
    return active;
}

void ClapInstance::deactivate() {
    plugin->deactivate(plugin);
    active = false;
}

bool ClapInstance::startProcessing() {
    host.insideProcess = true;
    processing = plugin->start_processing(plugin);
    host.insideProcess = false;
    return processing;
}

void ClapInstance::stopProcessing() {
    host.insideProcess = true;
    plugin->stop_processing(plugin);
    host.insideProcess = false;
    processing = false;
}

void ClapInstance::reset() {
    host.insideProcess = true;
    plugin->reset(plugin);
    host.insideProcess = false;
}

clap_process_status ClapInstance::process(const float* voice, const float* carrier, float* left, float* right,
                                          std::uint32_t frames, const EventList& in, EventList& out) {
    float* voiceChannels[1] = {const_cast<float*>(voice)};
    float* carrierChannels[1] = {const_cast<float*>(carrier)};
    clap_audio_buffer inputs[2] = {
        {voiceChannels, nullptr, 1, 0, 0},
        {carrier ? carrierChannels : nullptr, nullptr, carrier ? 1u : 0u, 0, 0},
    };
    float* outputChannels[2] = {left, right};
    // A mask the plug-in must overwrite.
    clap_audio_buffer outputs[1] = {{outputChannels, nullptr, 2, 0, ~std::uint64_t{0}}};
    clap_process record{steadyTime, frames, nullptr, inputs, outputs, 2, 1, in.input(), out.output()};
    const clap_process_status status = processRecord(record);
    if (outputs[0].constant_mask & ~std::uint64_t{3}) host.misuse.push_back("output constant_mask left as set");
    return status;
}

clap_process_status ClapInstance::processRecord(const clap_process& record) {
    host.insideProcess = true;
    const clap_process_status status = plugin->process(plugin, &record);
    host.insideProcess = false;
    steadyTime += record.frames_count;
    return status;
}

void ClapInstance::flush(const EventList& in, EventList& out) {
    host.insideProcess = processing;
    params()->flush(plugin, in.input(), out.output());
    host.insideProcess = false;
}

double ClapInstance::value(clap_id id) const {
    double v = 0.0;
    return params()->get_value(plugin, id, &v) ? v : std::nan("");
}

std::string ClapInstance::valueText(clap_id id, double v, std::uint32_t capacity) const {
    std::vector<char> text(capacity + 1, '#');
    if (!params()->value_to_text(plugin, id, v, text.data(), capacity)) return "";
    if (text[capacity] != '#') return "(overrun)";
    if (std::find(text.begin(), text.begin() + capacity, '\0') == text.begin() + capacity) return "(unterminated)";
    return text.data();
}

bool ClapInstance::textValue(clap_id id, const char* text, double& v) const {
    return params()->text_to_value(plugin, id, text, &v);
}

clap_param_info ClapInstance::paramInfo(std::uint32_t index) const {
    clap_param_info info{};
    if (!params()->get_info(plugin, index, &info)) info.id = kInvalidId;
    return info;
}

namespace {

struct ReadStream {
    const std::string* blob;
    std::size_t at;
    std::size_t chunk;
};

struct WriteStream {
    std::string* blob;
    std::size_t chunk;
};

}  // namespace

bool ClapInstance::save(std::string& blob, std::size_t chunk) const {
    blob.clear();
    WriteStream w{&blob, chunk};
    const clap_ostream stream = {&w, [](const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                                     auto* to = static_cast<WriteStream*>(s->ctx);
                                     const std::size_t n = std::min<std::uint64_t>(size, to->chunk);
                                     to->blob->append(static_cast<const char*>(buffer), n);
                                     return static_cast<std::int64_t>(n);
                                 }};
    return state()->save(plugin, &stream);
}

bool ClapInstance::load(const std::string& blob, std::size_t chunk) const {
    ReadStream r{&blob, 0, chunk};
    const clap_istream stream = {&r, [](const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                                     auto* from = static_cast<ReadStream*>(s->ctx);
                                     const std::size_t n =
                                         std::min<std::uint64_t>({size, from->chunk, from->blob->size() - from->at});
                                     std::memcpy(buffer, from->blob->data() + from->at, n);
                                     from->at += n;
                                     return static_cast<std::int64_t>(n);
                                 }};
    return state()->load(plugin, &stream);
}

}  // namespace claphost
