// Loads Talkforge.so the way a VST 2 host does and wraps the calls the tool makes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/vst2.h"

// One MIDI channel message, due at a frame of the rendered stream.
struct TimedMidi {
    std::int64_t frame = 0;
    std::uint8_t bytes[3] = {};
};

class PluginHost {
public:
    // Opens the library, finds its entry (VSTPluginMain, then main) and creates
    // one effect instance. Throws ToolError naming the path when any step fails.
    explicit PluginHost(const std::string& path);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    int numParams() const { return effect->numParams; }
    std::string paramName(int index);
    std::string paramDisplay(int index);
    std::string paramLabel(int index);
    float parameter(int index);
    void setParameter(int index, float value);

    // Prepares the instance for processing at this rate and block size.
    void start(double sampleRate, int blockSize);
    // Tells the plug-in it runs against a real-time clock rather than offline.
    void setRealtime(bool realtime) { processLevel = realtime ? kProcessLevelRealtime : kProcessLevelOffline; }

    // Delivers the events with deltaFrames relative to the coming block. Once
    // room for `count` events is reserved, lists up to that size allocate nothing.
    void reserveEvents(std::size_t count);
    void sendEvents(std::span<const TimedMidi> events, std::int64_t blockStart);
    void process(float* const* inputs, float* const* outputs, int frames);

    double sampleRate() const { return rate; }

    // The plug-in's editor: its size (false when it has none), opened in a
    // host's native window, idled, closed.
    bool editorSize(int& width, int& height);
    bool openEditor(void* parentWindow);
    void idleEditor();
    void closeEditor();

private:
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    std::string textQuery(VstInt32 opcode, int index);

    static constexpr VstIntPtr kProcessLevelRealtime = 2;
    static constexpr VstIntPtr kProcessLevelOffline = 4;

    void* library = nullptr;
    AEffect* effect = nullptr;
    VstIntPtr processLevel = kProcessLevelOffline;
    bool running = false;
    bool editorOpen = false;
    double rate = 44100.0;
    int block = 1024;
    std::vector<VstMidiEvent> midiEvents;
    std::vector<VstIntPtr> eventList;  // a VstEvents record with room for its pointers
};
