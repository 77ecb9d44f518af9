#include "plugin/clap/plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "base/convert.h"
#include "plugin/clap/descriptor.h"
#include "plugin/clap/editor.h"
#include "vocoder/paramtext.h"
#include "vocoder/talkforge.h"

namespace tfclap {

namespace {

// ---- Parameters as the host sees them --------------------------------------
// Continuous parameters keep the engine's 0..1; stepped ones count their
// positions, 0..steps, and reach the engine as the position's value.

const ParameterInfo* engineParameter(clap_id id) {
    return id < static_cast<clap_id>(kNumParams) ? &kParameters[id] : nullptr;
}

bool isStepped(const ParameterInfo& p) { return p.steps > 0; }

// The position a value plays at, read as the engine and the display read it.
int positionOf(const ParameterInfo& p, float value) {
    const float roundUp = p.display == ParamDisplay::kNote ? 0.5f : 0.0f;
    return truncClamped(static_cast<float>(p.steps) * value + roundUp, 0, p.steps);
}

double hostValueOf(const ParameterInfo& p, float value) {
    if (isStepped(p)) return positionOf(p, value);
    return std::clamp(std::isfinite(value) ? value : 0.0f, 0.0f, 1.0f);
}

// The host's value as the engine's: a stepped parameter's nearest position k
// becomes k / steps, raised by the few units of rounding that would make the
// engine (which truncates) read the position below.
float engineValueOf(const ParameterInfo& p, double value) {
    if (isStepped(p)) {
        const int position = truncClamped(std::floor(value + 0.5), 0, p.steps);
        float v = stepValue(p, position);
        while (positionOf(p, v) < position) v = std::nextafter(v, 2.0f);
        return v;
    }
    if (!(value >= 0.0)) return 0.0f;
    return value > 1.0 ? 1.0f : static_cast<float>(value);
}

constexpr const char* kBypassName = "Bypass";
constexpr const char* kBypassTexts[] = {"Off", "On"};
constexpr const char* kBandsModule = "Bands";
constexpr const char* kDecibelLabel = "dB";

// ---- Ports ----------------------------------------------------------------

struct AudioPort {
    const char* name;
    std::uint32_t flags;
    std::uint32_t channels;
    const char* type;
};
// Inputs by index (and id): the voice on the main input, the external carrier on a side-chain.
constexpr AudioPort kInputPorts[] = {
    {"Voice", kAudioPortIsMain, 1, kPortMono},
    {"Carrier", 0, 1, kPortMono},
};
constexpr AudioPort kOutputPorts[] = {
    {"Output", kAudioPortIsMain, 2, kPortStereo},  // the same signal on both channels
};
constexpr auto kNumInputPorts = static_cast<std::uint32_t>(std::size(kInputPorts));
constexpr auto kNumOutputPorts = static_cast<std::uint32_t>(std::size(kOutputPorts));
static_assert(kNumInputPorts == kNumInputs && kVoiceInput == 0 && kCarrierInput == 1);

constexpr const char* kNotePortName = "MIDI";

// ---- State ------------------------------------------------------------------

// The bypass travels in the state text as one more key, which the shared
// reader skips.
constexpr std::string_view kBypassKey = "bypass";
constexpr std::size_t kMaxStateBytes = 1 << 20;

bool bypassInState(std::string_view text) {
    for (std::string_view rest = text; !rest.empty();) {
        std::string_view key, value;
        if (detail::splitPair(detail::nextLine(rest), key, value) && key == kBypassKey) return value == "1";
    }
    return false;
}

// ---- MIDI -------------------------------------------------------------------

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kController = 0xB0;
constexpr std::uint8_t kStatusMask = 0xF0;
constexpr std::uint8_t kChannelMask = 0x0F;
constexpr std::uint8_t kSustainController = 64;
constexpr std::uint8_t kAllVoicesOffController = 126;

std::uint8_t midiVelocity(double velocity, int lowest) {
    const double v = velocity >= 0.0 ? std::min(velocity, 1.0) : 0.0;  // NaN as 0
    return static_cast<std::uint8_t>(std::max(lowest, static_cast<int>(std::lround(v * 127.0))));
}

std::uint8_t midiChannel(std::int16_t channel) { return static_cast<std::uint8_t>(channel < 0 ? 0 : channel & kChannelMask); }

bool onNotePort(std::int32_t port) { return port == 0 || port == -1; }

// Events that act at once on the engine rather than at a frame of the block
// it is given: the block is cut at their time, so that they act from their sample.
bool cutsTheBlock(const clap_event_header& e) {
    if (e.space_id != kCoreEventSpaceId) return false;
    switch (e.type) {
    case kEventParamValue:
        return e.size >= sizeof(clap_event_param_value);
    case kEventNoteOff:
    case kEventNoteChoke:
    {
        // A note-off for every key: all voices released at once.
        if (e.size < sizeof(clap_event_note)) return false;
        const auto& n = reinterpret_cast<const clap_event_note&>(e);
        return onNotePort(n.port_index) && n.key < 0;
    }
    case kEventMidi:
    {
        if (e.size < sizeof(clap_event_midi)) return false;
        const auto& m = reinterpret_cast<const clap_event_midi&>(e);
        return m.port_index == 0 && (m.data[0] & kStatusMask) == kController &&
               (m.data[1] == kSustainController || m.data[1] == kAllVoicesOffController);
    }
    default:
        return false;
    }
}

// One channel of a port's buffer, or null when the host gave none.
float* channelOf(const clap_audio_buffer* buffers, std::uint32_t count, std::uint32_t port, std::uint32_t channel) {
    if (!buffers || port >= count) return nullptr;
    const clap_audio_buffer& b = buffers[port];
    return b.data32 && channel < b.channel_count ? b.data32[channel] : nullptr;
}

}  // namespace

// ---- Life -------------------------------------------------------------------

TalkforgePlugin::TalkforgePlugin(const clap_host* host) : hostRecord(host) {
    engine.setListener(this);
    record.desc = &kDescriptor;
    record.plugin_data = this;
    record.init = [](const clap_plugin* p) { return of(p)->init(); };
    record.destroy = [](const clap_plugin* p) { delete of(p); };
    record.activate = [](const clap_plugin* p, double rate, std::uint32_t minFrames, std::uint32_t maxFrames) {
        return of(p)->activate(rate, minFrames, maxFrames);
    };
    record.deactivate = [](const clap_plugin* p) { of(p)->deactivate(); };
    record.start_processing = [](const clap_plugin* p) { return of(p)->startProcessing(); };
    record.stop_processing = [](const clap_plugin* p) { of(p)->stopProcessing(); };
    record.reset = [](const clap_plugin* p) { of(p)->reset(); };
    record.process = [](const clap_plugin* p, const clap_process* process) {
        return process ? of(p)->process(*process) : kProcessError;
    };
    record.get_extension = [](const clap_plugin* p, const char* id) { return id ? of(p)->extension(id) : nullptr; };
    record.on_main_thread = [](const clap_plugin*) {};
}

TalkforgePlugin::~TalkforgePlugin() { delete gui.load(); }

bool TalkforgePlugin::init() {
    const auto hostExtension = [this](const char* id) {
        return hostRecord->get_extension ? hostRecord->get_extension(hostRecord, id) : nullptr;
    };
    hostParams = static_cast<const clap_host_params*>(hostExtension(kExtParams));
    hostLatency = static_cast<const clap_host_latency*>(hostExtension(kExtLatency));
    hostState = static_cast<const clap_host_state*>(hostExtension(kExtState));
    hostTimers = static_cast<const clap_host_timer_support*>(hostExtension(kExtTimerSupport));
    hostFds = static_cast<const clap_host_posix_fd_support*>(hostExtension(kExtPosixFdSupport));
    return true;
}

bool TalkforgePlugin::activate(double sampleRate, std::uint32_t, std::uint32_t maxFrames) {
    if (active || !std::isfinite(sampleRate) || sampleRate <= 0.0) return false;
    hostRate = static_cast<float>(sampleRate);
    blockLimit = std::clamp<std::uint32_t>(maxFrames, 1, kMaxBlockFrames);
    try {
        silence.assign(blockLimit, 0.0f);
        discard.assign(blockLimit, 0.0f);
    } catch (...) {
        return false;
    }
    bypass.setBypassed(bypassOn.load());
    bypass.setSampleRate(hostRate);
    const auto latencyNow = static_cast<std::uint32_t>(latencyFrames(sampleRate));
    if (latencyNow != reportedLatency) {
        reportedLatency = latencyNow;
        if (hostLatency) hostLatency->changed(hostRecord);
    }
    active = true;
    return true;
}

void TalkforgePlugin::deactivate() { active = false; }

bool TalkforgePlugin::startProcessing() { return active; }

void TalkforgePlugin::stopProcessing() {}

void TalkforgePlugin::reset() {
    engine.resetFilterState();
    engine.receiveMidi(0, kController, kAllVoicesOffController, 0);  // releases every voice at once
    bypass.setSampleRate(hostRate);  // an empty delay line, at the fade's end
}

// ---- Processing ---------------------------------------------------------------

clap_process_status TalkforgePlugin::process(const clap_process& p) {
    if (!active || blockLimit == 0) return kProcessError;
    if (p.audio_outputs)
        for (std::uint32_t i = 0; i < p.audio_outputs_count; ++i) p.audio_outputs[i].constant_mask = 0;

    currentOut = p.out_events;
    currentTime = 0;
    outgoing.drain(p.out_events, 0);

    const clap_input_events* in = p.in_events;
    const std::uint32_t count = in ? in->size(in) : 0;
    const auto eventAt = [in](std::uint32_t i) { return in->get(in, i); };
    const std::uint32_t frames = p.frames_count;
    std::uint32_t next = 0;  // the next event to handle
    std::uint32_t start = 0;
    while (start < frames) {
        // Events due by now, those that cut the block at this frame included.
        for (; next < count; ++next) {
            const clap_event_header* e = eventAt(next);
            if (e && e->time > start) break;
            if (e) handleEvent(*e, 0);
        }
        // The stretch runs to the next event that cuts the block. Events a host
        // sent out of order act at the stretch's start.
        std::uint32_t end = frames - start > blockLimit ? start + blockLimit : frames;
        for (std::uint32_t i = next; i < count; ++i) {
            const clap_event_header* e = eventAt(i);
            if (!e) continue;
            if (e->time >= end) break;
            if (e->time > start && cutsTheBlock(*e)) {
                end = e->time;
                break;
            }
        }
        for (; next < count; ++next) {
            const clap_event_header* e = eventAt(next);
            if (e && e->time >= end) break;
            if (e) handleEvent(*e, e->time > start ? static_cast<std::int32_t>(e->time - start) : 0);
        }
        run(p, start, end - start);
        start = end;
    }
    // Events the host placed beyond the block act at its end.
    for (; next < count; ++next)
        if (const clap_event_header* e = eventAt(next)) handleEvent(*e, 0);
    currentOut = nullptr;
    return kProcessContinue;
}

void TalkforgePlugin::run(const clap_process& p, std::uint32_t start, std::uint32_t frames) {
    if (frames == 0) return;
    const auto at = [&](float* base, std::vector<float>& spare) { return base ? base + start : spare.data(); };
    const float* inputs[kNumInputs] = {
        at(channelOf(p.audio_inputs, p.audio_inputs_count, kVoiceInput, 0), silence),
        at(channelOf(p.audio_inputs, p.audio_inputs_count, kCarrierInput, 0), silence),
    };
    float* outputs[kNumOutputs] = {
        at(channelOf(p.audio_outputs, p.audio_outputs_count, 0, 0), discard),
        at(channelOf(p.audio_outputs, p.audio_outputs_count, 0, 1), discard),
    };
    bypass.setBypassed(bypassOn.load(std::memory_order_relaxed));
    bypass.takeVoice(inputs[kVoiceInput], static_cast<int>(frames));
    engine.process(inputs, outputs, static_cast<int>(frames), hostRate);
    bypass.apply(outputs, static_cast<int>(frames));
}

void TalkforgePlugin::handleEvent(const clap_event_header& e, std::int32_t frame) {
    if (e.space_id != kCoreEventSpaceId) return;
    currentTime = e.time;
    switch (e.type) {
    case kEventParamValue:
        if (e.size >= sizeof(clap_event_param_value)) {
            const auto& v = reinterpret_cast<const clap_event_param_value&>(e);
            setFromHost(v.param_id, v.value);
        }
        return;
    case kEventNoteOn:
    case kEventNoteOff:
    case kEventNoteChoke:
    {
        if (e.size < sizeof(clap_event_note)) return;
        const auto& n = reinterpret_cast<const clap_event_note&>(e);
        if (!onNotePort(n.port_index) || n.key > 127) return;
        if (n.key < 0) {
            if (e.type != kEventNoteOn) engine.receiveMidi(frame, kController, kAllVoicesOffController, 0);
            return;
        }
        const auto key = static_cast<std::uint8_t>(n.key);
        // A CLAP note-on of velocity 0 still plays: MIDI would read it as a note-off.
        if (e.type == kEventNoteOn)
            engine.receiveMidi(frame, kNoteOn | midiChannel(n.channel), key, midiVelocity(n.velocity, 1));
        else
            engine.receiveMidi(frame, kNoteOff | midiChannel(n.channel), key, midiVelocity(n.velocity, 0));
        return;
    }
    case kEventMidi:
    {
        if (e.size < sizeof(clap_event_midi)) return;
        const auto& m = reinterpret_cast<const clap_event_midi&>(e);
        if (m.port_index == 0) engine.receiveMidi(frame, m.data[0], m.data[1], m.data[2]);
        return;
    }
    default:
        return;
    }
}

void TalkforgePlugin::setFromHost(clap_id id, double value) {
    if (id == kBypassId) {
        bypassOn.store(value >= 0.5, std::memory_order_relaxed);
        return;
    }
    const ParameterInfo* p = engineParameter(id);
    if (!p) return;
    engine.setParameter(p->index, engineValueOf(*p, value));
    tellEditor(p->index);
}

void TalkforgePlugin::engineChangedParameter(std::int32_t index, float value) {
    tellEditor(index);
    if (!currentOut || !isParamIndex(index)) return;
    // The pedal's doing: the host shows it but does not record it as automation.
    clap_event_param_value e{};
    e.header = {sizeof e, currentTime, kCoreEventSpaceId, kEventParamValue, kEventDontRecord};
    e.param_id = static_cast<clap_id>(index);
    e.note_id = -1;
    e.port_index = -1;
    e.channel = -1;
    e.key = -1;
    e.value = hostValueOf(kParameters[static_cast<std::size_t>(index)], value);
    currentOut->try_push(currentOut, &e.header);
}

void TalkforgePlugin::flush(const clap_input_events* in, const clap_output_events* out) {
    currentOut = out;
    currentTime = 0;
    outgoing.drain(out, 0);
    const std::uint32_t count = in ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header* e = in->get(in, i);
        if (e && e->space_id == kCoreEventSpaceId && e->type == kEventParamValue) handleEvent(*e, 0);
    }
    currentOut = nullptr;
}

// ---- Parameters -------------------------------------------------------------------

bool TalkforgePlugin::paramInfo(std::uint32_t index, clap_param_info& info) const {
    if (index >= kNumClapParams) return false;
    info = {};
    info.flags = kParamIsAutomatable;
    if (index == kNumParams) {
        info.id = kBypassId;
        info.flags |= kParamIsBypass | kParamIsStepped;
        copyText(info.name, kBypassName, sizeof info.name);
        info.max_value = 1.0;
        return true;
    }
    const ParameterInfo& p = kParameters[index];
    info.id = static_cast<clap_id>(p.index);
    copyText(info.name, p.name, sizeof info.name);
    copyText(info.module, p.index >= kBand1 ? kBandsModule : "", sizeof info.module);
    if (isStepped(p)) {
        info.flags |= kParamIsStepped;
        if (p.display == ParamDisplay::kChoice) info.flags |= kParamIsEnum;
    }
    info.max_value = isStepped(p) ? p.steps : 1.0;
    info.default_value = hostValueOf(p, p.defaultValue);
    return true;
}

bool TalkforgePlugin::paramValue(clap_id id, double& value) const {
    if (id == kBypassId) {
        value = bypassOn.load() ? 1.0 : 0.0;
        return true;
    }
    const ParameterInfo* p = engineParameter(id);
    if (!p) return false;
    value = hostValueOf(*p, engine.getParameter(p->index));
    return true;
}

bool TalkforgePlugin::valueText(clap_id id, double value, char* text, std::uint32_t capacity) const {
    if (!text || capacity == 0) return false;
    if (id == kBypassId) {
        copyText(text, kBypassTexts[value >= 0.5 ? 1 : 0], capacity);
        return true;
    }
    const ParameterInfo* p = engineParameter(id);
    if (!p) return false;
    char display[kParamTextSize] = {};
    parameterDisplay(p->index, engineValueOf(*p, value), display);
    // The display's blanks go; a level gets its unit.
    std::string_view shown(display);
    shown.remove_prefix(std::min(shown.find_first_not_of(' '), shown.size()));
    shown = shown.substr(0, shown.find_last_not_of(' ') + 1);
    std::string out(shown);
    if (std::strcmp(p->label, kDecibelLabel) == 0) out.append(" ").append(kDecibelLabel);
    copyText(text, out.c_str(), capacity);
    return true;
}

bool TalkforgePlugin::textValue(clap_id id, const char* text, double& value) const {
    if (!text) return false;
    if (id == kBypassId) {
        for (int i = 0; i < 2; ++i) {
            if (std::strcmp(text, kBypassTexts[i]) == 0 || (text[0] == '0' + i && text[1] == '\0')) {
                value = i;
                return true;
            }
        }
        return false;
    }
    const ParameterInfo* p = engineParameter(id);
    float v = 0.0f;
    if (!p || !parameterFromText(p->index, text, v)) return false;
    value = hostValueOf(*p, v);
    return true;
}

// ---- State --------------------------------------------------------------------------

bool TalkforgePlugin::save(const clap_ostream& stream) const {
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i) values[i] = engine.getParameter(i);
    std::string text = writeState(values);
    text.append(kBypassKey).append(bypassOn.load() ? " 1\n" : " 0\n");
    for (std::size_t done = 0; done < text.size();) {
        const std::int64_t n = stream.write(&stream, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TalkforgePlugin::load(const clap_istream& stream) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const std::int64_t n = stream.read(&stream, buffer, sizeof buffer);
        if (n < 0 || static_cast<std::uint64_t>(n) > sizeof buffer) return false;
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMaxStateBytes) return false;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i) values[i] = engine.getParameter(i);
    if (!readState(text, values)) return false;
    for (int i = 0; i < kNumParams; ++i) {
        engine.setParameter(i, values[i]);
        tellEditor(i);
    }
    bypassOn.store(bypassInState(text));
    if (hostParams) hostParams->rescan(hostRecord, kParamRescanValues);
    return true;
}

// ---- Changes from the editor ------------------------------------------------------------

void TalkforgePlugin::editParameter(std::int32_t index, float value, bool automated) {
    if (!isParamIndex(index)) return;
    engine.setParameter(index, value);
    tellEditor(index);
    outgoing.push(automated ? OutgoingChanges::Kind::kValue : OutgoingChanges::Kind::kValueNotRecorded,
                  static_cast<std::size_t>(index), static_cast<clap_id>(index),
                  hostValueOf(kParameters[static_cast<std::size_t>(index)], value));
    if (hostParams) hostParams->request_flush(hostRecord);
    if (hostState) hostState->mark_dirty(hostRecord);
}

void TalkforgePlugin::editGesture(std::int32_t index, bool begin) {
    if (!isParamIndex(index)) return;
    outgoing.push(begin ? OutgoingChanges::Kind::kBegin : OutgoingChanges::Kind::kEnd, static_cast<std::size_t>(index),
                  static_cast<clap_id>(index), 0.0);
    if (hostParams) hostParams->request_flush(hostRecord);
}

ClapEditor* TalkforgePlugin::makeEditor() {
    if (ClapEditor* e = editor()) return e;
    try {
        gui.store(new ClapEditor(*this), std::memory_order_release);
    } catch (...) {
    }
    return editor();
}

void TalkforgePlugin::tellEditor(std::int32_t index) const {
    if (ClapEditor* e = editor()) e->parameterChanged(index);
}

// ---- Extensions -----------------------------------------------------------------------

const void* TalkforgePlugin::extension(const char* extensionId) const {
    static const clap_plugin_audio_ports audioPorts = {
        [](const clap_plugin*, bool isInput) { return isInput ? kNumInputPorts : kNumOutputPorts; },
        [](const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
            if (!info || index >= (isInput ? kNumInputPorts : kNumOutputPorts)) return false;
            const AudioPort& port = isInput ? kInputPorts[index] : kOutputPorts[index];
            *info = {};
            info->id = index;
            copyText(info->name, port.name, sizeof info->name);
            info->flags = port.flags;
            info->channel_count = port.channels;
            info->port_type = port.type;
            info->in_place_pair = kInvalidId;
            return true;
        },
    };
    static const clap_plugin_note_ports notePorts = {
        [](const clap_plugin*, bool isInput) -> std::uint32_t { return isInput ? 1 : 0; },
        [](const clap_plugin*, std::uint32_t index, bool isInput, clap_note_port_info* info) {
            if (!info || !isInput || index != 0) return false;
            *info = {};
            info->id = 0;
            // Controllers and pitch bend come only as MIDI.
            info->supported_dialects = kNoteDialectClap | kNoteDialectMidi;
            info->preferred_dialect = kNoteDialectMidi;
            copyText(info->name, kNotePortName, sizeof info->name);
            return true;
        },
    };
    static const clap_plugin_params params = {
        [](const clap_plugin*) { return kNumClapParams; },
        [](const clap_plugin* p, std::uint32_t index, clap_param_info* info) {
            return info && of(p)->paramInfo(index, *info);
        },
        [](const clap_plugin* p, clap_id id, double* value) { return value && of(p)->paramValue(id, *value); },
        [](const clap_plugin* p, clap_id id, double value, char* text, std::uint32_t capacity) {
            try {
                return of(p)->valueText(id, value, text, capacity);
            } catch (...) {
                return false;
            }
        },
        [](const clap_plugin* p, clap_id id, const char* text, double* value) {
            return value && of(p)->textValue(id, text, *value);
        },
        [](const clap_plugin* p, const clap_input_events* in, const clap_output_events* out) { of(p)->flush(in, out); },
    };
    static const clap_plugin_latency latency = {[](const clap_plugin* p) { return of(p)->latency(); }};
    static const clap_plugin_state state = {
        [](const clap_plugin* p, const clap_ostream* stream) {
            try {
                return stream && stream->write && of(p)->save(*stream);
            } catch (...) {
                return false;
            }
        },
        [](const clap_plugin* p, const clap_istream* stream) {
            try {
                return stream && stream->read && of(p)->load(*stream);
            } catch (...) {
                return false;
            }
        },
    };

    const std::string_view ext(extensionId);
    if (ext == kExtAudioPorts) return &audioPorts;
    if (ext == kExtNotePorts) return &notePorts;
    if (ext == kExtParams) return &params;
    if (ext == kExtLatency) return &latency;
    if (ext == kExtState) return &state;
    return editorExtension(ext);
}

const clap_plugin* newPlugin(const clap_host* host) {
    auto* plugin = new (std::nothrow) TalkforgePlugin(host);
    if (plugin && !plugin->ready()) {
        delete plugin;
        return nullptr;
    }
    return plugin ? plugin->plugin() : nullptr;
}

}  // namespace tfclap
