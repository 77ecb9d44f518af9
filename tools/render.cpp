#include "tools/render.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/audio_io.h"
#include "vocoder/filterbank.h"
#include "vocoder/frame.h"
#include "vocoder/leveling.h"

namespace {

// Frames by which the vocoded signal trails its inputs at an internal rate:
// the decimation kernel's centre (31 / 2 frames), the lookahead ring read 159
// analysis steps behind the newest band sum (3 frames each), and the
// interpolation kernel's centre (31 / 2 frames).
constexpr int kVocoderLatency = (kVocDelay - 1) * kDecimation + (kDecimationTaps - 1);
static_assert(kVocoderLatency == 508);

// The lookahead in frames at a host rate (the plug-in runs at half rate at 96 kHz).
// The rate is compared as the plug-in receives it, a float: 96000.001 is 96 kHz too.
int latencyFrames(double sampleRate) {
    return static_cast<float>(sampleRate) == kHalfRateHostRate ? kVocoderLatency * kHalfRateSpan : kVocoderLatency;
}

constexpr int kProgressWidth = 40;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

class ProgressBar {
public:
    ProgressBar(bool enabled, std::int64_t totalFrames) : on(enabled), total(totalFrames) {}
    ~ProgressBar() {
        if (on && drawn) std::fputs("\r\033[K", stderr);
    }
    void update(std::int64_t done) {
        if (!on) return;
        const auto now = std::chrono::steady_clock::now();
        if (drawn && now - last < kProgressInterval && done < total) return;
        last = now;
        drawn = true;
        const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
        const int filled = static_cast<int>(fraction * kProgressWidth);
        const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                                std::string(static_cast<std::size_t>(kProgressWidth - filled), ' ');
        std::fprintf(stderr, "\rrendering [%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100.0));
        std::fflush(stderr);
    }

private:
    bool on;
    bool drawn = false;
    std::int64_t total;
    std::chrono::steady_clock::time_point last;
};

// Copies frames [start, start + count) of a signal, silence past its end.
void fill(std::vector<float>& block, const std::vector<float>& signal, std::int64_t start, int count) {
    block.assign(static_cast<std::size_t>(count), 0.0f);
    const auto size = static_cast<std::int64_t>(signal.size());
    if (start >= size) return;
    const auto n = static_cast<std::ptrdiff_t>(std::min<std::int64_t>(count, size - start));
    std::copy_n(signal.begin() + static_cast<std::ptrdiff_t>(start), n, block.begin());
}

}  // namespace

RenderResult render(PluginHost& plugin, const RenderJob& job, WavWriter& out) {
    const std::int64_t latency = latencyFrames(plugin.sampleRate());
    const std::int64_t total = job.inputFrames + latency;
    const std::int64_t skip = job.compensateLatency ? latency : 0;

    std::vector<float> in1, in2, out1(static_cast<std::size_t>(job.blockSize)), out2(out1.size());
    float* inputs[2] = {};
    float* outputs[2] = {out1.data(), out2.data()};
    ProgressBar progress(job.showProgress, total);
    RenderResult result;
    double sumSquares = 0.0;
    auto nextEvent = job.midi.begin();

    const auto started = std::chrono::steady_clock::now();
    for (std::int64_t pos = 0; pos < total; pos += job.blockSize) {
        const int n = static_cast<int>(std::min<std::int64_t>(job.blockSize, total - pos));
        fill(in1, job.voice, pos, n);
        fill(in2, job.carrier, pos, n);
        inputs[0] = in1.data();
        inputs[1] = in2.data();

        const auto first = nextEvent;
        while (nextEvent != job.midi.end() && nextEvent->frame < pos + n) ++nextEvent;
        plugin.sendEvents({first, nextEvent}, pos);
        plugin.process(inputs, outputs, n);

        const std::int64_t from = std::clamp<std::int64_t>(skip - pos, 0, n);
        const auto count = static_cast<std::size_t>(n - from);
        const auto offset = static_cast<std::size_t>(from);
        for (std::size_t i = offset; i < offset + count; ++i) {
            result.peak = std::max({result.peak, static_cast<double>(std::fabs(out1[i])),
                                    static_cast<double>(std::fabs(out2[i]))});
            sumSquares += static_cast<double>(out1[i]) * out1[i];
        }
        out.write({out1.data() + offset, count}, {out2.data() + offset, count});
        result.frames += static_cast<std::int64_t>(count);
        progress.update(pos + n);
    }
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.rms = result.frames > 0 ? std::sqrt(sumSquares / static_cast<double>(result.frames)) : 0.0;
    return result;
}
