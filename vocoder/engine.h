// The vocoder without any plug-in format: parameters, the program bank, MIDI
// intake, the signal path and its meters, driven with plain float buffers, a
// frame count, a sample rate and timed MIDI messages. Each plug-in form (the
// VST 2 effect AVoc, and the others) is a thin adapter over one of these.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "base/relaxed.h"
#include "vocoder/codepath.h"
#include "vocoder/parameters.h"
#include "vocoder/staged.h"

// Program names hold at most this many bytes, NUL included.
inline constexpr int kProgramNameSize = 24;

// One program: the 76 parameter values in storage-slot order and a name.
// The current program's values are set from any thread, as the parameters are.
struct AVocProgram {
    AVocProgram();  // the "Empty" program

    Relaxed<float> values[kNumParams];
    char name[kProgramNameSize];
};

// The order in which a program's values are applied: the named parameters
// grouped by function, then the bands.
extern const std::array<std::int8_t, kNumParams> kProgramApplyOrder;

// Told of what the engine changes by itself.
class EngineListener {
public:
    // The engine has set a parameter on its own: the sustain pedal switched
    // Freeze or Flat. Audio thread, from receiveMidi.
    virtual void engineChangedParameter(std::int32_t index, float value) = 0;

protected:
    ~EngineListener() = default;
};

// The signal state is a base so that the staged code path can take it whole.
class VocoderEngine : protected SignalState {
public:
    // The tables are built for `sampleRate` until a block brings another.
    explicit VocoderEngine(float sampleRate = 44100.0f);
    ~VocoderEngine();
    VocoderEngine(const VocoderEngine&) = delete;
    VocoderEngine& operator=(const VocoderEngine&) = delete;

    // False when the program bank could not be allocated; such an engine
    // keeps its parameters but has no programs.
    bool ready() const { return programs != nullptr; }
    void setListener(EngineListener* l) { listener = l; }

    // ---- Parameters (any thread) ----
    // Stores the value unchanged, in the current values and the current
    // program; indices outside 0..75 are ignored.
    void setParameter(std::int32_t index, float value);
    // The current value; 0 outside 0..75.
    float getParameter(std::int32_t index) const { return isParamIndex(index) ? paramValue(index) : 0.0f; }
    // The current value of a valid index, from its storage slot.
    float paramValue(int index) const { return paramValues[paramSlot(index)]; }

    // ---- Programs (not while a block runs) ----
    int currentProgram() const { return programNumber; }
    // Makes `program` current without applying its values; false for a number
    // outside the bank or without one.
    bool selectProgram(int program);
    // Selects `program` and applies its values in kProgramApplyOrder.
    void setProgram(int program);
    // A value as program `program` holds it (a valid program and index).
    float programValue(int program, int index) const { return programs[program].values[paramSlot(index)]; }
    void setProgramName(const char* name);
    // The current program's name ("Init" reads "Init <number>"); text holds kProgramNameSize bytes.
    void getProgramName(char* text) const;
    // The stored name of any program; false for a number outside the bank.
    bool getProgramNameIndexed(int program, char* text) const;
    // Copies the current program over `destination`.
    bool copyProgram(int destination);

    // ---- MIDI (audio thread, before the block it belongs to) ----
    // Files one channel message for the coming block at host frame `frame`:
    // notes, pitch bend and the mod wheel at their frame; the sustain pedal
    // acts at once on Freeze and Flat where their key is MIDI64 (telling the
    // listener), controller 126 releases every voice. Others are ignored.
    void receiveMidi(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // ---- Audio (audio thread) ----
    // Vocodes `frames` frames at host rate `hostRate`: input 0 the voice,
    // input 1 the external carrier, the result on both outputs (which may be
    // the input buffers). Blocks over kMaxBlockFrames frames are not processed:
    // their outputs are silent. Null buffers with frames to do do nothing.
    void process(const float* const* inputs, float* const* outputs, int frames, float hostRate);

    // Clears the filter bank's and the leveling ring's signal state.
    void resetFilterState();
    // Rebuilds the pitch table and the half-rate mode for a host rate; a rate
    // the table cannot be built for keeps the last good one.
    void updatePitchTable(float hostRate);

    // ---- Code path ----
    // A new engine takes the fastest path the processor supports; every path
    // gives the same output. A path the processor cannot run is refused. Not
    // while a block runs.
    bool useCodePath(CodePath path);
    CodePath codePath() const { return path; }

    // ---- Meters ----
    // The level meters go to a record owned by their reader (an editor), which
    // attaches it while it shows the meters; without one, no meter (level or
    // band) is updated. Any thread; a block already running may still write the
    // record it started with once, so the record outlives its attachment.
    void attachLevelMeters(LevelMeterRecord* record) { levelMeters.store(record, std::memory_order_release); }
    BandMeterRecord& bandMeters() { return bandMeterRecord; }

protected:
    void recoverNonFiniteState();  // resets the signal state if any of it became NaN or infinite
    BlockValues beginBlock(float hostRate);  // the block's snapshot of the parameters, rate check, event bank
    void runFrames(const BlockValues& block, const float* const* inputs, float* const* outputs, int frames,
                   BlockPeaks& peaks);  // the frame-by-frame code path
    void runFrame(const BlockValues& block, int readIndex, BlockPeaks& peaks);  // one processed frame
    int waveformChoice() const;  // 0 Sawtooth, 1 Square, 2 Pulse 25, 3 Pulse 10

    std::unique_ptr<AVocProgram[]> programs;
    // Set from any thread (the host, the editor, the sustain pedal on the
    // audio thread) and read by the audio thread during its blocks.
    Relaxed<int> programNumber = 0;
    Relaxed<float> paramValues[kNumParams] = {};
    EngineListener* listener = nullptr;

    CodePath path = defaultCodePath();
    BandMeterRecord bandMeterRecord;
    std::atomic<LevelMeterRecord*> levelMeters{nullptr};
};
