// The vocoder effect: parameters, programs, MIDI intake and the signal path.
#pragma once

#include <memory>

#include "host/audioeffectx.h"
#include "vocoder/parameters.h"
#include "vocoder/programs.h"

class AVoc : public AudioEffectX {
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
    VstInt32 getVendorVersion() override { return 1; }
    VstInt32 canDo(char* text) override;

    virtual void resetFilterState();  // audio thread
    virtual void updatePitchTable(float sampleRate);  // audio thread

    bool hasProgramBank() const { return programs != nullptr; }

    // Current value of a parameter by index, from its storage slot.
    float paramValue(int index) const { return paramValues[paramSlot(index)]; }

protected:
    std::unique_ptr<AVocProgram[]> programs;
    float paramValues[kNumParams] = {};
};
