// The LV2 UI module: the editor in the host's X11 window, talking to the DSP
// only through ports. User edits become port writes (inside ui:touch
// gestures where the host offers them), port events from the host reach the
// controls at once, and the meters rise from the DSP's meter messages and
// fall at the editor's own idle, as they do in the VST 2 editor.
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/ui/ui.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "editor/avoceditor.h"
#include "editor/controller.h"
#include "plugin/lv2/messages.h"
#include "plugin/lv2/ports.h"
#include "plugin/lv2/x11window.h"
#include "vocoder/meters.h"

namespace tf::lv2 {
namespace {

// The editor draws at most this often: the host may idle the UI faster.
constexpr std::uint32_t kDrawEveryMs = 33;
constexpr std::uint32_t kMeterRequestEveryMs = std::uint32_t(kMeterRequestEverySeconds * 1000.0);
constexpr std::uint32_t kFloatProtocol = 0;

class Ui final : public EditorController {
public:
    Ui(LV2UI_Write_Function writePort, LV2UI_Controller controller, LV2_URID_Map* map, const LV2UI_Touch* touchPort)
        : write(writePort), host(controller), touch(touchPort) {
        for (const ParameterInfo& p : kParameters) values[std::size_t(p.index)] = p.defaultValue;
        if (map) {
            urids.emplace(*map);
            lv2_atom_forge_init(&forge, map);
        }
        editor = std::make_unique<AVocEditor>(*this);
    }
    ~Ui() { editor->close(); }  // the editor detaches the meters while this still exists

    // The editor's window in `parent`; its X11 window, or 0 when none could be made.
    std::uintptr_t open(void* parent) {
        return editor->open(parent) ? nativeWindow(*editor) : 0;
    }
    int width() const { return editor->getWidth(); }
    int height() const { return editor->getHeight(); }

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer);
    int idle();

    // EditorController
    float getParameter(std::int32_t index) override { return isParamIndex(index) ? values[std::size_t(index)] : 0.0f; }
    void setParameter(std::int32_t index, float value) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    void beginEdit(std::int32_t index) override { grab(index, true); }
    void endEdit(std::int32_t index) override { grab(index, false); }
    void attachLevelMeters(LevelMeterRecord* record) override;
    BandMeterRecord& bandMeters() override { return bands; }

private:
    void store(std::int32_t index, float value);
    void grab(std::int32_t index, bool on);
    void requestMeters();
    void takeMessage(const LV2_Atom* atom);
    void raiseMeters(const float* meterValues);

    LV2UI_Write_Function write;
    LV2UI_Controller host;
    const LV2UI_Touch* touch;
    std::optional<Urids> urids;
    LV2_Atom_Forge forge{};
    std::unique_ptr<AVocEditor> editor;

    std::array<float, kNumParams> values{};
    std::array<int, kNumParams> gestures{};  // open touch gestures per parameter
    LevelMeterRecord* levels = nullptr;
    BandMeterRecord bands;
    std::uint32_t lastDraw = 0;
    std::uint32_t lastMeterRequest = 0;
    bool meterRequestDue = false;
};

// The value is the UI's own from now on; the port gets the value's step.
void Ui::store(std::int32_t index, float value) {
    values[std::size_t(index)] = value;
    const float port = portValueOf(index, value);
    write(host, std::uint32_t(index), sizeof port, kFloatProtocol, &port);
    editor->setParameter(index, value);
}

void Ui::setParameter(std::int32_t index, float value) {
    if (isParamIndex(index)) store(index, value);
}

// An edit outside a gesture is a gesture of its own, so that a host recording
// touched controls records it.
void Ui::setParameterAutomated(std::int32_t index, float value) {
    if (!isParamIndex(index)) return;
    const bool single = gestures[std::size_t(index)] == 0;
    if (single) grab(index, true);
    store(index, value);
    if (single) grab(index, false);
}

void Ui::grab(std::int32_t index, bool on) {
    if (!isParamIndex(index)) return;
    int& open = gestures[std::size_t(index)];
    if (!on && open == 0) return;
    open += on ? 1 : -1;
    if (touch && open == (on ? 1 : 0)) touch->touch(touch->handle, std::uint32_t(index), on);
}

// The first request goes at the next idle: a host may not take writes before
// the UI's instantiation returns.
void Ui::attachLevelMeters(LevelMeterRecord* record) {
    levels = record;
    meterRequestDue = levels != nullptr;
}

void Ui::requestMeters() {
    lastMeterRequest = CEditorBase::getTicks();
    meterRequestDue = false;
    if (!urids) return;
    alignas(LV2_Atom) std::uint8_t buffer[64];
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
    LV2_Atom_Forge_Frame frame;
    const LV2_Atom_Forge_Ref ref = lv2_atom_forge_object(&forge, &frame, 0, urids->meterRequest);
    if (!ref) return;
    lv2_atom_forge_pop(&forge, &frame);
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
    write(host, kMidiPort, std::uint32_t(lv2_atom_total_size(atom)), urids->atomEventTransfer, atom);
}

void Ui::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    if (!buffer) return;
    if (port < kNumParams && format == kFloatProtocol && size == sizeof(float)) {
        float portValue;
        std::memcpy(&portValue, buffer, sizeof portValue);
        const auto index = std::int32_t(port);
        // A value showing the step the port already has stays: the knobs of
        // stepped parameters keep the place the user left them at.
        const float shown = values[std::size_t(index)];
        if (portValueOf(index, shown) == portValue) return;
        values[std::size_t(index)] = parameterValueOf(index, portValue);
        editor->setParameter(index, values[std::size_t(index)]);
    } else if (port == kNotifyPort && urids && format == urids->atomEventTransfer && size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (lv2_atom_total_size(atom) <= size) takeMessage(atom);
    }
}

void Ui::takeMessage(const LV2_Atom* atom) {
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    if (isObjectOf(forge, *urids, atom, urids->meters)) {
        const LV2_Atom* vector = nullptr;
        lv2_atom_object_get(object, urids->meterValues, &vector, 0);
        if (!vector || vector->type != forge.Vector || vector->size < sizeof(LV2_Atom_Vector_Body)) return;
        const auto* body = reinterpret_cast<const LV2_Atom_Vector_Body*>(vector + 1);
        const std::size_t count = (vector->size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float);
        if (body->child_type != forge.Float || body->child_size != sizeof(float) || count != kNumMeterValues) return;
        float meterValues[kNumMeterValues];
        std::memcpy(meterValues, body + 1, sizeof meterValues);
        raiseMeters(meterValues);
    } else if (isObjectOf(forge, *urids, atom, urids->parameterChange)) {
        const LV2_Atom* index = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, urids->parameterIndex, &index, urids->parameterValue, &value, 0);
        if (!index || !value || index->type != forge.Int || value->type != forge.Float) return;
        const std::int32_t i = reinterpret_cast<const LV2_Atom_Int*>(index)->body;
        if (!isParamIndex(i)) return;
        values[std::size_t(i)] = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
        editor->setParameter(i, values[std::size_t(i)]);
    }
}

// As the signal path raises the VST 2 editor's meters at the end of a block.
void Ui::raiseMeters(const float* meterValues) {
    if (!levels) return;
    const std::array<Relaxed<float>*, 3> level = {&levels->modMeter, &levels->carMeter, &levels->outMeter};
    const std::array<Relaxed<std::uint8_t>*, 3> fresh = {&levels->modMeterFresh, &levels->carMeterFresh,
                                                         &levels->outMeterFresh};
    for (std::size_t i = 0; i < level.size(); ++i) {
        if (meterValues[i] > *level[i]) {
            *level[i] = meterValues[i];
            *fresh[i] = 1;
        }
    }
    for (int b = 0; b < kNumBands; ++b) {
        if (meterValues[3 + b] > bands.bandMeter[b]) {
            bands.bandMeter[b] = meterValues[3 + b];
            bands.bandMeterHold[b] = kBandMeterHoldBlocks;
        }
    }
}

int Ui::idle() {
    const std::uint32_t now = CEditorBase::getTicks();
    if (levels && (meterRequestDue || now - lastMeterRequest >= kMeterRequestEveryMs)) requestMeters();
    if (now - lastDraw < kDrawEveryMs) return 0;
    lastDraw = now;
    editor->idle();
    return 0;
}

// ---- The UI descriptor ----

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (!write || !widget || !pluginUri || std::strcmp(pluginUri, kPluginUri) != 0) return nullptr;
    void* parent = nullptr;
    LV2_URID_Map* map = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    const char* missing = lv2_features_query(features, LV2_UI__parent, &parent, true, LV2_URID__map, &map, false,
                                             LV2_UI__resize, &resize, false, LV2_UI__touch, &touch, false, nullptr);
    if (missing) return nullptr;
    try {
        auto ui = std::make_unique<Ui>(write, controller, map, touch);
        const std::uintptr_t window = ui->open(parent);
        if (!window) return nullptr;
        if (resize) resize->ui_resize(resize->handle, ui->width(), ui->height());
        *widget = reinterpret_cast<LV2UI_Widget>(window);
        return ui.release();
    } catch (...) {
        return nullptr;
    }
}

Ui& of(LV2UI_Handle handle) { return *static_cast<Ui*>(handle); }

void cleanup(LV2UI_Handle handle) { delete &of(handle); }

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    try {
        of(handle).portEvent(port, size, format, buffer);
    } catch (...) {  // nothing crosses into the host
    }
}

int idle(LV2UI_Handle handle) {
    try {
        return of(handle).idle();
    } catch (...) {
        return 0;
    }
}

const LV2UI_Idle_Interface kIdleInterface = {idle};

const void* extensionData(const char* uri) {
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace tf::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &tf::lv2::kDescriptor : nullptr;
}
