// Fuzzes the built LV2 DSP module (talkforge.lv2/talkforge.so) the way LV2
// hosts drive it. Each input is a program of calls, decoded byte by byte (see
// `runAction`), on one instance at a time: instantiate at any sample rate,
// with or without the host's urid:map; ports connected to buffers or to
// nothing, in place or apart, at random; control values of any kind; MIDI
// sequences of any events (MIDI of any size and content, the UI's meter
// requests, atoms of other types, at any frame); notify buffers of any
// capacity; activate; runs of any length. Besides the sanitizers, it checks
// what a host relies on:
// - a run writes every frame of each connected output, the same signal on
//   both;
// - the output is finite whenever the inputs and control values are finite
//   and within 1e6 and the rate is a usable one;
// - the latency port holds the latency the plug-in declares;
// - what the module writes to the notify port is a sequence within its
//   buffer, of whole events in time order within the run.
#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plugin/lv2/ports.h"
#include "tests/fuzz/input.h"
#include "vocoder/talkforge.h"

namespace {

using namespace tf::lv2;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kMaxActions = 192;
// Frames run and instances made per input, so that one input stays well
// under a second in a sanitizer build.
constexpr long kFrameBudget = kMaxBlockFrames + 4 * 4096;
constexpr int kInstantiateBudget = 5;
constexpr double kSaneBound = 1e6;
// An output sample nothing has written (a NaN no arithmetic produces).
constexpr std::uint32_t kUnwrittenBits = 0x7FA5A5A5u;
constexpr std::size_t kMaxNotifyBytes = 8192;
constexpr std::size_t kMaxMidiEvents = 48;

[[noreturn]] void fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    fuzzing::fail("LV2 module", format, args);
}

bool sane(double x) { return std::isfinite(x) && std::fabs(x) <= kSaneBound; }

using Input = fuzzing::Input;

constexpr std::array<double, 14> kRates = {44100.0, 48000.0, 96000.0, 22050.0, 8000.0, 192000.0, 0.0,
                                           -48000.0, 1.0,    1e-300,  1e300,   kNaN,   kInf,     3.0};
constexpr std::uint32_t kMax = kMaxBlockFrames;
constexpr std::array<std::uint32_t, 18> kFrames = {0,   1,   2,   63,   64,   65,       127,  128,     511,
                                                   512, 513, 1024, 4096, kMax - 1, kMax, kMax + 1, 3 * kMax, 4095};
constexpr std::array<float, 20> kValues = {0.0f,  1.0f,   0.5f,  -1.0f, 2.0f,  10.0f, -10.0f, 25.0f, 3.0f,  5.0f,
                                           -50.0f, 50.0f, kNaN,  kInf,  -kInf, 1e6f,  -1e6f,  1e30f, 0.49f, 26.0f};
constexpr std::array<float, 10> kAmplitudes = {1.0f, 0.5f, 0.01f, 0.0f, 1e6f, -1e6f, 1e30f, kNaN, kInf, 1e-40f};
constexpr std::array<std::int64_t, 10> kEventFrames = {0, 1, 63, 64, 511, 4095, -1, -100000, 1LL << 40,
                                                       std::numeric_limits<std::int64_t>::min()};
constexpr std::array<std::uint32_t, 10> kNotifyCapacities = {8, 16, 24, 40, 64, 100, 128, 256, 4096, kMaxNotifyBytes};
constexpr unsigned char kCanary = 0xA5;

// The host's urid:map: URIs numbered in the order first asked for, the same
// for the whole run.
struct UridMap {
    std::vector<std::string> uris;
    LV2_URID_Map feature{this, [](LV2_URID_Map_Handle self, const char* uri) -> LV2_URID {
                             auto& known = static_cast<UridMap*>(self)->uris;
                             const auto at = std::find(known.begin(), known.end(), uri);
                             if (at != known.end()) return LV2_URID(at - known.begin() + 1);
                             known.emplace_back(uri);
                             return LV2_URID(known.size());
                         }};
    LV2_URID map(const char* uri) { return feature.map(feature.handle, uri); }
};

struct Module {
    const LV2_Descriptor* descriptor = nullptr;
    UridMap urids;
    LV2_URID sequence = 0, midiEvent = 0, object = 0, meterRequest = 0, atomInt = 0;
};

Module& module() {
    static Module m = [] {
        Module q;
        const std::string path = std::string(TALKFORGE_LV2_BUNDLE) + "/" + kDspBinary;
        // Loaded once and never unloaded: its coverage counters stay mapped.
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) fail("cannot load %s: %s", path.c_str(), dlerror());
        const auto entry = reinterpret_cast<const LV2_Descriptor* (*)(std::uint32_t)>(dlsym(library, "lv2_descriptor"));
        if (!entry || !(q.descriptor = entry(0))) fail("no descriptor in %s", path.c_str());
        if (entry(1)) fail("a second descriptor");
        q.sequence = q.urids.map(LV2_ATOM__Sequence);
        q.midiEvent = q.urids.map(LV2_MIDI__MidiEvent);
        q.object = q.urids.map(LV2_ATOM__Object);
        q.meterRequest = q.urids.map(kMeterRequestUri);
        q.atomInt = q.urids.map(LV2_ATOM__Int);
        return q;
    }();
    return m;
}

// What a port is connected to.
enum class Link : std::uint8_t { None, Own, Shared };

class Session {
public:
    explicit Session(Input& input) : in(input) {
        controls.fill(0.0f);
        links.fill(Link::Own);
        for (std::uint32_t i = 0; i < kNumParams; ++i) controls[i] = portRange(std::int32_t(i)).defaultValue;
        controls[kEnabledPort] = 1.0f;
    }
    ~Session() { cleanup(); }

    void run() {
        instantiate(44100.0, true);
        for (int n = 0; n < kMaxActions && !in.done(); ++n) runAction(in.u8());
    }

private:
    const LV2_Descriptor& d() const { return *module().descriptor; }

    void instantiate(double rate, bool withMap) {
        if (instantiateBudget == 0) return;
        --instantiateBudget;
        cleanup();
        const LV2_Feature mapFeature{LV2_URID__map, &module().urids.feature};
        const LV2_Feature* features[] = {withMap ? &mapFeature : nullptr, nullptr};
        handle = d().instantiate(&d(), rate, "/nonexistent/talkforge.lv2/", features);
        if (!handle) {
            if (rate >= 1000.0 && rate <= 1e6) fail("no instance at %g Hz", rate);
            return;
        }
        sampleRate = rate;
        hasMap = withMap;
        // Hosts connect every port before they run an instance.
        for (std::uint32_t port = 0; port < kNumPorts; ++port) links[port] = Link::Own;
        connectControls();
        latencyOut = kNaN;
    }

    void cleanup() {
        if (handle) d().cleanup(handle);
        handle = nullptr;
    }

    void connectControls() {
        for (std::uint32_t port = 0; port < kNumParams; ++port) connectControl(port);
        connectControl(kEnabledPort);
        d().connect_port(handle, kLatencyPort, links[kLatencyPort] == Link::None ? nullptr : &latencyOut);
        d().connect_port(handle, kMidiPort, links[kMidiPort] == Link::None ? nullptr : midi.data());
    }

    void connectControl(std::uint32_t port) {
        d().connect_port(handle, port, links[port] == Link::None ? nullptr : &controls[port]);
    }

    void connect() {
        const std::uint8_t k = in.u8();
        const std::uint32_t port = k < kNumPorts ? k : (k == 0xFF ? in.u32() : kNumPorts + k % 4);
        const auto link = static_cast<Link>(in.u8() % 3);
        if (port >= kNumPorts) {
            // Ports the module does not have: hosts that get it wrong must not hurt it.
            d().connect_port(handle, port, link == Link::None ? nullptr : &stray);
            return;
        }
        // The audio and notify ports are connected to their buffers when a
        // run comes; a shared output has an input's buffer (in place).
        links[port] = link;
        if (port < kNumParams || port == kEnabledPort) connectControl(port);
        else if (port == kLatencyPort) d().connect_port(handle, port, link == Link::None ? nullptr : &latencyOut);
        else if (port == kMidiPort) d().connect_port(handle, port, link == Link::None ? nullptr : midi.data());
    }

    void setControl() {
        const std::uint8_t k = in.u8();
        const std::uint32_t port = k < kNumParams ? k : kEnabledPort;
        const std::uint8_t v = in.u8();
        controls[port] = v < kValues.size() ? kValues[v]
                         : v == 0xFF        ? in.f32()
                                            : float(v - kValues.size()) / 8.0f;
    }

    // The next run's MIDI input: a sequence of events written as a host writes them.
    void writeMidi() {
        std::fill(midi.begin(), midi.end(), 0);
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(midi.data());
        const std::uint8_t kind = in.u8();
        seq->atom.type = kind == 0xFE ? module().atomInt : module().sequence;
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->body.unit = 0;
        const std::size_t count = in.u8() % (kMaxMidiEvents + 1);
        const std::size_t capacity = midi.size() * sizeof(std::uint64_t);
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t body[16];
            const std::uint8_t form = in.u8();
            const std::int64_t frame = in.pick(kEventFrames, [&] { return std::int64_t(in.u32()); });
            std::uint32_t size = 0;
            LV2_URID type = module().midiEvent;
            if (form % 8 == 6) {
                // The UI's request for meters, an object of no properties.
                type = module().object;
                const LV2_Atom_Object_Body request{0, module().meterRequest};
                std::memcpy(body, &request, sizeof request);
                size = sizeof request;
            } else {
                if (form % 8 == 7) type = in.u8() & 1 ? module().object : LV2_URID(in.u32());
                size = in.u8() % (sizeof body + 1);
                for (std::uint32_t b = 0; b < size; ++b) body[b] = in.u8();
            }
            const std::size_t used = sizeof(LV2_Atom) + seq->atom.size;
            if (used + lv2_atom_pad_size(sizeof(LV2_Atom_Event) + size) > capacity) break;
            auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<std::uint8_t*>(seq) + used);
            ev->time.frames = frame;
            ev->body.type = type;
            ev->body.size = size;
            std::memcpy(ev + 1, body, size);
            seq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + size);
        }
    }

    // A block's channel buffer: new float[n], so that it is never null and
    // the sanitizer sees any access past its end.
    using Channel = std::unique_ptr<float[]>;

    // Fills an input as the program says; returns whether every sample is sane.
    bool fill(float* samples, std::uint32_t n) {
        const std::uint8_t mode = in.u8() % 4;
        const float amp = in.pick(kAmplitudes, [&] { return in.f32(); });
        const std::uint32_t seed = in.u32() | 1u;
        std::uint32_t x = seed;
        for (std::uint32_t i = 0; i < n; ++i) {
            switch (mode) {
            case 0: samples[i] = 0.0f; break;
            case 1: samples[i] = amp * float(std::sin(double(i) * (1.0 + (seed & 0x3FF)) * 1e-4)); break;
            case 2:
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                samples[i] = amp * (float(x >> 8) / float(1 << 23) - 1.0f);
                break;
            default: samples[i] = i % (1 + (seed & 0x1FF)) == 0 ? amp : 0.0f; break;
            }
        }
        return std::all_of(samples, samples + n, [](float s) { return sane(s); });
    }

    void run(std::uint32_t frames) {
        if (long(frames) > framesLeft) return;
        framesLeft -= long(frames);
        // The notify buffer exactly as large as the host says, in whole words
        // for the atoms' alignment, the rest of its last word a guard.
        const std::uint32_t capacity =
            in.pick(kNotifyCapacities, [&] { return std::max<std::uint32_t>(8, in.u32() % (kMaxNotifyBytes + 1)); });
        const std::size_t words = (capacity + 7) / 8;
        std::unique_ptr<std::uint64_t[]> notify(new std::uint64_t[words]);
        auto* notifyBytes = reinterpret_cast<unsigned char*>(notify.get());
        std::memset(notifyBytes, kCanary, words * 8);
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(notify.get());
        sequence->atom.type = 0;
        sequence->atom.size = capacity;  // how hosts give the buffer's capacity
        d().connect_port(handle, kNotifyPort, links[kNotifyPort] == Link::None ? nullptr : sequence);

        const std::size_t n = std::max<std::uint32_t>(frames, 1);
        Channel voice(new float[n]), carrier(new float[n]), out1(new float[n]), out2(new float[n]);
        bool saneRun = fill(voice.get(), frames);
        saneRun = fill(carrier.get(), frames) && saneRun;
        const std::uint8_t placement = in.u8();
        float unwritten;
        std::memcpy(&unwritten, &kUnwrittenBits, sizeof unwritten);
        std::fill_n(out1.get(), n, unwritten);
        std::fill_n(out2.get(), n, unwritten);
        // Outputs in place over the inputs, where the program says so.
        float* outputs[2] = {links[kOutput1Port] == Link::Shared ? voice.get() : out1.get(),
                             links[kOutput2Port] == Link::Shared ? (placement & 1 ? carrier.get() : voice.get())
                                                                 : out2.get()};
        const auto linked = [&](std::uint32_t port, float* buffer) { return links[port] == Link::None ? nullptr : buffer; };
        d().connect_port(handle, kVoicePort, linked(kVoicePort, voice.get()));
        d().connect_port(handle, kCarrierPort, linked(kCarrierPort, carrier.get()));
        d().connect_port(handle, kOutput1Port, linked(kOutput1Port, outputs[0]));
        d().connect_port(handle, kOutput2Port, linked(kOutput2Port, outputs[1]));
        for (std::uint32_t port = 0; port < kNumParams; ++port)
            if (links[port] != Link::None) saneRun = sane(controls[port]) && saneRun;
        if (links[kEnabledPort] != Link::None) saneRun = sane(controls[kEnabledPort]) && saneRun;
        saneRun = saneRun && sampleRate >= 1000.0 && sampleRate <= 1e6;

        d().run(handle, frames);

        const bool inPlace = links[kOutput1Port] == Link::Shared || links[kOutput2Port] == Link::Shared;
        const bool audio = std::all_of(links.begin() + kVoicePort, links.begin() + kOutput2Port + 1,
                                       [](Link l) { return l != Link::None; });
        for (std::uint32_t i = 0; i < frames; ++i) {
            for (int o = 0; o < 2; ++o) {
                if (links[kOutput1Port + std::uint32_t(o)] == Link::None) continue;
                const float s = outputs[o][i];
                if (!inPlace && std::memcmp(&s, &unwritten, sizeof s) == 0)
                    fail("a run of %u frames left frame %u of output %d unwritten", frames, i, o + 1);
                if (audio && saneRun && !std::isfinite(s))
                    fail("a run of %u frames at %g Hz with finite inputs and values gives %g at frame %u", frames,
                         sampleRate, double(s), i);
            }
            if (audio && !inPlace && std::memcmp(&outputs[0][i], &outputs[1][i], sizeof(float)) != 0)
                fail("a run of %u frames: the outputs differ at frame %u", frames, i);
        }
        // Released as a host does; the module must not keep them.
        for (std::uint32_t port : {kVoicePort, kCarrierPort, kOutput1Port, kOutput2Port, kNotifyPort})
            d().connect_port(handle, port, nullptr);

        if (links[kLatencyPort] != Link::None && latencyOut != float(latencyFrames(sampleRate)))
            fail("the latency port holds %g, not %d", double(latencyOut), latencyFrames(sampleRate));
        for (std::size_t b = capacity; b < words * 8; ++b)
            if (notifyBytes[b] != kCanary) fail("the notify port was written past its %u bytes", capacity);
        if (links[kNotifyPort] != Link::None && hasMap) checkNotify(*sequence, capacity, frames);
    }

    // The notify port: the capacity as it was, or a sequence of whole events within it.
    void checkNotify(const LV2_Atom_Sequence& out, std::uint32_t capacity, std::uint32_t frames) {
        if (out.atom.type == 0) {
            if (out.atom.size != capacity) fail("the notify port's capacity changed to %u", out.atom.size);
            return;
        }
        if (out.atom.type != module().sequence) fail("the notify port holds an atom of type %u", out.atom.type);
        if (sizeof(LV2_Atom) + std::size_t(out.atom.size) > capacity)
            fail("the notify sequence of %u bytes overruns its %u-byte buffer", out.atom.size, capacity);
        std::int64_t previous = 0;
        std::size_t offset = sizeof(LV2_Atom_Sequence_Body);
        while (offset < out.atom.size) {
            if (offset + sizeof(LV2_Atom_Event) > out.atom.size) fail("a notify event's header is cut off");
            const auto* ev = reinterpret_cast<const LV2_Atom_Event*>(reinterpret_cast<const std::uint8_t*>(&out.body) +
                                                                     offset);
            if (offset + sizeof(LV2_Atom_Event) + ev->body.size > out.atom.size) fail("a notify event is cut off");
            if (ev->time.frames < previous || ev->time.frames >= std::int64_t(std::max<std::uint32_t>(frames, 1)))
                fail("a notify event at frame %lld of a run of %u", static_cast<long long>(ev->time.frames), frames);
            previous = ev->time.frames;
            offset += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + ev->body.size);
        }
    }

    void runAction(std::uint8_t op) {
        if (!handle && op % 8 != 0) return;  // nothing to call yet
        switch (op % 8) {
        case 0: {
            const double rate = in.pick(kRates, [&] { return double(in.f32()); });
            return instantiate(rate, in.u8() != 0xFE);
        }
        case 1: return connect();
        case 2:
        case 3: return setControl();
        case 4: return writeMidi();
        case 5: d().activate(handle); return;
        default: return run(in.pick(kFrames, [&] { return std::uint32_t(in.u16()); }));
        }
    }

    Input& in;
    LV2_Handle handle = nullptr;
    double sampleRate = 0.0;
    bool hasMap = false;
    std::array<float, kNumPorts> controls{};
    std::array<Link, kNumPorts> links{};
    float latencyOut = 0.0f;
    float stray = 0.0f;
    std::array<std::uint64_t, 512> midi{};
    long framesLeft = kFrameBudget;
    int instantiateBudget = kInstantiateBudget;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    module();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    Session(input).run();
    return 0;
}
