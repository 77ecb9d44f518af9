// Binary interface between a CLAP host and a plug-in: version 1.2 records,
// function tables, identifiers and flags, written from the published layout
// and pinned below for 64-bit Linux and Windows. Everything lives in the
// namespace tfclap (Windows headers declare names such as IStream globally);
// the function pointers have C linkage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tfclap {

using clap_id = std::uint32_t;
inline constexpr clap_id kInvalidId = 0xFFFFFFFFu;
inline constexpr std::size_t kNameSize = 256;
inline constexpr std::size_t kPathSize = 1024;

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
// The version this plug-in and the test host are written against.
inline constexpr clap_version kVersion = {1, 2, 10};
// 0.x were pre-releases; every 1.x is compatible.
constexpr bool versionIsCompatible(const clap_version& v) { return v.major >= 1; }

struct clap_host;
struct clap_plugin;
struct clap_plugin_descriptor;
struct clap_process;
struct clap_event_header;
struct clap_input_events;
struct clap_output_events;
struct clap_istream;
struct clap_ostream;
struct clap_audio_port_info;
struct clap_note_port_info;
struct clap_param_info;
struct clap_window;
struct clap_gui_resize_hints;

// ---- Identifiers, flags and enumerations ----

inline constexpr const char* kPluginFactoryId = "clap.plugin-factory";

// What process() returns.
using clap_process_status = std::int32_t;
inline constexpr clap_process_status kProcessError = 0;
inline constexpr clap_process_status kProcessContinue = 1;
inline constexpr clap_process_status kProcessContinueIfNotQuiet = 2;
inline constexpr clap_process_status kProcessTail = 3;
inline constexpr clap_process_status kProcessSleep = 4;

// Events: the core space, its types and the header flags.
inline constexpr std::uint16_t kCoreEventSpaceId = 0;

enum clap_event_type : std::uint16_t {
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventNoteChoke = 2,
    kEventNoteEnd = 3,
    kEventNoteExpression = 4,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
    kEventMidi = 10,
    kEventMidiSysex = 11,
    kEventMidi2 = 12,
};

inline constexpr std::uint32_t kEventIsLive = 1u << 0;
inline constexpr std::uint32_t kEventDontRecord = 1u << 1;

// Extension ids: the same id names the plug-in's table and the host's.
inline constexpr const char* kExtAudioPorts = "clap.audio-ports";
inline constexpr const char* kExtNotePorts = "clap.note-ports";
inline constexpr const char* kExtParams = "clap.params";
inline constexpr const char* kExtLatency = "clap.latency";
inline constexpr const char* kExtState = "clap.state";
inline constexpr const char* kExtTimerSupport = "clap.timer-support";
inline constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
inline constexpr const char* kExtThreadCheck = "clap.thread-check";
inline constexpr const char* kExtLog = "clap.log";
inline constexpr const char* kExtTail = "clap.tail";
inline constexpr const char* kExtRender = "clap.render";
inline constexpr const char* kExtGui = "clap.gui";

// Audio ports: flags, types and the host's rescan flags.
inline constexpr std::uint32_t kAudioPortIsMain = 1u << 0;
inline constexpr std::uint32_t kAudioPortSupports64Bits = 1u << 1;
inline constexpr std::uint32_t kAudioPortPrefers64Bits = 1u << 2;
inline constexpr std::uint32_t kAudioPortRequiresCommonSampleSize = 1u << 3;
inline constexpr const char* kPortMono = "mono";
inline constexpr const char* kPortStereo = "stereo";

inline constexpr std::uint32_t kAudioPortsRescanNames = 1u << 0;
inline constexpr std::uint32_t kAudioPortsRescanFlags = 1u << 1;
inline constexpr std::uint32_t kAudioPortsRescanChannelCount = 1u << 2;
inline constexpr std::uint32_t kAudioPortsRescanPortType = 1u << 3;
inline constexpr std::uint32_t kAudioPortsRescanInPlacePair = 1u << 4;
inline constexpr std::uint32_t kAudioPortsRescanList = 1u << 5;

// Note ports: dialects and the host's rescan flags.
inline constexpr std::uint32_t kNoteDialectClap = 1u << 0;
inline constexpr std::uint32_t kNoteDialectMidi = 1u << 1;
inline constexpr std::uint32_t kNoteDialectMidiMpe = 1u << 2;
inline constexpr std::uint32_t kNoteDialectMidi2 = 1u << 3;

inline constexpr std::uint32_t kNotePortsRescanAll = 1u << 0;
inline constexpr std::uint32_t kNotePortsRescanNames = 1u << 1;

// Parameters: info flags, the host's rescan and clear flags.
inline constexpr std::uint32_t kParamIsStepped = 1u << 0;
inline constexpr std::uint32_t kParamIsPeriodic = 1u << 1;
inline constexpr std::uint32_t kParamIsHidden = 1u << 2;
inline constexpr std::uint32_t kParamIsReadonly = 1u << 3;
inline constexpr std::uint32_t kParamIsBypass = 1u << 4;
inline constexpr std::uint32_t kParamIsAutomatable = 1u << 5;
inline constexpr std::uint32_t kParamIsAutomatablePerNoteId = 1u << 6;
inline constexpr std::uint32_t kParamIsAutomatablePerKey = 1u << 7;
inline constexpr std::uint32_t kParamIsAutomatablePerChannel = 1u << 8;
inline constexpr std::uint32_t kParamIsAutomatablePerPort = 1u << 9;
inline constexpr std::uint32_t kParamIsModulatable = 1u << 10;
inline constexpr std::uint32_t kParamIsModulatablePerNoteId = 1u << 11;
inline constexpr std::uint32_t kParamIsModulatablePerKey = 1u << 12;
inline constexpr std::uint32_t kParamIsModulatablePerChannel = 1u << 13;
inline constexpr std::uint32_t kParamIsModulatablePerPort = 1u << 14;
inline constexpr std::uint32_t kParamRequiresProcess = 1u << 15;
inline constexpr std::uint32_t kParamIsEnum = 1u << 16;

inline constexpr std::uint32_t kParamRescanValues = 1u << 0;
inline constexpr std::uint32_t kParamRescanText = 1u << 1;
inline constexpr std::uint32_t kParamRescanInfo = 1u << 2;
inline constexpr std::uint32_t kParamRescanAll = 1u << 3;
inline constexpr std::uint32_t kParamClearAll = 1u << 0;
inline constexpr std::uint32_t kParamClearAutomations = 1u << 1;
inline constexpr std::uint32_t kParamClearModulations = 1u << 2;

// File descriptor events.
inline constexpr std::uint32_t kFdRead = 1u << 0;
inline constexpr std::uint32_t kFdWrite = 1u << 1;
inline constexpr std::uint32_t kFdError = 1u << 2;

// Log severities.
using clap_log_severity = std::int32_t;
inline constexpr clap_log_severity kLogDebug = 0;
inline constexpr clap_log_severity kLogInfo = 1;
inline constexpr clap_log_severity kLogWarning = 2;
inline constexpr clap_log_severity kLogError = 3;
inline constexpr clap_log_severity kLogFatal = 4;
inline constexpr clap_log_severity kLogHostMisbehaving = 5;
inline constexpr clap_log_severity kLogPluginMisbehaving = 6;

// Render modes.
inline constexpr std::int32_t kRenderRealtime = 0;
inline constexpr std::int32_t kRenderOffline = 1;

// Window systems of the editor.
inline constexpr const char* kWindowApiX11 = "x11";
inline constexpr const char* kWindowApiWin32 = "win32";
inline constexpr const char* kWindowApiCocoa = "cocoa";
inline constexpr const char* kWindowApiWayland = "wayland";

// ---- Records and function tables ----

extern "C" {

// ---- Module entry and factory ----

struct clap_plugin_entry {
    clap_version version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

struct clap_plugin_factory {
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory, std::uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

struct clap_plugin_descriptor {
    clap_version version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version_text;  // "version" in the published record
    const char* description;
    const char* const* features;  // null-terminated, never null itself
};

// ---- Host and plug-in objects ----

struct clap_host {
    clap_version version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version_text;  // "version" in the published record
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);                        // main thread
    void (*destroy)(const clap_plugin* plugin);                     // main thread, inactive
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames,
                     std::uint32_t max_frames);                     // main thread, inactive
    void (*deactivate)(const clap_plugin* plugin);                  // main thread, active
    bool (*start_processing)(const clap_plugin* plugin);            // audio thread
    void (*stop_processing)(const clap_plugin* plugin);             // audio thread
    void (*reset)(const clap_plugin* plugin);                       // audio thread
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);  // audio thread
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);  // any thread
    void (*on_main_thread)(const clap_plugin* plugin);              // main thread
};

// ---- Processing ----

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct clap_event_transport;

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ---- Events ----

struct clap_event_header {
    std::uint32_t size;  // the whole event
    std::uint32_t time;  // frame within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

struct clap_event_note {
    clap_event_header header;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double velocity;
};

struct clap_event_note_expression {
    clap_event_header header;
    std::int32_t expression_id;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_mod {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double amount;
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

struct clap_event_midi {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint8_t data[3];
};

struct clap_event_midi_sysex {
    clap_event_header header;
    std::uint16_t port_index;
    const std::uint8_t* buffer;
    std::uint32_t size;
};

struct clap_event_midi2 {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint32_t data[4];
};

struct clap_event_transport {
    clap_event_header header;
    std::uint32_t flags;
    std::int64_t song_pos_beats;
    std::int64_t song_pos_seconds;
    double tempo;
    double tempo_inc;
    std::int64_t loop_start_beats;
    std::int64_t loop_end_beats;
    std::int64_t loop_start_seconds;
    std::int64_t loop_end_seconds;
    std::int64_t bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- Extensions ----

// Audio ports (main thread).

struct clap_audio_port_info {
    clap_id id;
    char name[kNameSize];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

struct clap_host_audio_ports {
    bool (*is_rescan_flag_supported)(const clap_host* host, std::uint32_t flag);
    void (*rescan)(const clap_host* host, std::uint32_t flags);
};

// Note ports (main thread).

struct clap_note_port_info {
    clap_id id;
    std::uint32_t supported_dialects;
    std::uint32_t preferred_dialect;
    char name[kNameSize];
};

struct clap_plugin_note_ports {
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_note_port_info* info);
};

struct clap_host_note_ports {
    std::uint32_t (*supported_dialects)(const clap_host* host);
    void (*rescan)(const clap_host* host, std::uint32_t flags);
};

// Parameters.

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t (*count)(const clap_plugin* plugin);                                       // main thread
    bool (*get_info)(const clap_plugin* plugin, std::uint32_t index, clap_param_info* info);  // main thread
    bool (*get_value)(const clap_plugin* plugin, clap_id id, double* value);                  // main thread
    bool (*value_to_text)(const clap_plugin* plugin, clap_id id, double value, char* text,
                          std::uint32_t capacity);                                            // main thread
    bool (*text_to_value)(const clap_plugin* plugin, clap_id id, const char* text, double* value);  // main thread
    // The audio thread while active, else the main thread; never during process.
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

struct clap_host_params {
    void (*rescan)(const clap_host* host, std::uint32_t flags);                // main thread
    void (*clear)(const clap_host* host, clap_id id, std::uint32_t flags);    // main thread
    void (*request_flush)(const clap_host* host);                             // any thread but audio
};

// Latency.
struct clap_plugin_latency {
    std::uint32_t (*get)(const clap_plugin* plugin);  // main thread
};
struct clap_host_latency {
    void (*changed)(const clap_host* host);  // main thread, inside activate
};

// State.
struct clap_istream {
    void* ctx;
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};
struct clap_ostream {
    void* ctx;
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};
struct clap_plugin_state {
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);  // main thread
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);  // main thread
};
struct clap_host_state {
    void (*mark_dirty)(const clap_host* host);  // main thread
};

// Timers and file descriptors (main thread).
struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};
struct clap_host_timer_support {
    bool (*register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

struct clap_plugin_posix_fd_support {
    void (*on_fd)(const clap_plugin* plugin, int fd, std::uint32_t flags);
};
struct clap_host_posix_fd_support {
    bool (*register_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*modify_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*unregister_fd)(const clap_host* host, int fd);
};

// Thread check and log (host only, any thread).
struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host* host);
    bool (*is_audio_thread)(const clap_host* host);
};

struct clap_host_log {
    void (*log)(const clap_host* host, clap_log_severity severity, const char* message);
};

// Tail and render.
struct clap_plugin_tail {
    std::uint32_t (*get)(const clap_plugin* plugin);
};
struct clap_host_tail {
    void (*changed)(const clap_host* host);
};

struct clap_plugin_render {
    bool (*has_hard_realtime_requirement)(const clap_plugin* plugin);
    bool (*set)(const clap_plugin* plugin, std::int32_t mode);
};

// ---- Editor (main thread) ----

struct clap_window {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11;  // 64 bits on Linux; Windows uses the win32 member
        void* win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host* host);
    bool (*request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

}  // extern "C"

// ---- Layouts, as 64-bit hosts lay them out ----

static_assert(sizeof(void*) == 8, "these records are laid out for 64-bit targets");
static_assert(sizeof(bool) == 1);

#define TFCLAP_LAYOUT(type, size, align) \
    static_assert(sizeof(type) == (size) && alignof(type) == (align), #type " size or alignment")
#define TFCLAP_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "::" #field)

TFCLAP_LAYOUT(clap_version, 12, 4);
TFCLAP_AT(clap_version, minor, 4);
TFCLAP_AT(clap_version, revision, 8);

TFCLAP_LAYOUT(clap_plugin_entry, 40, 8);
TFCLAP_AT(clap_plugin_entry, init, 16);
TFCLAP_AT(clap_plugin_entry, deinit, 24);
TFCLAP_AT(clap_plugin_entry, get_factory, 32);

TFCLAP_LAYOUT(clap_plugin_factory, 24, 8);
TFCLAP_AT(clap_plugin_factory, get_plugin_descriptor, 8);
TFCLAP_AT(clap_plugin_factory, create_plugin, 16);

TFCLAP_LAYOUT(clap_plugin_descriptor, 88, 8);
TFCLAP_AT(clap_plugin_descriptor, id, 16);
TFCLAP_AT(clap_plugin_descriptor, name, 24);
TFCLAP_AT(clap_plugin_descriptor, vendor, 32);
TFCLAP_AT(clap_plugin_descriptor, url, 40);
TFCLAP_AT(clap_plugin_descriptor, manual_url, 48);
TFCLAP_AT(clap_plugin_descriptor, support_url, 56);
TFCLAP_AT(clap_plugin_descriptor, version_text, 64);
TFCLAP_AT(clap_plugin_descriptor, description, 72);
TFCLAP_AT(clap_plugin_descriptor, features, 80);

TFCLAP_LAYOUT(clap_host, 88, 8);
TFCLAP_AT(clap_host, host_data, 16);
TFCLAP_AT(clap_host, name, 24);
TFCLAP_AT(clap_host, vendor, 32);
TFCLAP_AT(clap_host, url, 40);
TFCLAP_AT(clap_host, version_text, 48);
TFCLAP_AT(clap_host, get_extension, 56);
TFCLAP_AT(clap_host, request_restart, 64);
TFCLAP_AT(clap_host, request_process, 72);
TFCLAP_AT(clap_host, request_callback, 80);

TFCLAP_LAYOUT(clap_plugin, 96, 8);
TFCLAP_AT(clap_plugin, plugin_data, 8);
TFCLAP_AT(clap_plugin, init, 16);
TFCLAP_AT(clap_plugin, destroy, 24);
TFCLAP_AT(clap_plugin, activate, 32);
TFCLAP_AT(clap_plugin, deactivate, 40);
TFCLAP_AT(clap_plugin, start_processing, 48);
TFCLAP_AT(clap_plugin, stop_processing, 56);
TFCLAP_AT(clap_plugin, reset, 64);
TFCLAP_AT(clap_plugin, process, 72);
TFCLAP_AT(clap_plugin, get_extension, 80);
TFCLAP_AT(clap_plugin, on_main_thread, 88);

TFCLAP_LAYOUT(clap_audio_buffer, 32, 8);
TFCLAP_AT(clap_audio_buffer, data64, 8);
TFCLAP_AT(clap_audio_buffer, channel_count, 16);
TFCLAP_AT(clap_audio_buffer, latency, 20);
TFCLAP_AT(clap_audio_buffer, constant_mask, 24);

TFCLAP_LAYOUT(clap_process, 64, 8);
TFCLAP_AT(clap_process, frames_count, 8);
TFCLAP_AT(clap_process, transport, 16);
TFCLAP_AT(clap_process, audio_inputs, 24);
TFCLAP_AT(clap_process, audio_outputs, 32);
TFCLAP_AT(clap_process, audio_inputs_count, 40);
TFCLAP_AT(clap_process, audio_outputs_count, 44);
TFCLAP_AT(clap_process, in_events, 48);
TFCLAP_AT(clap_process, out_events, 56);

TFCLAP_LAYOUT(clap_event_header, 16, 4);
TFCLAP_AT(clap_event_header, time, 4);
TFCLAP_AT(clap_event_header, space_id, 8);
TFCLAP_AT(clap_event_header, type, 10);
TFCLAP_AT(clap_event_header, flags, 12);

TFCLAP_LAYOUT(clap_event_note, 40, 8);
TFCLAP_AT(clap_event_note, note_id, 16);
TFCLAP_AT(clap_event_note, port_index, 20);
TFCLAP_AT(clap_event_note, channel, 22);
TFCLAP_AT(clap_event_note, key, 24);
TFCLAP_AT(clap_event_note, velocity, 32);

TFCLAP_LAYOUT(clap_event_note_expression, 40, 8);
TFCLAP_AT(clap_event_note_expression, expression_id, 16);
TFCLAP_AT(clap_event_note_expression, note_id, 20);
TFCLAP_AT(clap_event_note_expression, port_index, 24);
TFCLAP_AT(clap_event_note_expression, channel, 26);
TFCLAP_AT(clap_event_note_expression, key, 28);
TFCLAP_AT(clap_event_note_expression, value, 32);

TFCLAP_LAYOUT(clap_event_param_value, 56, 8);
TFCLAP_AT(clap_event_param_value, param_id, 16);
TFCLAP_AT(clap_event_param_value, cookie, 24);
TFCLAP_AT(clap_event_param_value, note_id, 32);
TFCLAP_AT(clap_event_param_value, port_index, 36);
TFCLAP_AT(clap_event_param_value, channel, 38);
TFCLAP_AT(clap_event_param_value, key, 40);
TFCLAP_AT(clap_event_param_value, value, 48);

TFCLAP_LAYOUT(clap_event_param_mod, 56, 8);
TFCLAP_AT(clap_event_param_mod, param_id, 16);
TFCLAP_AT(clap_event_param_mod, cookie, 24);
TFCLAP_AT(clap_event_param_mod, note_id, 32);
TFCLAP_AT(clap_event_param_mod, key, 40);
TFCLAP_AT(clap_event_param_mod, amount, 48);

TFCLAP_LAYOUT(clap_event_param_gesture, 20, 4);
TFCLAP_AT(clap_event_param_gesture, param_id, 16);

TFCLAP_LAYOUT(clap_event_midi, 24, 4);
TFCLAP_AT(clap_event_midi, port_index, 16);
TFCLAP_AT(clap_event_midi, data, 18);

TFCLAP_LAYOUT(clap_event_midi_sysex, 40, 8);
TFCLAP_AT(clap_event_midi_sysex, port_index, 16);
TFCLAP_AT(clap_event_midi_sysex, buffer, 24);
TFCLAP_AT(clap_event_midi_sysex, size, 32);

TFCLAP_LAYOUT(clap_event_midi2, 36, 4);
TFCLAP_AT(clap_event_midi2, port_index, 16);
TFCLAP_AT(clap_event_midi2, data, 20);

TFCLAP_LAYOUT(clap_event_transport, 104, 8);
TFCLAP_AT(clap_event_transport, flags, 16);
TFCLAP_AT(clap_event_transport, song_pos_beats, 24);
TFCLAP_AT(clap_event_transport, song_pos_seconds, 32);
TFCLAP_AT(clap_event_transport, tempo, 40);
TFCLAP_AT(clap_event_transport, tempo_inc, 48);
TFCLAP_AT(clap_event_transport, loop_start_beats, 56);
TFCLAP_AT(clap_event_transport, loop_end_beats, 64);
TFCLAP_AT(clap_event_transport, loop_start_seconds, 72);
TFCLAP_AT(clap_event_transport, loop_end_seconds, 80);
TFCLAP_AT(clap_event_transport, bar_start, 88);
TFCLAP_AT(clap_event_transport, bar_number, 96);
TFCLAP_AT(clap_event_transport, tsig_num, 100);
TFCLAP_AT(clap_event_transport, tsig_denom, 102);

TFCLAP_LAYOUT(clap_input_events, 24, 8);
TFCLAP_AT(clap_input_events, size, 8);
TFCLAP_AT(clap_input_events, get, 16);
TFCLAP_LAYOUT(clap_output_events, 16, 8);
TFCLAP_AT(clap_output_events, try_push, 8);

TFCLAP_LAYOUT(clap_audio_port_info, 288, 8);
TFCLAP_AT(clap_audio_port_info, name, 4);
TFCLAP_AT(clap_audio_port_info, flags, 260);
TFCLAP_AT(clap_audio_port_info, channel_count, 264);
TFCLAP_AT(clap_audio_port_info, port_type, 272);
TFCLAP_AT(clap_audio_port_info, in_place_pair, 280);
TFCLAP_LAYOUT(clap_plugin_audio_ports, 16, 8);
TFCLAP_AT(clap_plugin_audio_ports, get, 8);
TFCLAP_LAYOUT(clap_host_audio_ports, 16, 8);
TFCLAP_AT(clap_host_audio_ports, rescan, 8);

TFCLAP_LAYOUT(clap_note_port_info, 268, 4);
TFCLAP_AT(clap_note_port_info, supported_dialects, 4);
TFCLAP_AT(clap_note_port_info, preferred_dialect, 8);
TFCLAP_AT(clap_note_port_info, name, 12);
TFCLAP_LAYOUT(clap_plugin_note_ports, 16, 8);
TFCLAP_AT(clap_plugin_note_ports, get, 8);
TFCLAP_LAYOUT(clap_host_note_ports, 16, 8);
TFCLAP_AT(clap_host_note_ports, rescan, 8);

TFCLAP_LAYOUT(clap_param_info, 1320, 8);
TFCLAP_AT(clap_param_info, flags, 4);
TFCLAP_AT(clap_param_info, cookie, 8);
TFCLAP_AT(clap_param_info, name, 16);
TFCLAP_AT(clap_param_info, module, 272);
TFCLAP_AT(clap_param_info, min_value, 1296);
TFCLAP_AT(clap_param_info, max_value, 1304);
TFCLAP_AT(clap_param_info, default_value, 1312);
TFCLAP_LAYOUT(clap_plugin_params, 48, 8);
TFCLAP_AT(clap_plugin_params, get_info, 8);
TFCLAP_AT(clap_plugin_params, get_value, 16);
TFCLAP_AT(clap_plugin_params, value_to_text, 24);
TFCLAP_AT(clap_plugin_params, text_to_value, 32);
TFCLAP_AT(clap_plugin_params, flush, 40);
TFCLAP_LAYOUT(clap_host_params, 24, 8);
TFCLAP_AT(clap_host_params, clear, 8);
TFCLAP_AT(clap_host_params, request_flush, 16);

TFCLAP_LAYOUT(clap_plugin_latency, 8, 8);
TFCLAP_LAYOUT(clap_host_latency, 8, 8);
TFCLAP_LAYOUT(clap_istream, 16, 8);
TFCLAP_AT(clap_istream, read, 8);
TFCLAP_LAYOUT(clap_ostream, 16, 8);
TFCLAP_AT(clap_ostream, write, 8);
TFCLAP_LAYOUT(clap_plugin_state, 16, 8);
TFCLAP_AT(clap_plugin_state, load, 8);
TFCLAP_LAYOUT(clap_host_state, 8, 8);

TFCLAP_LAYOUT(clap_plugin_timer_support, 8, 8);
TFCLAP_LAYOUT(clap_host_timer_support, 16, 8);
TFCLAP_AT(clap_host_timer_support, unregister_timer, 8);
TFCLAP_LAYOUT(clap_plugin_posix_fd_support, 8, 8);
TFCLAP_LAYOUT(clap_host_posix_fd_support, 24, 8);
TFCLAP_AT(clap_host_posix_fd_support, modify_fd, 8);
TFCLAP_AT(clap_host_posix_fd_support, unregister_fd, 16);
TFCLAP_LAYOUT(clap_host_thread_check, 16, 8);
TFCLAP_AT(clap_host_thread_check, is_audio_thread, 8);
TFCLAP_LAYOUT(clap_host_log, 8, 8);
TFCLAP_LAYOUT(clap_plugin_tail, 8, 8);
TFCLAP_LAYOUT(clap_host_tail, 8, 8);
TFCLAP_LAYOUT(clap_plugin_render, 16, 8);
TFCLAP_AT(clap_plugin_render, set, 8);

TFCLAP_LAYOUT(clap_window, 16, 8);
TFCLAP_AT(clap_window, x11, 8);
TFCLAP_AT(clap_window, win32, 8);
TFCLAP_LAYOUT(clap_gui_resize_hints, 12, 4);
TFCLAP_AT(clap_gui_resize_hints, can_resize_vertically, 1);
TFCLAP_AT(clap_gui_resize_hints, preserve_aspect_ratio, 2);
TFCLAP_AT(clap_gui_resize_hints, aspect_ratio_width, 4);
TFCLAP_AT(clap_gui_resize_hints, aspect_ratio_height, 8);
TFCLAP_LAYOUT(clap_plugin_gui, 120, 8);
TFCLAP_AT(clap_plugin_gui, get_preferred_api, 8);
TFCLAP_AT(clap_plugin_gui, create, 16);
TFCLAP_AT(clap_plugin_gui, destroy, 24);
TFCLAP_AT(clap_plugin_gui, set_scale, 32);
TFCLAP_AT(clap_plugin_gui, get_size, 40);
TFCLAP_AT(clap_plugin_gui, can_resize, 48);
TFCLAP_AT(clap_plugin_gui, get_resize_hints, 56);
TFCLAP_AT(clap_plugin_gui, adjust_size, 64);
TFCLAP_AT(clap_plugin_gui, set_size, 72);
TFCLAP_AT(clap_plugin_gui, set_parent, 80);
TFCLAP_AT(clap_plugin_gui, set_transient, 88);
TFCLAP_AT(clap_plugin_gui, suggest_title, 96);
TFCLAP_AT(clap_plugin_gui, show, 104);
TFCLAP_AT(clap_plugin_gui, hide, 112);
TFCLAP_LAYOUT(clap_host_gui, 40, 8);
TFCLAP_AT(clap_host_gui, request_resize, 8);
TFCLAP_AT(clap_host_gui, request_show, 16);
TFCLAP_AT(clap_host_gui, request_hide, 24);
TFCLAP_AT(clap_host_gui, closed, 32);

#undef TFCLAP_LAYOUT
#undef TFCLAP_AT

}  // namespace tfclap
