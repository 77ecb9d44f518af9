// talkforge_soak: a long run of the built plug-in as a live session has it.
// Ten minutes of audio (by default) at 48 kHz in 64-frame blocks, with the
// editor open in a window and idled every 25 blocks (about 30 times a second
// of audio), some parameter changed before every block, MIDI notes, chords,
// pitch bend and the sustain pedal on Freeze, and the playback mode, the
// carrier and the waveform switched now and then. It reports, for each minute
// of audio, the output's peak and RMS level and the process's resident
// memory, and fails when an output sample is not finite, the output leaves
// its bound, or memory grows after the first minute.
//
//   xvfb-run -a -s '-screen 0 1024x768x24' build/release/tools/talkforge_soak [--minutes N] [--plugin PATH]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "gui/platform/x11/hostwindow.h"
#include "tools/audio_source.h"
#include "tools/error.h"
#include "tools/plugin_host.h"
#include "vocoder/talkforge.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 64;
constexpr int kIdleEveryBlocks = 25;
constexpr int kBlocksPerMinute = int(60 * kRate) / kBlock;
// Far above anything the parameters' ranges give (about +20 dBFS at most):
// a sample beyond it means the signal path has run away.
constexpr double kOutputBound = 100.0;  // +40 dBFS
// Resident memory may move by a few pages (the X connection's buffers); more
// than this after the first minute is growth.
constexpr long kFlatKiB = 1024;
constexpr float kMidi64 = 0.9f;  // a FreezeKey value naming the sustain pedal

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double dbfs(double level) { return level > 0.0 ? 20.0 * std::log10(level) : -INFINITY; }

// The voice, looped: the demo phrase at the processing rate.
std::vector<float> readVoice(const std::string& path) {
    AudioSource source(path, "voice file", false);
    source.convertTo(kRate);
    std::vector<float> voice;
    std::vector<float> block(4096);
    while (!source.ended()) {
        const int n = source.read(block.data(), int(block.size()));
        voice.insert(voice.end(), block.begin(), block.begin() + n);
    }
    if (voice.empty()) throw ToolError("voice file '" + path + "' holds no audio");
    return voice;
}

// What the host does before block `b`: one parameter change (a different one
// each block, every value inside its range) and, now and then, MIDI.
void automate(PluginHost& plugin, long b, std::vector<TimedMidi>& midi) {
    const auto phase = [b](double period) { return 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * double(b) / period); };
    switch (b % 8) {
    case 0: plugin.setParameter(kBand1 + int((b / 8) % kNumBands), float(phase(3000.0))); break;
    case 1: plugin.setParameter(kFormant, float(phase(5000.0))); break;
    case 2: plugin.setParameter(kModLevel, float(0.3 + 0.4 * phase(700.0))); break;
    case 3: plugin.setParameter(kTune, float(phase(9000.0))); break;
    case 4: plugin.setParameter(kSynthVol, float(0.2 * phase(1300.0))); break;
    case 5: plugin.setParameter(kOutLevel, float(0.4 + 0.2 * phase(2100.0))); break;
    case 6: plugin.setParameter(kWaveform, float((b / 4000) % 4) / 3.0f); break;
    default: plugin.setParameter(kO1Level + 2 * int((b / 8) % kNumOscillators), float(phase(1700.0))); break;
    }
    // Every 20 seconds: playback from MIDI or the drone chord, the synthesizer
    // or the voice itself as the carrier.
    if (b % 15000 == 0) {
        const long section = b / 15000;
        plugin.setParameter(kPlayback, section % 2 ? 1.0f : 0.0f);
        plugin.setParameter(kSource, section % 3 == 2 ? 1.0f : 0.0f);
        plugin.setParameter(kFreezeKey, section % 4 == 1 ? kMidi64 : 0.0f);
    }
    midi.clear();
    const auto message = [&](int status, int data1, int data2, int frame) {
        midi.push_back({frame, {std::uint8_t(status), std::uint8_t(data1), std::uint8_t(data2)}});
    };
    // A chord every half second, released after 0.4 s; bends, the mod wheel
    // and the pedal between.
    const long step = b % 375;
    const int root = 36 + int((b / 375) % 24);
    if (step == 0)
        for (int k : {0, 4, 7, 11}) message(0x90, root + k, 100, int(b % kBlock));
    if (step == 300)
        for (int k : {0, 4, 7, 11}) message(0x80, root + k, 0, 17);
    if (step == 100) message(0xE0, 0, int(32 + (b / 375) % 64), 5);
    if (step == 150) message(0xB0, 1, int((b / 375) % 128), 9);
    if (step == 200) message(0xB0, 64, 127, 3);
    if (step == 350) message(0xB0, 64, 0, 40);
    plugin.sendEvents(midi, 0);
}

struct Minute {
    double peak = 0.0;
    double energy = 0.0;
    long frames = 0;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        int minutes = 10;
        std::string pluginPath = TALKFORGE_PLUGIN_PATH, voicePath = TALKFORGE_DEMO_VOICE;
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--minutes" && i + 1 < argc)
                minutes = std::max(1, std::atoi(argv[++i]));
            else if (a == "--plugin" && i + 1 < argc)
                pluginPath = argv[++i];
            else if (a == "--voice" && i + 1 < argc)
                voicePath = argv[++i];
            else
                throw ToolError("usage: talkforge_soak [--minutes N] [--plugin PATH] [--voice FILE]");
        }
        const std::vector<float> voice = readVoice(voicePath);
        PluginHost plugin(pluginPath);
        int width = 0, height = 0;
        if (!plugin.editorSize(width, height)) throw ToolError("the plug-in has no editor");
        std::string why;
        const auto window = tf::x11host::HostWindow::open(width, height, "talkforge_soak", why);
        if (!window) throw ToolError(why + "; run the soak on a virtual display (xvfb-run -a)");
        plugin.start(kRate, kBlock);
        if (!plugin.openEditor(window->handle())) throw ToolError("the editor did not open");

        const long startKiB = residentKiB();  // the editor open, before the first block
        std::printf("%d minutes of audio at %g Hz in blocks of %d, editor open; resident at the start %ld KiB\n",
                    minutes, kRate, kBlock, startKiB);
        std::printf("minute  peak dBFS  RMS dBFS  resident KiB  seconds\n");
        std::vector<float> mod(kBlock), car(kBlock), out1(kBlock), out2(kBlock);
        float* in[2] = {mod.data(), car.data()};
        float* out[2] = {out1.data(), out2.data()};
        std::vector<TimedMidi> midi;
        std::vector<long> resident;
        double worstPeak = 0.0;
        long idles = 0;
        std::size_t at = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int m = 0; m < minutes; ++m) {
            Minute minute;
            for (long b = long(m) * kBlocksPerMinute; b < long(m + 1) * kBlocksPerMinute; ++b) {
                for (int i = 0; i < kBlock; ++i, at = (at + 1) % voice.size()) {
                    mod[std::size_t(i)] = voice[at];
                    car[std::size_t(i)] = voice[(at * 3 + 1000) % voice.size()];  // another part of it
                }
                automate(plugin, b, midi);
                plugin.process(in, out, kBlock);
                for (int i = 0; i < kBlock; ++i) {
                    const float s = out1[std::size_t(i)];
                    if (!std::isfinite(s) || std::memcmp(&s, &out2[std::size_t(i)], sizeof s) != 0) {
                        std::printf("FAIL: block %ld frame %d: output %g, %g\n", b, i, double(s),
                                    double(out2[std::size_t(i)]));
                        return 1;
                    }
                    minute.peak = std::max(minute.peak, double(std::fabs(s)));
                    minute.energy += double(s) * s;
                }
                minute.frames += kBlock;
                if (b % kIdleEveryBlocks == 0) {
                    plugin.idleEditor();
                    window->processEvents();
                    ++idles;
                }
            }
            resident.push_back(residentKiB());
            worstPeak = std::max(worstPeak, minute.peak);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%6d  %9.1f  %8.1f  %12ld  %7.1f\n", m + 1, dbfs(minute.peak),
                        dbfs(std::sqrt(minute.energy / double(minute.frames))), resident.back(), seconds);
            std::fflush(stdout);
        }
        plugin.closeEditor();

        const long growth = *std::max_element(resident.begin(), resident.end()) - resident.front();
        const bool bounded = worstPeak <= kOutputBound, flat = growth <= kFlatKiB;
        std::printf(
            "%ld blocks, %ld editor idles; output finite in every frame, peak %.1f dBFS (bound %.0f dBFS): %s; "
            "resident memory %ld KiB at the start, %ld KiB after the first minute, %ld KiB at the end, at most %ld KiB "
            "more than after the first minute: %s\n",
            long(minutes) * kBlocksPerMinute, idles, dbfs(worstPeak), dbfs(kOutputBound),
            bounded ? "bounded" : "NOT BOUNDED", startKiB, resident.front(), resident.back(), growth,
            flat ? "flat" : "GROWING");
        return bounded && flat ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talkforge_soak: %s\n", e.what());
        return 1;
    }
}
