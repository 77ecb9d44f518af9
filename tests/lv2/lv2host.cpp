#include "tests/lv2/lv2host.h"

#include <dlfcn.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <cstring>
#include <stdexcept>

#include "plugin/lv2/ports.h"

namespace lv2test {

// ---- UridTable ----

UridTable::UridTable() {
    mapFeature.handle = this;
    mapFeature.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridTable*>(h)->id(uri); };
    unmapFeature.handle = this;
    unmapFeature.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID id) {
        const auto* t = static_cast<UridTable*>(h);
        return id >= 1 && id <= t->uris.size() ? t->uris[id - 1].c_str() : nullptr;
    };
}

LV2_URID UridTable::id(const std::string& uri) {
    for (std::size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri) return LV2_URID(i + 1);
    uris.push_back(uri);
    return LV2_URID(uris.size());
}

std::string UridTable::uri(LV2_URID id) const { return id >= 1 && id <= uris.size() ? uris[id - 1] : ""; }

// ---- Bundle ----

Bundle::Bundle() : world_(lilv_world_new()) {
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, TALKFORGE_LV2_BUNDLE "/");
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world_, tf::lv2::kPluginUri);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
    if (!plugin_) throw std::runtime_error("the bundle describes no plug-in with Talkforge's URI");
}

Bundle::~Bundle() { lilv_world_free(world_); }

std::uint32_t Bundle::index(const std::string& symbol) const {
    LilvNode* s = lilv_new_string(world_, symbol.c_str());
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, s);
    lilv_node_free(s);
    if (!port) throw std::runtime_error("no port with symbol " + symbol);
    return lilv_port_get_index(plugin_, port);
}

std::string Bundle::uiBinary() const {
    LilvUIs* uis = lilv_plugin_get_uis(plugin_);
    std::string path;
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* ui = lilv_uis_get(uis, i);
        char* file = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        path = file;
        lilv_free(file);
    }
    lilv_uis_free(uis);
    return path;
}

// ---- DspHost ----

namespace {
constexpr std::size_t kAtomBufferWords = 8192;  // 64 KiB per sequence
}

DspHost::DspHost(Bundle& b, double rate, bool map) : bundle(b) {
    LV2_Feature mapFeature{LV2_URID__map, urids.map()};
    const LV2_Feature* withMap[] = {&mapFeature, nullptr};
    const LV2_Feature* none[] = {nullptr};
    instance = lilv_plugin_instantiate(bundle.plugin(), rate, map ? withMap : none);
    if (!instance) throw std::runtime_error("the plug-in refused to instantiate");
    lv2_atom_forge_init(&forge, urids.map());
    midiBuffer.assign(kAtomBufferWords, 0);
    notifyBuffer.assign(kAtomBufferWords, 0);
    // Every control input at its default, as hosts start.
    for (const ParameterInfo& p : kParameters) controls[std::uint32_t(p.index)] = tf::lv2::portRange(p.index).defaultValue;
    controls[tf::lv2::kEnabledPort] = 1.0f;
    for (auto& [index, value] : controls) lilv_instance_connect_port(instance, index, &value);
    lilv_instance_connect_port(instance, tf::lv2::kLatencyPort, &latencyValue);
    lilv_instance_activate(instance);
    openSequence();
}

DspHost::~DspHost() {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

float& DspHost::control(const std::string& symbol) { return controls.at(bundle.index(symbol)); }

void DspHost::activate() {
    lilv_instance_deactivate(instance);
    lilv_instance_activate(instance);
}

void DspHost::openSequence() {
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(midiBuffer.data()),
                              midiBuffer.size() * sizeof(std::uint64_t));
    lv2_atom_forge_sequence_head(&forge, &sequenceFrame, 0);
    sequenceOpen = true;
}

void DspHost::midi(std::int64_t frame, std::vector<std::uint8_t> bytes) {
    lv2_atom_forge_frame_time(&forge, frame);
    lv2_atom_forge_atom(&forge, std::uint32_t(bytes.size()), urids.id(LV2_MIDI__MidiEvent));
    lv2_atom_forge_write(&forge, bytes.data(), std::uint32_t(bytes.size()));
}

void DspHost::requestMeters(std::int64_t frame) {
    lv2_atom_forge_frame_time(&forge, frame);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, urids.id(tf::lv2::kMeterRequestUri));
    lv2_atom_forge_pop(&forge, &object);
}

void DspHost::connectAll() {
    const std::vector<std::uint32_t> order =
        connectOrder.empty() ? std::vector<std::uint32_t>{tf::lv2::kVoicePort, tf::lv2::kCarrierPort,
                                                          tf::lv2::kOutput1Port, tf::lv2::kOutput2Port,
                                                          tf::lv2::kMidiPort, tf::lv2::kNotifyPort}
                             : connectOrder;
    for (std::uint32_t port : order) {
        void* data = nullptr;
        switch (port) {
        case tf::lv2::kVoicePort: data = voice.data(); break;
        case tf::lv2::kCarrierPort: data = carrier.data(); break;
        case tf::lv2::kOutput1Port: data = out1.data(); break;
        case tf::lv2::kOutput2Port: data = out2.data(); break;
        case tf::lv2::kMidiPort: data = connectMidi ? midiBuffer.data() : nullptr; break;
        case tf::lv2::kNotifyPort: data = connectNotify ? notifyBuffer.data() : nullptr; break;
        default: data = &controls.at(port); break;
        }
        lilv_instance_connect_port(instance, port, data);
    }
}

void DspHost::run(std::uint32_t frames) {
    for (auto* v : {&voice, &carrier, &out1, &out2})
        if (v->size() < frames) v->resize(frames, 0.0f);
    lv2_atom_forge_pop(&forge, &sequenceFrame);
    // The notify buffer's capacity, as hosts hand an output sequence over.
    auto* notify = reinterpret_cast<LV2_Atom*>(notifyBuffer.data());
    notify->type = urids.id(LV2_ATOM__Chunk);
    notify->size = std::uint32_t(notifyBuffer.size() * sizeof(std::uint64_t) - sizeof(LV2_Atom));
    connectAll();
    if (duringRun) *duringRun = true;
    lilv_instance_run(instance, frames);
    if (duringRun) *duringRun = false;
    readNotices();
    openSequence();
}

void DspHost::readNotices() {
    notices.clear();
    if (!connectNotify) return;
    const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notifyBuffer.data());
    if (seq->atom.type != urids.id(LV2_ATOM__Sequence)) return;
    LV2_ATOM_SEQUENCE_FOREACH(seq, ev) {
        Notice n;
        n.frame = ev->time.frames;
        if (ev->body.type != urids.id(LV2_ATOM__Object)) continue;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        n.type = urids.uri(object->body.otype);
        LV2_ATOM_OBJECT_FOREACH(object, prop) {
            const std::string key = urids.uri(prop->key);
            if (key == tf::lv2::kMeterValuesUri && prop->value.type == urids.id(LV2_ATOM__Vector)) {
                const auto* body = reinterpret_cast<const LV2_Atom_Vector_Body*>(&prop->value + 1);
                const auto* values = reinterpret_cast<const float*>(body + 1);
                const std::size_t count = (prop->value.size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float);
                n.meters.assign(values, values + count);
            } else if (key == tf::lv2::kParameterIndexUri) {
                n.index = reinterpret_cast<const LV2_Atom_Int*>(&prop->value)->body;
            } else if (key == tf::lv2::kParameterValueUri) {
                n.value = reinterpret_cast<const LV2_Atom_Float*>(&prop->value)->body;
            }
        }
        notices.push_back(n);
    }
}

// ---- UiHost ----

UiHost::UiHost(Bundle& bundle) {
    const std::string binary = bundle.uiBinary();
    bundlePath = binary.substr(0, binary.rfind('/') + 1);
    library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) throw std::runtime_error(std::string("cannot load the UI: ") + dlerror());
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
    if (!descriptor) throw std::runtime_error("the UI module has no descriptor");
    idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    resize.handle = this;
    resize.ui_resize = [](LV2UI_Feature_Handle h, int w, int hgt) {
        static_cast<UiHost*>(h)->resizedWidth = w;
        static_cast<UiHost*>(h)->resizedHeight = hgt;
        return 0;
    };
    touch.handle = this;
    touch.touch = [](LV2UI_Feature_Handle h, std::uint32_t port, bool grabbed) {
        static_cast<UiHost*>(h)->touches.push_back({port, grabbed});
    };
}

UiHost::~UiHost() {
    close();
    dlclose(library);
}

bool UiHost::open(unsigned long parent, bool withTouch) {
    LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    LV2_Feature mapFeature{LV2_URID__map, urids.map()};
    LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    LV2_Feature touchFeature{LV2_UI__touch, &touch};
    LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&parentFeature, &mapFeature, &resizeFeature, &idleFeature,
                                     withTouch ? &touchFeature : nullptr, nullptr};
    LV2UI_Widget w = nullptr;
    handle = descriptor->instantiate(descriptor, tf::lv2::kPluginUri, bundlePath.c_str(), write, this, &w, features);
    widgetId = handle ? reinterpret_cast<unsigned long>(w) : 0;
    return handle != nullptr;
}

void UiHost::close() {
    if (handle) descriptor->cleanup(handle);
    handle = nullptr;
    widgetId = 0;
}

int UiHost::idle() { return handle && idleInterface ? idleInterface->idle(handle) : 0; }

void UiHost::portEvent(std::uint32_t port, float value) {
    if (handle) descriptor->port_event(handle, port, sizeof value, 0, &value);
}

void UiHost::send(const LV2_Atom* atom) {
    if (handle)
        descriptor->port_event(handle, tf::lv2::kNotifyPort, std::uint32_t(lv2_atom_total_size(atom)),
                               urids.id(LV2_ATOM__eventTransfer), atom);
}

void UiHost::meters(const std::vector<float>& values) {
    std::vector<std::uint64_t> buffer(256);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, urids.map());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size() * 8);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, urids.id(tf::lv2::kMetersUri));
    lv2_atom_forge_key(&forge, urids.id(tf::lv2::kMeterValuesUri));
    lv2_atom_forge_vector(&forge, sizeof(float), forge.Float, std::uint32_t(values.size()), values.data());
    lv2_atom_forge_pop(&forge, &object);
    send(reinterpret_cast<const LV2_Atom*>(buffer.data()));
}

void UiHost::parameterChange(int index, float value) {
    std::vector<std::uint64_t> buffer(32);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, urids.map());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size() * 8);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, urids.id(tf::lv2::kParameterChangeUri));
    lv2_atom_forge_key(&forge, urids.id(tf::lv2::kParameterIndexUri));
    lv2_atom_forge_int(&forge, index);
    lv2_atom_forge_key(&forge, urids.id(tf::lv2::kParameterValueUri));
    lv2_atom_forge_float(&forge, value);
    lv2_atom_forge_pop(&forge, &object);
    send(reinterpret_cast<const LV2_Atom*>(buffer.data()));
}

void UiHost::write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer) {
    auto* host = static_cast<UiHost*>(controller);
    Write w{port, format, 0.0f, ""};
    if (format == 0 && size == sizeof(float)) {
        std::memcpy(&w.value, buffer, sizeof(float));
    } else if (format == host->urids.id(LV2_ATOM__eventTransfer) && size >= sizeof(LV2_Atom_Object)) {
        const auto* object = static_cast<const LV2_Atom_Object*>(buffer);
        w.type = host->urids.uri(object->body.otype);
    }
    host->writes.push_back(w);
}

}  // namespace lv2test
