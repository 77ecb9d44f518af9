#include "plugin/vst3/controller.h"

#include <cstring>
#include <new>
#include <string>

#include "plugin/vst3/classes.h"
#include "plugin/vst3/messages.h"
#include "plugin/vst3/stream.h"
#include "plugin/vst3/text16.h"
#include "plugin/vst3/view.h"
#include "vocoder/paramtext.h"
#include "vocoder/talkforge.h"

namespace tf::vst3plugin {

using namespace vst3;

Controller::Controller() {
    for (int i = 0; i < kNumVst3Parameters; ++i) {
        vst3::ParameterInfo info;
        describeParameter(i, info);
        values[static_cast<std::size_t>(i)] = info.defaultNormalizedValue;
    }
}

tresult Controller::queryInterface(const char* id, void** obj) {
    if (!obj) return kInvalidArgument;
    if (answer<IEditController>(id, obj) || answer<IPluginBase, IEditController>(id, obj) ||
        answer<FUnknown, IEditController>(id, obj) || answer<IEditController2>(id, obj) ||
        answer<IMidiMapping>(id, obj) || answer<IConnectionPoint>(id, obj))
        return kResultOk;
    return noInterface(obj);
}

// ---- IPluginBase ----

tresult Controller::initialize(FUnknown* hostContext) {
    if (!context) context = Ref<FUnknown>::share(hostContext);
    if (!host) host = Ref<IHostApplication>::query(hostContext);
    return kResultOk;
}

tresult Controller::terminate() {
    handler.reset();
    peer.reset();
    host.reset();
    context.reset();
    return kResultOk;
}

// ---- State ----

tresult Controller::setComponentState(IBStream* state) {
    if (!state) return kInvalidArgument;
    std::string text;
    if (!readStream(state, text)) return kResultFalse;
    float engineValues[kNumParams];
    for (int i = 0; i < kNumParams; ++i) engineValues[i] = getParameter(i);
    if (!readState(text, engineValues)) return kResultFalse;
    for (int i = 0; i < kNumParams; ++i) store(static_cast<ParamID>(i), engineValues[i]);
    return kResultOk;
}

// The controller keeps nothing of its own: everything is in the processor's state.
tresult Controller::setState(IBStream* state) { return state ? kResultOk : kInvalidArgument; }

tresult Controller::getState(IBStream* state) { return state ? kResultOk : kInvalidArgument; }

// ---- Parameters ----

tresult Controller::getParameterInfo(int32 paramIndex, vst3::ParameterInfo& info) {
    return describeParameter(paramIndex, info) ? kResultOk : kInvalidArgument;
}

tresult Controller::getParamStringByValue(ParamID id, ParamValue valueNormalized, char16* string) {
    if (!string) return kInvalidArgument;
    char text[kParamTextSize] = {};
    if (!parameterText(id, valueNormalized, text)) return kInvalidArgument;
    copyText16(string, kString128Length, text);
    return kResultOk;
}

tresult Controller::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) {
    if (!string) return kInvalidArgument;
    const std::string text = text8(string, kString128Length);
    return parameterValueOfText(id, text.c_str(), valueNormalized) ? kResultOk : kResultFalse;
}

ParamValue Controller::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
    const auto index = static_cast<std::int32_t>(id);
    if (!isParamIndex(index) || kParameters[id].steps == 0) return valueNormalized;
    return stepPosition(kParameters[id], engineValue(index, valueNormalized));
}

ParamValue Controller::plainParamToNormalized(ParamID id, ParamValue plainValue) {
    const auto index = static_cast<std::int32_t>(id);
    if (!isParamIndex(index) || kParameters[id].steps == 0) return plainValue;
    return clampedNormalized(plainValue / kParameters[id].steps);
}

ParamValue Controller::getParamNormalized(ParamID id) {
    const int i = listIndexOf(id);
    return i < 0 ? 0.0 : values[static_cast<std::size_t>(i)];
}

tresult Controller::setParamNormalized(ParamID id, ParamValue value) {
    if (listIndexOf(id) < 0) return kInvalidArgument;
    store(id, value);
    return kResultOk;
}

void Controller::store(ParamID id, ParamValue value) {
    const int i = listIndexOf(id);
    if (i < 0) return;
    values[static_cast<std::size_t>(i)] = clampedNormalized(value);
    if (isParamIndex(static_cast<std::int32_t>(id)))
        for (View* v : views) v->parameterChanged(static_cast<std::int32_t>(id));
}

tresult Controller::setComponentHandler(IComponentHandler* h) {
    handler = Ref<IComponentHandler>::share(h);
    return kResultOk;
}

IPlugView* Controller::createView(FIDString name) {
    if (!name || std::strcmp(name, kEditorViewName) != 0) return nullptr;
    auto* view = new (std::nothrow) View(*this);
    if (!view) return nullptr;
    views.push_back(view);
    return view;
}

void Controller::viewClosed(View* view) { std::erase(views, view); }

tresult Controller::setKnobMode(int32 mode) {
    if (mode < kCircularMode || mode > kLinearMode) return kInvalidArgument;
    knob = mode;
    for (View* v : views) v->setKnobMode(mode);
    return kResultOk;
}

// ---- MIDI mapping ----

tresult Controller::getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber number, ParamID& id) {
    if (busIndex != 0 || channel < 0 || channel > 15) return kResultFalse;
    const ParamID mapped = midiControllerParameter(number);
    if (mapped == kNoParamId) return kResultFalse;
    id = mapped;
    return kResultTrue;
}

// ---- Messages ----

tresult Controller::connect(IConnectionPoint* other) {
    if (!other) return kInvalidArgument;
    peer = Ref<IConnectionPoint>::share(other);
    return kResultOk;
}

tresult Controller::disconnect(IConnectionPoint* other) {
    if (other && other == peer.get()) peer.reset();
    return kResultOk;
}

tresult Controller::notify(IMessage* message) {
    IAttributeList* attributes = message ? message->getAttributes() : nullptr;
    if (!attributes) return kInvalidArgument;
    if (isMessage(message, kMeterValuesMessage)) {
        const void* data = nullptr;
        uint32 size = 0;
        if (attributes->getBinary(kMeterValuesAttribute, data, size) != kResultOk || size != sizeof(MeterValues))
            return kResultFalse;
        MeterValues v;
        std::memcpy(&v, data, sizeof v);
        // Raised as the engine raises them; the editor lets them fall.
        if (levels) {
            Relaxed<float>* level[3] = {&levels->modMeter, &levels->carMeter, &levels->outMeter};
            Relaxed<std::uint8_t>* fresh[3] = {&levels->modMeterFresh, &levels->carMeterFresh, &levels->outMeterFresh};
            for (int m = 0; m < 3; ++m) {
                if (v.fresh[m] && v.level[m] > *level[m]) *level[m] = v.level[m];
                *fresh[m] = static_cast<std::uint8_t>(*fresh[m] | v.fresh[m]);
            }
        }
        for (int b = 0; b < kNumBands; ++b) {
            if (v.band[b] > bands.bandMeter[b]) {
                bands.bandMeter[b] = v.band[b];
                bands.bandMeterHold[b] = kBandMeterHoldBlocks;
            }
        }
        return kResultOk;
    }
    if (isMessage(message, kLatencyMessage)) {
        if (handler) handler->restartComponent(kLatencyChanged);
        return kResultOk;
    }
    return kResultFalse;
}

void Controller::requestMeters() {
    if (levels) sendMessage(host.get(), peer.get(), kMeterRequestMessage, [](IAttributeList&) {});
}

// ---- The editor's side ----

float Controller::getParameter(std::int32_t index) {
    return isParamIndex(index) ? engineValue(index, values[static_cast<std::size_t>(index)]) : 0.0f;
}

void Controller::edit(std::int32_t index, float value) {
    if (!isParamIndex(index)) return;
    const ParamID id = static_cast<ParamID>(index);
    store(id, engineValue(index, value));
    if (!handler) return;
    const bool ownGesture = gestureDepth[static_cast<std::size_t>(index)] == 0;
    if (ownGesture) handler->beginEdit(id);
    handler->performEdit(id, values[static_cast<std::size_t>(index)]);
    if (ownGesture) handler->endEdit(id);
}

// The processor hears of every change only through the host, so the
// editor's changes without automation (the keyboard, the band sliders) are
// edits too.
void Controller::setParameter(std::int32_t index, float value) { edit(index, value); }

void Controller::setParameterAutomated(std::int32_t index, float value) { edit(index, value); }

void Controller::beginEdit(std::int32_t index) {
    if (!isParamIndex(index)) return;
    if (gestureDepth[static_cast<std::size_t>(index)]++ == 0 && handler)
        handler->beginEdit(static_cast<ParamID>(index));
}

void Controller::endEdit(std::int32_t index) {
    if (!isParamIndex(index) || gestureDepth[static_cast<std::size_t>(index)] == 0) return;
    if (--gestureDepth[static_cast<std::size_t>(index)] == 0 && handler) handler->endEdit(static_cast<ParamID>(index));
}

void Controller::attachLevelMeters(LevelMeterRecord* record) {
    levels = record;
    bands = BandMeterRecord{};
    sendMessage(host.get(), peer.get(), kMetersMessage,
                [&](IAttributeList& a) { a.setInt(kMetersOnAttribute, record ? 1 : 0); });
}

// ---- Creation ----

FUnknown* createController() {
    auto* c = new (std::nothrow) Controller;
    return c ? static_cast<IEditController*>(c) : nullptr;
}

}  // namespace tf::vst3plugin
