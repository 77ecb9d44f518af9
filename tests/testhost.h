// A small host for tests: loads the built plug-in library, creates instances
// through its entry with a recording host callback, and drives them only
// through the effect record and the dispatcher.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/vst2.h"
#include "tests/midilist.h"

using PluginEntry = AEffect* (*)(audioMasterCallback);

// The platform's library loader (a file per platform, chosen by the build):
// the library at `path`, or null with `error` set; a symbol of it, or null.
void* openLibrary(const char* path, std::string& error);
void* librarySymbol(void* library, const char* name);

// The plug-in library, opened once per test process: the build's, or the
// one at the path given to use() before the first instance.
struct PluginLibrary {
    static void use(const char* path);
    static void* handle();
    static PluginEntry entry(const char* symbol = "VSTPluginMain");
};

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// The gestures among host calls: "index=value" for each automation call and
// "b<index>"/"e<index>" for begin and end of an edit, each followed by a space.
std::string gestureText(const std::vector<HostCall>& calls);

class TestHost {
public:
    // Creates an instance unless `create` is false (then call open() yourself).
    explicit TestHost(bool create = true);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    AEffect* open(PluginEntry entry = PluginLibrary::entry());
    void close();  // effClose; the record is gone afterwards

    AEffect* effect = nullptr;
    std::vector<HostCall> calls;          // every callback the plug-in made
    std::map<VstInt32, VstIntPtr> answers;  // the host's answer per opcode (default 0)
    VstIntPtr versionAnswer = 2400;
    // Runs after each callback is recorded: a test acting as the host (or its
    // user) while the plug-in waits in the host's idle, say.
    std::function<void(const HostCall&)> onCall;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void setParameter(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    float getParameter(VstInt32 index) { return effect->getParameter(effect, index); }

    std::string paramName(VstInt32 index);
    std::string paramLabel(VstInt32 index);
    std::string paramDisplay(VstInt32 index);
    std::string programName();
    void setSampleRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }

    // Calls with the given opcode, in order.
    std::vector<HostCall> callsOf(VstInt32 opcode) const;

    // Runs processReplacing on mono buffers: in1 modulator, in2 carrier.
    void process(const std::vector<float>& in1, const std::vector<float>& in2, std::vector<float>& out1,
                 std::vector<float>& out2);
    // Delivers MIDI messages (status, data1, data2, deltaFrames) through effProcessEvents.
    using Midi = MidiMessage;
    VstIntPtr sendMidi(const std::vector<Midi>& events);

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt);
    std::string text(VstInt32 opcode, VstInt32 index);
};
