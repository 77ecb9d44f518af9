// Fuzzes the built plug-in the way hosts drive it. Each input is a program of
// host calls, decoded byte by byte (see `Program` and `runAction`), applied
// through the effect record of up to two instances of Talkforge.so: instances
// created and closed, sample rates and block sizes, parameters with any index
// and value, every text opcode, programs and names, event lists, blocks of
// any input, and the editor's opcodes, its window opened in a real parent
// window when there is an X display. Besides the sanitizers, the target
// checks what a host relies on:
// - a text stays inside its buffer and ends with a NUL there; a call that
//   answers nothing writes nothing;
// - a block writes every frame of both outputs, the same signal on both, and
//   silence when it is longer than the plug-in takes;
// - the output is finite whenever the inputs, the parameter values and the
//   sample rate are finite and within 1e6;
// - a parameter reads back as it was set, also when the host hears of it.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gui/platform/x11/hostwindow.h"
#include "host/vst2.h"
#include "tests/fuzz/input.h"
#include "vocoder/talkforge.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kFlatMax = std::numeric_limits<float>::max();
constexpr int kInstances = 2;
constexpr int kMaxActions = 256;
// Frames processed, editor windows opened and instances created per input,
// so that one input stays well under a second in a sanitizer build.
constexpr long kFrameBudget = kMaxBlockFrames + 4 * 4096;
constexpr int kOpenBudget = 6;
constexpr int kCreateBudget = 6;
// Values and samples within this bound (and finite) must give finite output.
constexpr double kSaneBound = 1e6;
// Bytes after each buffer that nothing may write.
constexpr std::size_t kGuardBytes = 16;
constexpr unsigned char kCanary = 0xA5;
// An output sample nothing has written (a NaN no arithmetic produces).
constexpr std::uint32_t kUnwrittenBits = 0x7FA5A5A5u;

[[noreturn]] void fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    fuzzing::fail("host actions", format, args);
}

bool sameValue(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

bool sane(double x) { return std::isfinite(x) && std::fabs(x) <= kSaneBound; }

using Program = fuzzing::Input;

constexpr std::array<float, 18> kRates = {44100.0f,   48000.0f, 96000.0f, 22050.0f, 8000.0f,   192000.0f,
                                          96000.001f, 88200.0f, 0.0f,     1.0f,     -44100.0f, kNaN,
                                          kInf,       -kInf,    1e-30f,   kFlatMax, 1e6f,      3.0f};
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMax = kMaxBlockFrames;
constexpr std::array<std::int32_t, 26> kFrames = {0,    1,    2,    3,        7,    31,       63,  64,     65,
                                                  127,  128,  255,  256,      511,  512,      513, 1023,   1024,
                                                  4095, 4096, 8191, kMax - 1, kMax, kMax + 1, -1,  kIntMin};
constexpr std::array<std::int32_t, 8> kOddIndices = {-1,   kNumParams, kNumParams + 1, 127,
                                                     1000, 65536,      kIntMin,        kIntMax};
constexpr std::array<float, 24> kValues = {0.0f,  1.0f,   0.5f,   -0.0f,    0.25f,     0.75f,     0.1f,  0.9f,
                                           -1.0f, 2.0f,   kNaN,   -kNaN,    kInf,      -kInf,     1e6f,  -1e6f,
                                           1e30f, -1e30f, 1e-40f, kFlatMax, 0.999999f, 1.000001f, 1e-7f, 0.33333334f};
constexpr std::array<float, 14> kAmplitudes = {1.0f,  0.5f,     0.01f, 1e-20f, 1e6f,  -1e6f,  1e7f,
                                               1e30f, kFlatMax, kNaN,  kInf,   -kInf, 1e-40f, 0.0f};

std::int32_t paramIndex(Program& p) {
    const std::uint8_t k = p.u8();
    if (k < kNumParams) return k;
    if (k == 0xFF) return p.i32();
    return kOddIndices[k % kOddIndices.size()];
}

float paramValue(Program& p) {
    const std::uint8_t k = p.u8();
    if (k < kValues.size()) return kValues[k];
    if (k == 0xFF) return p.f32();
    if (k >= 0x80) return static_cast<float>(p.u16()) / 65535.0f;
    return static_cast<float>(k - kValues.size()) / 100.0f;
}

std::int32_t frameCount(Program& p) {
    return p.pick(kFrames, [&] { return static_cast<std::int32_t>(p.u16()); });
}

float sampleRate(Program& p) {
    return p.pick(kRates, [&] { return p.f32(); });
}

// A heap buffer followed by guard bytes, all set to the canary first.
class Guarded {
public:
    explicit Guarded(std::size_t size) : length(size), bytes(size + kGuardBytes, kCanary) {}
    char* text() { return reinterpret_cast<char*>(bytes.data()); }
    void* data() { return bytes.data(); }
    bool touched() const {
        for (std::size_t i = 0; i < length; ++i)
            if (bytes[i] != kCanary) return true;
        return false;
    }
    // The guard intact and, if anything was written, a NUL within the buffer.
    void checkText(const char* what, std::int32_t index) const {
        checkGuard(what, index);
        if (touched() && std::memchr(bytes.data(), 0, length) == nullptr)
            fail("%s (index %d) wrote a text without its terminator into %zu bytes", what, index, length);
    }
    void checkGuard(const char* what, std::int32_t index) const {
        for (std::size_t i = length; i < bytes.size(); ++i)
            if (bytes[i] != kCanary)
                fail("%s (index %d) wrote past its %zu-byte buffer (byte %zu)", what, index, length, i);
    }
    void checkUntouched(const char* what, std::int32_t index) const {
        checkGuard(what, index);
        if (touched()) fail("%s (index %d) answers nothing but wrote into its buffer", what, index);
    }

private:
    std::size_t length;
    std::vector<unsigned char> bytes;
};

// A string a host passes in: exactly as long as it is, so that the sanitizer
// sees any read past its NUL.
class HostString {
public:
    explicit HostString(const std::string& s) : bytes(new char[s.size() + 1]) {
        std::memcpy(bytes.get(), s.c_str(), s.size() + 1);
    }
    char* get() { return bytes.get(); }

private:
    std::unique_ptr<char[]> bytes;
};

// What each text opcode may write: the VST 2 sizes hosts pass, and whole
// names (nine characters at most) for the parameter names.
struct TextOpcode {
    VstInt32 opcode;
    std::size_t size;
    const char* name;
};
constexpr std::array<TextOpcode, 9> kTextOpcodes = {{
    {effGetParamLabel, kVstMaxParamStrLen + 1, "effGetParamLabel"},
    {effGetParamDisplay, kVstMaxParamStrLen + 1, "effGetParamDisplay"},
    {effGetParamName, kVstMaxParamStrLen + 2, "effGetParamName"},
    {effGetProgramName, kVstMaxProgNameLen, "effGetProgramName"},
    {effGetProgramNameIndexed, kVstMaxProgNameLen, "effGetProgramNameIndexed"},
    {effGetEffectName, kVstMaxEffectNameLen, "effGetEffectName"},
    {effGetVendorString, kVstMaxVendorStrLen, "effGetVendorString"},
    {effGetProductString, kVstMaxProductStrLen, "effGetProductString"},
    {effGetErrorText, 256, "effGetErrorText"},
}};

// Opcodes that answer with their return value only: whatever buffer comes
// with them stays as it was.
constexpr std::array<VstInt32, 36> kQuietOpcodes = {
    effGetVu, effEditDraw, effEditMouse, effEditTop, effEditSleep, effIdentify, effGetChunk, effSetChunk,
    effCanBeAutomated, effGetNumProgramCategories, effConnectInput, effConnectOutput, effGetPlugCategory,
    effGetCurrentPosition, effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare, effOfflineRun,
    effProcessVarIo, effSetSpeakerArrangement, effSetBypass, effGetVendorVersion, effVendorSpecific, effGetTailSize,
    effIdle, effGetIcon, effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
    effGetMidiProgramName, effGetCurrentMidiProgram, effGetMidiProgramCategory, effHasMidiProgramsChanged,
    effGetMidiKeyName, effCanDo + 100};

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt);

struct Plugin {
    void* library = nullptr;
    AEffect* (*entry)(audioMasterCallback) = nullptr;
};

Plugin& plugin() {
    static Plugin p = [] {
        Plugin q;
        // Loaded once and never unloaded: its coverage counters stay mapped.
        q.library = dlopen(TALKFORGE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!q.library) fail("cannot load %s: %s", TALKFORGE_PLUGIN_PATH, dlerror());
        q.entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(q.library, "VSTPluginMain"));
        if (!q.entry) fail("no VSTPluginMain in %s", TALKFORGE_PLUGIN_PATH);
        return q;
    }();
    return p;
}

// The host's windows, one per instance, when there is an X display.
std::array<std::unique_ptr<tf::x11host::HostWindow>, kInstances>& parents() {
    static std::array<std::unique_ptr<tf::x11host::HostWindow>, kInstances> windows;
    return windows;
}

struct Instance {
    AEffect* effect = nullptr;
    float rate = 44100.0f;  // what the host last told it
};

class Session {
public:
    // Starts with one instance, as most programs want one.
    explicit Session(Program& program) : p(program) { create(instances[0], false); }
    ~Session() {
        for (Instance& in : instances) close(in);
    }
    void run() {
        for (int n = 0; n < kMaxActions && !p.done(); ++n) {
            const std::uint8_t op = p.u8();
            Instance& in = instances[op >> 7];
            runAction(op & 0x7F, in);
        }
    }

private:
    VstIntPtr dispatch(Instance& in, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return in.effect->dispatcher(in.effect, opcode, index, value, ptr, opt);
    }

    // A new instance where there is none (creating one takes a while).
    void create(Instance& in, bool refused) {
        if (in.effect || createBudget == 0) return;
        --createBudget;
        refuseVersion = refused;  // a host that answers no version gets no instance
        in = Instance{};
        in.effect = plugin().entry(&hostCallback);
        if (refuseVersion) {
            if (in.effect) fail("the entry made an instance for a host that answered version 0");
            refuseVersion = false;
            return;
        }
        if (!in.effect) fail("the entry made no instance");
        if (in.effect->magic != kEffectMagic || in.effect->numParams != kNumParams ||
            in.effect->numInputs != kNumInputs || in.effect->numOutputs != kNumOutputs)
            fail("the effect record is not Talkforge's");
    }

    void close(Instance& in) {
        if (!in.effect) return;
        dispatch(in, effClose);
        in = Instance{};
    }

    void textAction(Instance& in) {
        const TextOpcode& t = kTextOpcodes[p.u8() % kTextOpcodes.size()];
        const std::int32_t index = paramIndex(p);
        Guarded buffer(t.size);
        dispatch(in, t.opcode, index, p.i32() % 4, buffer.data());
        buffer.checkText(t.name, index);
    }

    void pinAction(Instance& in) {
        const bool input = p.u8() & 1;
        const std::int32_t index =
            p.pick(std::array<std::int32_t, 6>{0, 1, 2, -1, 64, 1 << 30}, [&] { return p.i32(); });
        Guarded buffer(sizeof(VstPinProperties));
        const VstIntPtr r =
            dispatch(in, input ? effGetInputProperties : effGetOutputProperties, index, 0, buffer.data());
        buffer.checkGuard("effGet*Properties", index);
        if (!r) return buffer.checkUntouched("effGet*Properties refused", index);
        const auto* pin = static_cast<const VstPinProperties*>(buffer.data());
        if (!std::memchr(pin->label, 0, sizeof pin->label)) fail("pin %d: label without its terminator", index);
    }

    void quietAction(Instance& in) {
        const std::uint8_t k = p.u8();
        const VstInt32 opcode = k < 0xC0 ? kQuietOpcodes[k % kQuietOpcodes.size()] : p.i32();
        if (opcode >= 0 && opcode <= effEndSetProgram &&
            std::find(kQuietOpcodes.begin(), kQuietOpcodes.end(), opcode) == kQuietOpcodes.end())
            return;  // an opcode with an action of its own
        const std::int32_t index = p.i32();
        Guarded buffer(256), other(256);
        // The one opcode whose value is a pointer gets a buffer of its own.
        const VstIntPtr value =
            opcode == effSetSpeakerArrangement ? reinterpret_cast<VstIntPtr>(other.data()) : p.i32();
        dispatch(in, opcode, index, value, buffer.data(), p.f32());
        buffer.checkUntouched("a quiet opcode", opcode);
        other.checkUntouched("effSetSpeakerArrangement's input", opcode);
    }

    // A name reads back as it was given, cut to what a program name holds
    // ("Init" reads with the program's number).
    void programName(Instance& in) {
        const std::string given = p.text();
        HostString name(given);
        dispatch(in, effSetProgramName, 0, 0, name.get());
        Guarded back(kVstMaxProgNameLen);
        dispatch(in, effGetProgramName, 0, 0, back.data());
        back.checkText("effGetProgramName", 0);
        const std::string expected = std::string(given.c_str()).substr(0, kVstMaxProgNameLen - 1);
        if (expected != "Init" && expected != back.text())
            fail("program name '%s' reads back as '%s'", expected.c_str(), back.text());
    }

    void setParameter(Instance& in) {
        const std::int32_t index = paramIndex(p);
        const float value = paramValue(p);
        in.effect->setParameter(in.effect, index, value);
        const float back = in.effect->getParameter(in.effect, index);
        if (isParamIndex(index) ? !sameValue(back, value) : back != 0.0f)
            fail("parameter %d set to %g reads back %g", index, double(value), double(back));
    }

    void events(Instance& in) {
        const int count = p.u8() % 24;
        std::vector<std::unique_ptr<unsigned char[]>> store;
        std::vector<std::vector<char>> dumps;
        const std::size_t listBytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * std::size_t(count);
        std::unique_ptr<unsigned char[]> list(new unsigned char[listBytes]);
        auto* events = reinterpret_cast<VstEvents*>(list.get());
        events->numEvents = p.u8() == 0xFF ? -count : count;  // a negative count names no event
        events->reserved = 0;
        auto** slots = reinterpret_cast<VstEvent**>(list.get() + offsetof(VstEvents, events));
        for (int i = 0; i < count; ++i) {
            const std::uint8_t kind = p.u8();
            if (kind % 8 == 7) {
                // A SysEx event, as hosts lay it out, with its dump.
                struct SysExEvent {
                    VstInt32 type, byteSize, deltaFrames, flags, dumpBytes;
                    VstIntPtr resvd1;
                    char* sysexDump;
                    VstIntPtr resvd2;
                };
                dumps.emplace_back(p.u8());
                for (char& c : dumps.back()) c = static_cast<char>(p.u8());
                store.emplace_back(new unsigned char[sizeof(SysExEvent)]);
                auto* s = reinterpret_cast<SysExEvent*>(store.back().get());
                *s = SysExEvent{kVstSysExType,
                                static_cast<VstInt32>(sizeof(SysExEvent)) - 8,
                                p.i32() % 4096,
                                0,
                                static_cast<VstInt32>(dumps.back().size()),
                                0,
                                dumps.back().data(),
                                0};
            } else {
                store.emplace_back(new unsigned char[sizeof(VstMidiEvent)]);
                auto* m = reinterpret_cast<VstMidiEvent*>(store.back().get());
                std::memset(m, 0, sizeof *m);
                m->type = kind % 8 == 6 ? p.i32() : kVstMidiType;
                m->byteSize = kind & 0x80 ? p.i32() : static_cast<VstInt32>(sizeof(VstMidiEvent)) - 8;
                m->deltaFrames =
                    p.pick(std::array<std::int32_t, 8>{0, 1, 63, 64, 511, 65534, 65535, -1}, [&] { return p.i32(); });
                for (char& c : m->midiData) c = static_cast<char>(p.u8());
            }
            slots[i] = reinterpret_cast<VstEvent*>(store.back().get());
        }
        dispatch(in, effProcessEvents, 0, 0, events);
    }

    // A block's channel buffer: new float[n], so that it is never null.
    class Channel {
    public:
        explicit Channel(std::size_t frames) : n(frames), samples(new float[frames]) {}
        float* data() { return samples.get(); }
        float* begin() { return samples.get(); }
        float* end() { return samples.get() + n; }
        std::size_t size() const { return n; }
        float& operator[](std::size_t i) { return samples[i]; }

    private:
        std::size_t n;
        std::unique_ptr<float[]> samples;
    };

    // Fills a channel as the program says; returns whether every sample is sane.
    bool fill(Channel& channel) {
        const std::uint8_t mode = p.u8() % 7;
        const float amp = p.pick(kAmplitudes, [&] { return p.f32(); });
        const std::uint32_t seed = p.u32() | 1u;
        const std::size_t n = channel.size();
        switch (mode) {
        case 0: std::fill(channel.begin(), channel.end(), 0.0f); break;
        case 1: std::fill(channel.begin(), channel.end(), amp); break;
        case 2:  // a tone, with a level that swells as a voice does
            for (std::size_t i = 0; i < n; ++i) {
                const double t = double(i) * (1.0 + (seed & 0x3FF)) * 1e-4;
                channel[i] = float(amp * std::sin(t) * (0.5 + 0.5 * std::sin(t * 0.01)));
            }
            break;
        case 3: {  // noise
            std::uint32_t x = seed;
            for (float& s : channel) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                s = amp * (float(x >> 8) / float(1 << 23) - 1.0f);
            }
            break;
        }
        case 4: {  // samples from the program, repeated
            std::array<float, 16> raw{};
            for (float& s : raw) s = p.f32();
            for (std::size_t i = 0; i < n; ++i) channel[i] = raw[i % raw.size()];
            break;
        }
        case 5:  // clicks
            for (std::size_t i = 0; i < n; ++i) channel[i] = i % (1 + (seed & 0x1FF)) == 0 ? amp : 0.0f;
            break;
        default:  // one odd sample in a quiet block
            std::fill(channel.begin(), channel.end(), 0.001f);
            if (n) channel[seed % n] = amp;
            break;
        }
        for (float s : channel)
            if (!sane(s)) return false;
        return true;
    }

    void process(Instance& in, bool accumulating) {
        const std::int32_t frames = frameCount(p);
        const bool inPlace = p.u8() & 1;
        const std::size_t n = frames > 0 ? std::size_t(frames) : 0;
        if (long(n) > framesLeft) return;
        framesLeft -= long(n);
        // Exactly as long as the block (never null), so that the sanitizer sees any access past it.
        std::array<Channel, 2> ins{Channel(n), Channel(n)};
        std::array<Channel, 2> outs{Channel(n), Channel(n)};
        bool saneBlock = fill(ins[0]);
        saneBlock = fill(ins[1]) && saneBlock;
        saneBlock = sane(in.rate) && saneBlock;
        for (std::int32_t i = 0; i < kNumParams; ++i)
            saneBlock = sane(in.effect->getParameter(in.effect, i)) && saneBlock;
        float unwritten;
        std::memcpy(&unwritten, &kUnwrittenBits, sizeof unwritten);
        float* inputs[2] = {ins[0].data(), ins[1].data()};
        float* outputs[2];
        if (inPlace) {
            outputs[0] = ins[0].data();
            outputs[1] = ins[1].data();
        } else {
            for (Channel& out : outs) std::fill(out.begin(), out.end(), unwritten);
            outputs[0] = outs[0].data();
            outputs[1] = outs[1].data();
        }
        (accumulating ? in.effect->process : in.effect->processReplacing)(in.effect, inputs, outputs, frames);
        for (std::size_t i = 0; i < n; ++i) {
            const float a = outputs[0][i], b = outputs[1][i];
            if (!inPlace && (sameValue(a, unwritten) || sameValue(b, unwritten)))
                fail("a block of %d frames left frame %zu unwritten", frames, i);
            if (std::memcmp(&a, &b, sizeof a) != 0)
                fail("a block of %d frames: the outputs differ at frame %zu (%g, %g)", frames, i, double(a), double(b));
            if (frames > kMaxBlockFrames && a != 0.0f)
                fail("a refused block of %d frames is not silent at frame %zu", frames, i);
            if (saneBlock && !std::isfinite(a))
                fail("a block of %d frames at %g Hz with finite inputs and values gives %g at frame %zu", frames,
                     double(in.rate), double(a), i);
        }
    }

    void editorOpen(Instance& in) {
        if (openBudget == 0) return;
        --openBudget;
        auto& parent = parents()[std::size_t(&in - instances.data())];
        const VstIntPtr r = dispatch(in, effEditOpen, 0, 0, parent ? parent->handle() : nullptr);
        if (parent && r != 1) fail("the editor did not open in the host's window");
        if (!parent && r != 0) fail("the editor claims a window without a display");
    }

    void editorIdle(Instance& in) {
        dispatch(in, effEditIdle);
        if (auto& parent = parents()[std::size_t(&in - instances.data())]) parent->processEvents();
    }

    void runAction(int action, Instance& in) {
        if (!in.effect && action != 0) return;  // nothing to call yet
        switch (action % 24) {
        case 0: return create(in, p.u8() == 0xFE);
        case 1: return close(in);
        case 2: {
            const VstInt32 opcode = p.u8() & 1 ? effOpen : effMainsChanged;
            dispatch(in, opcode, 0, p.u8() & 1);
            return;
        }
        case 3:
            in.rate = sampleRate(p);
            dispatch(in, effSetSampleRate, 0, 0, nullptr, in.rate);
            return;
        case 4: dispatch(in, effSetBlockSize, 0, frameCount(p)); return;
        case 5: {
            const std::int32_t frames = frameCount(p);
            in.rate = sampleRate(p);
            dispatch(in, effSetBlockSizeAndSampleRate, 0, frames, nullptr, in.rate);
            return;
        }
        case 6:
        case 7: return setParameter(in);
        case 8: {
            const std::int32_t program =
                p.pick(std::array<std::int32_t, 6>{0, 1, 15, 16, -1, 1 << 20}, [&] { return p.i32(); });
            dispatch(in, effSetProgram, 0, program);
            const VstIntPtr current = dispatch(in, effGetProgram);
            if (current < 0 || current >= kNumPrograms) fail("program %ld is current", long(current));
            return;
        }
        case 9: return programName(in);
        case 10:
        case 11: return textAction(in);
        case 12:
            dispatch(in, effCopyProgram,
                     p.pick(std::array<std::int32_t, 5>{0, 15, 16, -1, 3}, [&] { return p.i32(); }));
            return;
        case 13: return pinAction(in);
        case 14: {
            HostString what(p.text());
            const bool string2Parameter = p.u8() & 1;
            dispatch(in, string2Parameter ? effString2Parameter : effCanDo, paramIndex(p), 0, what.get());
            return;
        }
        case 15: return events(in);
        case 16:
        case 17: return process(in, action % 24 == 17 && (p.u8() & 1));
        case 18: {
            ERect* rect = nullptr;
            if (dispatch(in, effEditGetRect, 0, 0, &rect) != 1 || !rect || rect->right - rect->left <= 0 ||
                rect->bottom - rect->top <= 0)
                fail("the editor has no size");
            return;
        }
        case 19: return editorOpen(in);
        case 20: dispatch(in, effEditClose); return;
        case 21: return editorIdle(in);
        case 22: {
            const VstInt32 opcode = p.u8() & 1 ? effEditKeyDown : effEditKeyUp;
            const std::int32_t character = p.i32();
            const std::int32_t virtualKey = p.i32();
            dispatch(in, opcode, character, virtualKey, nullptr, paramValue(p));
            dispatch(in, effSetEditKnobMode, 0,
                     p.pick(std::array<VstIntPtr, 4>{0, 1, 2, -1}, [&] { return VstIntPtr(p.i32()); }));
            return;
        }
        default: return quietAction(in);
        }
    }

    Program& p;
    std::array<Instance, kInstances> instances{};
    long framesLeft = kFrameBudget;
    int openBudget = kOpenBudget;
    int createBudget = kCreateBudget;

public:
    static inline bool refuseVersion = false;
};

// The host's side: the version, and a check on automation: the value the
// host hears of is the value the plug-in now holds.
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return Session::refuseVersion ? 0 : 2400;
    if (opcode == audioMasterAutomate && effect) {
        const float held = effect->getParameter(effect, index);
        if (isParamIndex(index) && !sameValue(held, opt))
            fail("the host heard parameter %d change to %g, but it holds %g", index, double(opt), double(held));
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    plugin();
    std::string why;
    for (auto& window : parents()) {
        window = tf::x11host::HostWindow::open(640, 385, "fuzzing host", why);
        if (!window) {
            std::fprintf(stderr, "host actions: the editor opens without a parent window: %s\n", why.c_str());
            break;
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Program program(data, size);
    Session(program).run();
    return 0;
}
