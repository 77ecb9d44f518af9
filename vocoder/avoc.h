// The vocoder effect: parameters, programs, MIDI intake and the signal path.
#pragma once

#include <atomic>
#include <memory>

#include "host/audioeffectx.h"
#include "host/version.h"
#include "vocoder/codepath.h"
#include "vocoder/parameters.h"
#include "vocoder/programs.h"
#include "vocoder/staged.h"

// The signal state is a base so that the staged code path can take it whole.
class AVoc : public AudioEffectX, protected SignalState {
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

    virtual void resetFilterState();  // audio thread
    virtual void updatePitchTable(float sampleRate);  // audio thread

    bool hasProgramBank() const { return programs != nullptr; }

    // Current value of a parameter by index, from its storage slot.
    float paramValue(int index) const { return paramValues[paramSlot(index)]; }

    // ---- Signal path: code path ----
    // A new instance takes the fastest path the processor supports; every path
    // gives the same output. Tests choose one; a path the processor cannot run
    // is refused (false). UI thread, while no block runs.
    bool useCodePath(CodePath path);
    CodePath codePath() const { return path; }

    // ---- Signal path: meters ----
    // The level meters go to a record owned by their reader (the editor), which
    // attaches it while it shows the meters; without one, no meter (level or
    // band) is updated. Any thread; a block already running may still write the
    // record it started with once, so the record outlives its attachment.
    void attachLevelMeters(LevelMeterRecord* record) { levelMeters.store(record, std::memory_order_release); }
    BandMeterRecord& bandMeters() { return bandMeterRecord; }

protected:
    std::unique_ptr<AVocProgram[]> programs;
    float paramValues[kNumParams] = {};

    // ---- Signal path (frame.cpp, midi_intake.cpp, the stage files and the staged path) ----
    // Each stage keeps its state in fixed arrays; the bands' state is laid out by
    // field so that the 54 bands run as independent lanes.
    void recoverNonFiniteState();  // resets the signal state if any of it became NaN or infinite
    BlockValues beginBlock();      // the block's snapshot of the parameters, rate check, event bank
    void runFrames(const BlockValues& block, float** inputs, float** outputs, VstInt32 sampleFrames,
                   BlockPeaks& peaks);  // the frame-by-frame code path
    void runFrame(const BlockValues& block, int readIndex, BlockPeaks& peaks);  // one processed frame
    int waveformChoice() const;    // 0 Sawtooth, 1 Square, 2 Pulse 25, 3 Pulse 10

    CodePath path = defaultCodePath();
    BandMeterRecord bandMeterRecord;
    std::atomic<LevelMeterRecord*> levelMeters{nullptr};
};
