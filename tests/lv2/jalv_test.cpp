// The UI in a real host: jalv.gtk3 on a private JACK server with the dummy
// backend, under the test's X server. It embeds the UI, whose pixels equal
// the headless editor's; a voice this program plays into the plug-in moves
// the meters; a click on the chord keyboard reaches the plug-in (the drone it
// switches on makes the vocoded output sound, which this program hears);
// jalv's dump shows the UI's messages to the plug-in; jalv closes cleanly.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>

#include "editor/keyboard.h"
#include "editor/layout.h"
#include "gui/platform/raster/png.h"
#include "plugin/lv2/ports.h"
#include "tests/editor/headless_panel.h"
#include "tests/gui-x11/xsession.h"
#include "tests/process.h"

// Last: Xlib's macros would meet the project's names.
#include <X11/Xlib.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 385;
constexpr float kAudible = 0.01f;

// This program on the JACK server: a voice into the plug-in, its output heard.
class Probe {
public:
    ~Probe() { close(); }
    bool open(const std::string& name) {
        client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (!client) return false;
        voice = jack_port_register(client, "voice", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        heard = jack_port_register(client, "heard", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        rate = double(jack_get_sample_rate(client));
        jack_set_process_callback(client, process, this);
        return voice && heard && jack_activate(client) == 0;
    }
    void close() {
        if (client) jack_client_close(client);
        client = nullptr;
    }
    bool connect(const std::string& from, const std::string& to) {
        return jack_connect(client, from.c_str(), to.c_str()) == 0;
    }
    bool hasPort(const std::string& name) { return jack_port_by_name(client, name.c_str()) != nullptr; }

    std::atomic<bool> playing{false};
    std::atomic<float> peak{0.0f};  // of what it heard since the last reset

private:
    static int process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<Probe*>(arg);
        auto* out = static_cast<float*>(jack_port_get_buffer(self->voice, frames));
        const auto* in = static_cast<const float*>(jack_port_get_buffer(self->heard, frames));
        float p = self->peak.load(std::memory_order_relaxed);
        for (jack_nframes_t i = 0; i < frames; ++i) {
            // A buzz of a few harmonics: it fills many bands.
            double s = 0.0;
            for (int h = 1; h <= 6; ++h) s += std::sin(2.0 * std::numbers::pi * 180.0 * h * self->t) / h;
            out[i] = self->playing ? float(0.4 * s) : 0.0f;
            self->t += 1.0 / self->rate;
            p = std::max(p, std::fabs(in[i]));
        }
        self->peak.store(p, std::memory_order_relaxed);
        return 0;
    }

    jack_client_t* client = nullptr;
    jack_port_t* voice = nullptr;
    jack_port_t* heard = nullptr;
    double rate = 48000.0;
    double t = 0.0;
};

// The window without children of this size: the UI's own, inside the host's.
Window findUiWindow(Display* d, Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = findUiWindow(d, children[i]);
    if (children) XFree(children);
    if (found || count > 0) return found;
    XWindowAttributes a{};
    return XGetWindowAttributes(d, w, &a) && a.width == kWidth && a.height == kHeight && a.map_state == IsViewable ? w
                                                                                                                  : 0;
}

TEST(Lv2InJalv, EmbedsTheUiShowsTheEditorMovesTheMetersAndTakesClicks) {
    for (const char* program : {"jackd", "jalv.gtk3"})
        if (!testprocess::onPath(program)) GTEST_SKIP() << program << " is not installed (scripts/deps installs it)";
    tf::xtest::XSession session(10, 10);  // this program's X connection, for input and pixels
    ASSERT_TRUE(session.ok());
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);

    std::string scratch = (fs::temp_directory_path() / "talkforge-jalv-XXXXXX").string();
    ASSERT_NE(mkdtemp(scratch.data()), nullptr);
    const fs::path dir = scratch;
    fs::create_directories(dir / "lv2");
    fs::create_directory_symlink(TALKFORGE_LV2_BUNDLE, dir / "lv2" / "talkforge.lv2");

    // A JACK server of this test's own, stopped by its process id.
    // The same name in every run: jackd frees the entry of a server a run left behind.
    const std::string server = "talkforge-lv2-jalv";
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    // The machine's JACK servers are few (other test runs may hold them all for
    // a while): a server refused for that is tried again.
    std::unique_ptr<testprocess::Started> jackd;
    Probe probe;
    jack_set_error_function([](const char*) {});  // the tries before the server is up
    jack_set_info_function([](const char*) {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    bool up = false;
    while (!up && std::chrono::steady_clock::now() < deadline) {
        jackd = std::make_unique<testprocess::Started>(
            std::vector<std::string>{"jackd", "-n", server, "-r", "-d", "dummy", "-r", "48000", "-p", "512"},
            std::vector<std::string>{}, dir / "jackd.log");
        up = tf::xtest::waitFor([&] { return probe.open("probe") || !jackd->running(); }, nullptr, 10000) &&
             jackd->running();
        if (!up && testprocess::slurp(dir / "jackd.log").find("Too many servers") == std::string::npos) break;
        if (!up) usleep(1000000);
    }
    ASSERT_TRUE(up) << testprocess::slurp(dir / "jackd.log");

    const std::string client = "talkforge-jalv";
    testprocess::Started jalv({"jalv.gtk3", "-d", "--jack-name", client, "-x", tf::lv2::kPluginUri},
                              {"LV2_PATH=" + (dir / "lv2").string() + ":/usr/lib/lv2"}, dir / "jalv.log");
    Window ui = 0;
    ASSERT_TRUE(tf::xtest::waitFor(
        [&] { return (ui = findUiWindow(display, DefaultRootWindow(display))) != 0 && probe.hasPort(client + ":voice"); },
        nullptr, 20000))
        << testprocess::slurp(dir / "jalv.log");
    ASSERT_TRUE(probe.connect("probe:voice", client + ":voice"));
    ASSERT_TRUE(probe.connect(client + ":output_1", "probe:heard"));

    // Silence and no carrier: the editor as the headless binding draws the defaults.
    std::vector<float> defaults;
    for (const ParameterInfo& p : kParameters) defaults.push_back(p.defaultValue);
    const tf::raster::Surface still = editortest::headlessPanel(defaults);
    const auto shown = [&] { return session.grab(ui, CRect(0, 0, kWidth, kHeight)); };
    EXPECT_TRUE(tf::xtest::waitFor([&] { return tf::xtest::differingPixels(shown(), still) == 0; }, nullptr, 5000));
    EXPECT_EQ(tf::xtest::differingPixels(shown(), still), 0);
    tf::raster::writePng(shown(), std::string(TF_ARTEFACT_DIR) + "/lv2-jalv.png");

    // A voice plays: the modulator's meter rises.
    const auto meterLit = [&](int meter) {
        const tf::raster::Surface s = shown();
        const CRect r = layout::kMeters[std::size_t(meter)];
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (s.pixel(x, y) != still.pixel(x, y)) return true;
        return false;
    };
    probe.playing = true;
    EXPECT_TRUE(tf::xtest::waitFor([&] { return meterLit(0); }, nullptr, 5000)) << "the voice's meter did not move";
    probe.peak = 0.0f;
    usleep(200000);
    EXPECT_LT(probe.peak.load(), kAudible) << "no carrier yet, yet the output sounds";

    // A click on the chord keyboard: a drone note, written to the plug-in's
    // ports, gives the voice a carrier and the output sounds.
    const CPoint key = CKeyboardBitmap::dotPosition(12);
    session.click({layout::kKeyboard.left + key.x + 5, layout::kKeyboard.top + 50}, ui);
    EXPECT_TRUE(tf::xtest::waitFor([&] { return probe.peak.load() > kAudible; }, nullptr, 5000))
        << "the click did not reach the plug-in";
    EXPECT_TRUE(tf::xtest::waitFor([&] { return meterLit(1); }, nullptr, 5000)) << "the carrier's meter did not move";
    tf::raster::writePng(shown(), std::string(TF_ARTEFACT_DIR) + "/lv2-jalv-playing.png");

    // jalv closes on an interrupt, the UI with it, without an error.
    probe.close();
    EXPECT_EQ(jalv.stop(SIGINT, std::chrono::seconds(10)), 0) << testprocess::slurp(dir / "jalv.log").substr(0, 2000);
    EXPECT_EQ(findUiWindow(display, DefaultRootWindow(display)), 0u);
    const std::string dump = testprocess::slurp(dir / "jalv.log");
    EXPECT_NE(dump.find(std::string("## UI => Plugin")), std::string::npos);
    EXPECT_NE(dump.find(tf::lv2::kMeterRequestUri), std::string::npos) << "the UI's requests are not in jalv's dump";
    EXPECT_NE(dump.find(tf::lv2::kMetersUri), std::string::npos) << "the DSP's meters are not in jalv's dump";
    jackd->stop(SIGTERM);
    XCloseDisplay(display);
    fs::remove_all(dir);
}

}  // namespace
