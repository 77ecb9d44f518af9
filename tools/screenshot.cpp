// talkforge screenshot: opens the plug-in's editor in a window of its own,
// plays a voice through the plug-in in real time while idling the editor as
// a host does, and saves what the window shows at the voice's loudest moment.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "gui/platform/raster/png.h"
#include "gui/platform/x11/hostwindow.h"
#include "tools/audio_source.h"
#include "tools/commands.h"
#include "tools/error.h"
#include "tools/plugin_host.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;              // about 11 ms, as hosts run
constexpr double kMaxSeconds = 30.0;     // of the voice looked at: a picture needs a few
constexpr double kLoudnessWindow = 0.2;  // seconds over which the loudest moment is found
constexpr int kSettleIdles = 3;          // idles after the last block, so every change is drawn
constexpr const char* kTitle = "Talkforge";

// The end of the window of the voice with the most energy: where the meters
// and the spectrum show the most.
std::size_t loudestMoment(const std::vector<float>& voice) {
    const auto window = static_cast<std::size_t>(kLoudnessWindow * kRate);
    if (voice.size() <= window) return voice.size();
    double energy = 0.0;
    for (std::size_t i = 0; i < window; ++i) energy += double(voice[i]) * voice[i];
    double best = energy;
    std::size_t end = window;
    for (std::size_t i = window; i < voice.size(); ++i) {
        energy += double(voice[i]) * voice[i] - double(voice[i - window]) * voice[i - window];
        if (energy > best) {
            best = energy;
            end = i + 1;
        }
    }
    return end;
}

// The voice at the processing rate, at most its first kMaxSeconds.
std::vector<float> readVoice(const std::string& path) {
    AudioSource source(path, "voice file", false);
    source.convertTo(kRate);
    std::vector<float> voice;
    const auto limit = static_cast<std::size_t>(kMaxSeconds * kRate);
    std::vector<float> block(kBlock);
    while (!source.ended() && voice.size() < limit) {
        const int n = source.read(block.data(), kBlock);
        voice.insert(voice.end(), block.begin(), block.begin() + n);
    }
    return voice;
}

std::unique_ptr<tf::x11host::HostWindow> openWindow(int width, int height) {
    std::string why;
    auto window = tf::x11host::HostWindow::open(width, height, kTitle, why);
    if (!window)
        throw ToolError(why + "; the screenshot needs one: run it on a virtual display with\n"
                              "  xvfb-run -a -s '-screen 0 1024x768x24' talkforge screenshot ...");
    return window;
}

}  // namespace

int runScreenshot(const CommandLine& cl) {
    const std::string voicePath = cl.files.empty() ? demoVoicePath() : cl.files[0];
    const std::vector<float> input = readVoice(voicePath);

    PluginHost plugin(pluginPath(cl));
    const ParameterPlan plan = planParameters(plugin, cl, InputSwitches{}, true);
    int width = 0, height = 0;
    if (!plugin.editorSize(width, height)) throw ToolError("the plug-in has no editor to take a picture of");
    const auto window = openWindow(width, height);

    plugin.start(kRate, kBlock);
    applyPlan(plugin, plan);
    if (!plugin.openEditor(window->handle())) throw ToolError("the plug-in's editor did not open");

    // Real time: each block is due when the one before it would have played.
    const std::size_t stop = loudestMoment(input);
    std::vector<float> in1(kBlock), silence(kBlock, 0.0f), out1(kBlock), out2(kBlock);
    float* inputs[2] = {in1.data(), silence.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    const auto blockTime = std::chrono::duration<double>(kBlock / kRate);
    auto due = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stop; at += kBlock) {
        const std::size_t n = std::min<std::size_t>(kBlock, input.size() - at);
        std::fill(std::copy_n(input.begin() + std::ptrdiff_t(at), n, in1.begin()), in1.end(), 0.0f);
        plugin.process(inputs, outputs, kBlock);
        window->processEvents();
        plugin.idleEditor();
        due += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
        std::this_thread::sleep_until(due);
    }
    for (int i = 0; i < kSettleIdles; ++i) {
        window->processEvents();
        plugin.idleEditor();
        std::this_thread::sleep_for(blockTime);
    }
    const tf::raster::Surface shot = window->grab();
    plugin.closeEditor();
    if (!tf::raster::writePng(shot, cl.output)) {
        std::remove(cl.output.c_str());
        throw ToolError("cannot write '" + cl.output + "'");
    }
    std::printf("talkforge: wrote %s: the editor, %d x %d, %.2f s into '%s'\n", cl.output.c_str(), width, height,
                double(stop) / kRate, voicePath.c_str());
    return 0;
}
