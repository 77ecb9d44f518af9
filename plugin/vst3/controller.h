// The edit controller: the parameters as hosts list and show them, the
// values the host sets, MIDI mapping, and the editor's view. It hears from
// the processor only through messages (the latency, the meters).
#pragma once

#include <array>
#include <vector>

#include "editor/controller.h"
#include "plugin/vst3/abi/controller.h"
#include "plugin/vst3/object.h"
#include "plugin/vst3/parameters.h"
#include "vocoder/meters.h"

namespace tf::vst3plugin {

class View;

class Controller final : public vst3::Object<Controller, vst3::IEditController, vst3::IEditController2,
                                             vst3::IMidiMapping, vst3::IConnectionPoint>,
                         public EditorController {
public:
    Controller();

    // FUnknown. Any thread.
    vst3::tresult queryInterface(const char* id, void** obj) override;

    // IPluginBase, IEditController. UI thread.
    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;
    vst3::tresult setComponentState(vst3::IBStream* state) override;
    vst3::tresult setState(vst3::IBStream* state) override;
    vst3::tresult getState(vst3::IBStream* state) override;
    vst3::int32 getParameterCount() override { return kNumVst3Parameters; }
    vst3::tresult getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) override;
    vst3::tresult getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                        vst3::char16* string) override;
    vst3::tresult getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                        vst3::ParamValue& valueNormalized) override;
    vst3::ParamValue normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
    vst3::ParamValue plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) override;
    vst3::ParamValue getParamNormalized(vst3::ParamID id) override;
    vst3::tresult setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* createView(vst3::FIDString name) override;

    // IEditController2.
    vst3::tresult setKnobMode(vst3::int32 mode) override;
    vst3::tresult openHelp(vst3::TBool) override { return vst3::kNotImplemented; }
    vst3::tresult openAboutBox(vst3::TBool) override { return vst3::kNotImplemented; }

    // IMidiMapping. Any thread.
    vst3::tresult getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                              vst3::CtrlNumber midiControllerNumber, vst3::ParamID& id) override;

    // IConnectionPoint.
    vst3::tresult connect(vst3::IConnectionPoint* other) override;
    vst3::tresult disconnect(vst3::IConnectionPoint* other) override;
    vst3::tresult notify(vst3::IMessage* message) override;

    // EditorController: the editor's view of the parameters. UI thread.
    float getParameter(std::int32_t index) override;
    void setParameter(std::int32_t index, float value) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    void beginEdit(std::int32_t index) override;
    void endEdit(std::int32_t index) override;
    void attachLevelMeters(LevelMeterRecord* record) override;
    BandMeterRecord& bandMeters() override { return bands; }
    void idleHost() override {}

    // For the views: the host's context (its run loop), the knob mode, and
    // the meters' request to the processor, sent from a view's timer.
    vst3::FUnknown* hostContext() const { return context.get(); }
    int knobMode() const { return knob; }
    void requestMeters();
    void viewClosed(View* view);

private:
    friend class vst3::Object<Controller, vst3::IEditController, vst3::IEditController2, vst3::IMidiMapping,
                              vst3::IConnectionPoint>;
    ~Controller() = default;

    // Stores a value the host or the editor set and shows it in the views.
    void store(vst3::ParamID id, vst3::ParamValue value);
    // One edit of the editor's sent to the host: inside the editor's own
    // gesture, or as a gesture of its own.
    void edit(std::int32_t index, float value);

    std::array<vst3::ParamValue, kNumVst3Parameters> values{};
    std::array<int, kNumParams> gestureDepth{};
    vst3::Ref<vst3::IComponentHandler> handler;
    vst3::Ref<vst3::FUnknown> context;
    vst3::Ref<vst3::IHostApplication> host;
    vst3::Ref<vst3::IConnectionPoint> peer;
    int knob = 0;
    std::vector<View*> views;

    // The meters as the processor reports them; the editor lets them fall.
    LevelMeterRecord* levels = nullptr;
    BandMeterRecord bands;
};

}  // namespace tf::vst3plugin
