#include "tests/testhost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {
// The host being created answers the version query, which has no record yet.
thread_local TestHost* creatingHost = nullptr;
const char* pluginPath = TALKFORGE_PLUGIN_PATH;
}  // namespace

void PluginLibrary::use(const char* path) { pluginPath = path; }

void* PluginLibrary::handle() {
    static void* lib = [] {
        std::string error;
        void* h = openLibrary(pluginPath, error);
        if (!h) ADD_FAILURE() << "loading " << pluginPath << ": " << error;
        return h;
    }();
    return lib;
}

PluginEntry PluginLibrary::entry(const char* symbol) {
    void* h = handle();
    return h ? reinterpret_cast<PluginEntry>(librarySymbol(h, symbol)) : nullptr;
}

TestHost::TestHost(bool create) {
    if (create) open();
}

TestHost::~TestHost() { close(); }

AEffect* TestHost::open(PluginEntry entry) {
    if (!entry) return nullptr;
    creatingHost = this;
    effect = entry(&TestHost::callback);
    creatingHost = nullptr;
    if (effect) effect->user = this;
    return effect;
}

void TestHost::close() {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
}

VstIntPtr TestHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
    TestHost* host = effect && effect->user ? static_cast<TestHost*>(effect->user) : creatingHost;
    if (!host) return 0;
    host->calls.push_back({effect, opcode, index, value, ptr, opt});
    if (host->onCall) host->onCall(host->calls.back());
    if (opcode == audioMasterVersion) return host->versionAnswer;
    auto it = host->answers.find(opcode);
    return it == host->answers.end() ? 0 : it->second;
}

VstIntPtr TestHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string TestHost::text(VstInt32 opcode, VstInt32 index) {
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

std::string TestHost::paramName(VstInt32 index) { return text(effGetParamName, index); }
std::string TestHost::paramLabel(VstInt32 index) { return text(effGetParamLabel, index); }
std::string TestHost::paramDisplay(VstInt32 index) { return text(effGetParamDisplay, index); }
std::string TestHost::programName() { return text(effGetProgramName, 0); }

std::vector<HostCall> TestHost::callsOf(VstInt32 opcode) const {
    std::vector<HostCall> out;
    for (const HostCall& c : calls)
        if (c.opcode == opcode) out.push_back(c);
    return out;
}

void TestHost::process(const std::vector<float>& in1, const std::vector<float>& in2, std::vector<float>& out1,
                       std::vector<float>& out2) {
    const std::size_t n = in1.size();
    std::vector<float> a = in1, b = in2;
    b.resize(n);
    out1.assign(n, 0.0f);
    out2.assign(n, 0.0f);
    float* inputs[2] = {a.data(), b.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    effect->processReplacing(effect, inputs, outputs, static_cast<VstInt32>(n));
}

VstIntPtr TestHost::sendMidi(const std::vector<Midi>& events) {
    MidiList list(events);
    return dispatch(effProcessEvents, 0, 0, list.list());
}

std::string gestureText(const std::vector<HostCall>& calls) {
    std::string s;
    for (const HostCall& c : calls) {
        char one[48] = "";
        if (c.opcode == audioMasterAutomate)
            std::snprintf(one, sizeof one, "%d=%g ", int(c.index), double(c.opt));
        else if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit)
            std::snprintf(one, sizeof one, "%c%d ", c.opcode == audioMasterBeginEdit ? 'b' : 'e', int(c.index));
        s += one;
    }
    return s;
}
