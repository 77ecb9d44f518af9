// A small LV2 host for the tests, on lilv as real hosts are: it reads the
// built bundle's descriptions, instantiates the DSP module with the features
// a host passes, connects ports found by symbol and runs blocks with MIDI and
// UI messages in, reading what the plug-in sends on its notify port. It also
// loads the UI module as a host does, through the UI's binary in the bundle.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2test {

// urid:map and urid:unmap over one table.
class UridTable {
public:
    UridTable();
    LV2_URID id(const std::string& uri);
    std::string uri(LV2_URID id) const;
    LV2_URID_Map* map() { return &mapFeature; }
    LV2_URID_Unmap* unmap() { return &unmapFeature; }

private:
    std::vector<std::string> uris;  // id - 1
    LV2_URID_Map mapFeature{};
    LV2_URID_Unmap unmapFeature{};
};

// The bundle as lilv reads it.
class Bundle {
public:
    Bundle();  // the built bundle
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;
    const LilvPlugin* plugin() const { return plugin_; }
    LilvWorld* world() const { return world_; }
    // The port's index by symbol; throws when there is none.
    std::uint32_t index(const std::string& symbol) const;
    // The UI module's file, as the bundle names it.
    std::string uiBinary() const;

private:
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
};

// A message the plug-in sent on its notify port.
struct Notice {
    std::int64_t frame = 0;
    std::string type;  // the object's type URI
    std::vector<float> meters;  // a meter message's values
    int index = -1;  // a parameter change's parameter
    float value = 0.0f;
};

class DspHost {
public:
    // An instance at `rate`; without `map`, one made with no features at all.
    DspHost(Bundle& bundle, double rate, bool map = true);
    ~DspHost();
    DspHost(const DspHost&) = delete;
    DspHost& operator=(const DspHost&) = delete;

    // Control ports: the values the host holds, connected at construction.
    float& control(const std::string& symbol);
    float latency() const { return latencyValue; }
    // Audio: the host's buffers, connected before each run (in the order
    // given by connectOrder when set). Their length is the block's.
    std::vector<float> voice, carrier, out1, out2;
    std::vector<std::uint32_t> connectOrder;
    bool connectMidi = true;
    bool connectNotify = true;

    // Events for the next run only.
    void midi(std::int64_t frame, std::vector<std::uint8_t> bytes);
    void requestMeters(std::int64_t frame = 0);
    // Runs `frames` frames of the audio buffers (resized to fit, new space 0).
    void run(std::uint32_t frames);
    void activate();
    // What the last run sent.
    std::vector<Notice> notices;
    // Set to true for exactly the time of the module's run().
    bool* duringRun = nullptr;

    UridTable urids;

private:
    void connectAll();
    void readNotices();

    Bundle& bundle;
    LilvInstance* instance = nullptr;
    std::map<std::uint32_t, float> controls;
    float latencyValue = -1.0f;
    std::vector<std::uint64_t> midiBuffer, notifyBuffer;  // atom sequences, 8-byte aligned
    LV2_Atom_Forge forge{};
    LV2_Atom_Forge_Frame sequenceFrame{};
    bool sequenceOpen = false;
    void openSequence();
};

// The UI module loaded as a host loads it: dlopen, lv2ui_descriptor, the
// features, and the UI's writes and touches recorded.
class UiHost {
public:
    struct Write {
        std::uint32_t port;
        std::uint32_t format;  // 0 for a float
        float value;           // a float write's value
        std::string type;      // an atom write's object type
    };
    struct Touch {
        std::uint32_t port;
        bool grabbed;
    };

    explicit UiHost(Bundle& bundle);
    ~UiHost();
    UiHost(const UiHost&) = delete;
    UiHost& operator=(const UiHost&) = delete;

    // Instantiates the UI in `parent` (an X11 window); false when refused.
    bool open(unsigned long parent, bool touch = true);
    void close();
    bool isOpen() const { return handle != nullptr; }
    unsigned long widget() const { return widgetId; }
    int idle();
    void portEvent(std::uint32_t port, float value);
    // A message from the DSP: meters, or a parameter the engine changed.
    void meters(const std::vector<float>& values);
    void parameterChange(int index, float value);

    std::vector<Write> writes;
    std::vector<Touch> touches;
    int resizedWidth = 0, resizedHeight = 0;
    UridTable urids;

private:
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer);
    static LV2UI_Feature_Handle self(LV2UI_Feature_Handle h) { return h; }
    void send(const LV2_Atom* atom);

    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::string bundlePath;
    LV2UI_Handle handle = nullptr;
    unsigned long widgetId = 0;
    LV2UI_Resize resize{};
    LV2UI_Touch touch{};
};

}  // namespace lv2test
