// The VST 3 binary interface: the processor (component and audio
// processor), its buses, the process call's records, events and parameter
// changes.
#pragma once

#include "base.h"

namespace vst3 {

// ---- Buses ----------------------------------------------------------------

enum MediaTypes : MediaType { kAudio = 0, kEvent = 1 };
enum BusDirections : BusDirection { kInput = 0, kOutput = 1 };
enum BusTypes : BusType { kMain = 0, kAux = 1 };
enum IoModes : IoMode { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
    enum BusFlags : uint32 { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;
};
static_assert(sizeof(BusInfo) == 276);
static_assert(offsetof(BusInfo, direction) == 4 && offsetof(BusInfo, channelCount) == 8 &&
              offsetof(BusInfo, name) == 12 && offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};
static_assert(sizeof(RoutingInfo) == 12 && offsetof(RoutingInfo, busIndex) == 4 && offsetof(RoutingInfo, channel) == 8);

// Speaker arrangements: one bit per speaker; the channel count is the bits set.
namespace speaker {
inline constexpr SpeakerArrangement kL = 1ull << 0;
inline constexpr SpeakerArrangement kR = 1ull << 1;
inline constexpr SpeakerArrangement kC = 1ull << 2;
inline constexpr SpeakerArrangement kLfe = 1ull << 3;
inline constexpr SpeakerArrangement kLs = 1ull << 4;
inline constexpr SpeakerArrangement kRs = 1ull << 5;
inline constexpr SpeakerArrangement kM = 1ull << 19;
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = kM;
inline constexpr SpeakerArrangement kStereo = kL | kR;
}  // namespace speaker

constexpr int32 channelCount(SpeakerArrangement arrangement) {
    int32 n = 0;
    for (; arrangement; arrangement &= arrangement - 1) ++n;
    return n;
}

// ---- Processing setup -----------------------------------------------------

enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
inline constexpr uint32 kNoTail = 0;
inline constexpr uint32 kInfiniteTail = 0xFFFFFFFFu;

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24);
static_assert(offsetof(ProcessSetup, symbolicSampleSize) == 4 && offsetof(ProcessSetup, maxSamplesPerBlock) == 8 &&
              offsetof(ProcessSetup, sampleRate) == 16);

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;  // bit n: channel n is all zero
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};
static_assert(sizeof(AudioBusBuffers) == 24);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8 && offsetof(AudioBusBuffers, channelBuffers32) == 16);

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};

struct ProcessContext {
    enum StatesAndFlags : uint32 {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;  // nanoseconds
    TSamples continousTimeSamples;
    double projectTimeMusic;  // quarter notes
    double barPositionMusic;
    double cycleStartMusic;
    double cycleEndMusic;
    double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};
static_assert(sizeof(ProcessContext) == 112);
static_assert(offsetof(ProcessContext, sampleRate) == 8 && offsetof(ProcessContext, projectTimeSamples) == 16 &&
              offsetof(ProcessContext, systemTime) == 24 && offsetof(ProcessContext, continousTimeSamples) == 32 &&
              offsetof(ProcessContext, projectTimeMusic) == 40 && offsetof(ProcessContext, barPositionMusic) == 48 &&
              offsetof(ProcessContext, cycleStartMusic) == 56 && offsetof(ProcessContext, cycleEndMusic) == 64 &&
              offsetof(ProcessContext, tempo) == 72 && offsetof(ProcessContext, timeSigNumerator) == 80 &&
              offsetof(ProcessContext, timeSigDenominator) == 84 && offsetof(ProcessContext, chord) == 88 &&
              offsetof(ProcessContext, smpteOffsetSubframes) == 92 && offsetof(ProcessContext, frameRate) == 96 &&
              offsetof(ProcessContext, samplesToNextClock) == 104);

// ---- Events -------------------------------------------------------------

struct NoteOnEvent {
    int16 channel;
    int16 pitch;     // MIDI note number
    float tuning;    // cents
    float velocity;  // MIDI velocity / 127
    int32 length;
    int32 noteId;  // -1 when the host does not track notes
};
static_assert(sizeof(NoteOnEvent) == 20 && offsetof(NoteOnEvent, pitch) == 2 && offsetof(NoteOnEvent, tuning) == 4 &&
              offsetof(NoteOnEvent, velocity) == 8 && offsetof(NoteOnEvent, length) == 12 &&
              offsetof(NoteOnEvent, noteId) == 16);

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};
static_assert(sizeof(NoteOffEvent) == 16 && offsetof(NoteOffEvent, pitch) == 2 &&
              offsetof(NoteOffEvent, velocity) == 4 && offsetof(NoteOffEvent, noteId) == 8 &&
              offsetof(NoteOffEvent, tuning) == 12);

struct DataEvent {
    enum DataTypes : uint32 { kMidiSysEx = 0 };
    uint32 size;
    uint32 type;
    const uint8* bytes;
};
static_assert(sizeof(DataEvent) == 16 && offsetof(DataEvent, type) == 4 && offsetof(DataEvent, bytes) == 8);

struct PolyPressureEvent {
    int16 channel;
    int16 pitch;
    float pressure;
    int32 noteId;
};
static_assert(sizeof(PolyPressureEvent) == 12 && offsetof(PolyPressureEvent, pressure) == 4 &&
              offsetof(PolyPressureEvent, noteId) == 8);

struct Event {
    enum EventFlags : uint16 { kIsLive = 1 << 0 };
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kLegacyMIDICCOutEvent = 65535,
    };
    int32 busIndex;
    int32 sampleOffset;
    double ppqPosition;
    uint16 flags;
    uint16 type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        alignas(8) char raw[24];  // the largest of the other kinds (note expression, chord, scale)
    };
};
static_assert(sizeof(Event) == 48);
static_assert(offsetof(Event, sampleOffset) == 4 && offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16 &&
              offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24 && offsetof(Event, raw) == 24);

class IEventList : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
    virtual int32 getEventCount() = 0;                    // 3
    virtual tresult getEvent(int32 index, Event& e) = 0;  // 4: copies
    virtual tresult addEvent(Event& e) = 0;               // 5
};

// ---- Parameter changes ------------------------------------------------------

class IParamValueQueue : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    virtual ParamID getParameterId() = 0;                                               // 3
    virtual int32 getPointCount() = 0;                                                  // 4
    virtual tresult getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;  // 5
    virtual tresult addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;   // 6
};

class IParameterChanges : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    virtual int32 getParameterCount() = 0;                                            // 3
    virtual IParamValueQueue* getParameterData(int32 index) = 0;                      // 4: borrowed
    virtual IParamValueQueue* addParameterData(const ParamID& id, int32& index) = 0;  // 5: borrowed
};

// ---- Process call -----------------------------------------------------------

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;  // 0: a parameter flush, buffers may be null
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;  // may be null
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;  // may be null
};
static_assert(sizeof(ProcessData) == 80);
static_assert(offsetof(ProcessData, symbolicSampleSize) == 4 && offsetof(ProcessData, numSamples) == 8 &&
              offsetof(ProcessData, numInputs) == 12 && offsetof(ProcessData, numOutputs) == 16 &&
              offsetof(ProcessData, inputs) == 24 && offsetof(ProcessData, outputs) == 32 &&
              offsetof(ProcessData, inputParameterChanges) == 40 &&
              offsetof(ProcessData, outputParameterChanges) == 48 && offsetof(ProcessData, inputEvents) == 56 &&
              offsetof(ProcessData, outputEvents) == 64 && offsetof(ProcessData, processContext) == 72);

// ---- Interfaces ---------------------------------------------------------------

class IComponent : public IPluginBase {
public:
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    virtual tresult getControllerClassId(char* classId) = 0;                                      // 5
    virtual tresult setIoMode(IoMode mode) = 0;                                                   // 6
    virtual int32 getBusCount(MediaType type, BusDirection dir) = 0;                              // 7
    virtual tresult getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;  // 8
    virtual tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;                // 9
    virtual tresult activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;  // 10
    virtual tresult setActive(TBool state) = 0;                                                   // 11
    virtual tresult setState(IBStream* state) = 0;                                                // 12
    virtual tresult getState(IBStream* state) = 0;                                                // 13
};

class IAudioProcessor : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                       int32 numOuts) = 0;                                                  // 3
    virtual tresult getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arrangement) = 0;  // 4
    virtual tresult canProcessSampleSize(int32 symbolicSampleSize) = 0;                                     // 5
    virtual uint32 getLatencySamples() = 0;                                                                 // 6
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;                                               // 7
    virtual tresult setProcessing(TBool state) = 0;                                                         // 8
    virtual tresult process(ProcessData& data) = 0;                                                         // 9
    virtual uint32 getTailSamples() = 0;                                                                    // 10
};

class IProcessContextRequirements : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    virtual uint32 getProcessContextRequirements() = 0;  // 3
};

}  // namespace vst3
