// The VST 2 effect: the record, the dispatcher's operations and the host's
// services over the format-free vocoder engine.
#pragma once

#include "host/audioeffectx.h"
#include "host/version.h"
#include "vocoder/engine.h"

class AVoc : public AudioEffectX, private EngineListener {
public:
    explicit AVoc(audioMasterCallback master);
    ~AVoc() override;

    void setParameter(VstInt32 index, float value) override;  // any thread
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;  // audio thread
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;  // audio thread

    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    void suspend() override {}
    void resume() override;
    VstInt32 processEvents(VstEvents* events) override;  // audio thread
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kTalkforgeVendorVersion; }
    VstInt32 canDo(char* text) override;

    virtual void resetFilterState() { engine.resetFilterState(); }  // audio thread
    virtual void updatePitchTable(float rate) { engine.updatePitchTable(rate); }  // audio thread

    bool hasProgramBank() const { return engine.ready(); }
    // Current value of a parameter by index.
    float paramValue(int index) const { return engine.paramValue(index); }

    // The signal path's code path (see VocoderEngine). UI thread, while no block runs.
    bool useCodePath(CodePath wanted) { return engine.useCodePath(wanted); }
    CodePath codePath() const { return engine.codePath(); }

    // The meters, for the editor (see VocoderEngine). Any thread.
    void attachLevelMeters(LevelMeterRecord* record) { engine.attachLevelMeters(record); }
    BandMeterRecord& bandMeters() { return engine.bandMeters(); }

private:
    // The sustain pedal switched Freeze or Flat: the host and the editor hear of it.
    void engineChangedParameter(std::int32_t index, float value) override { setParameterAutomated(index, value); }

    VocoderEngine engine;
};
