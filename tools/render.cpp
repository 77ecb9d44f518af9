#include "tools/render.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/audio_output.h"
#include "tools/audio_source.h"
#include "vocoder/talkforge.h"

namespace {

constexpr int kProgressWidth = 40;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// Progress on the terminal: a bar toward the expected total, or the seconds
// rendered while the length of a streamed input is still unknown.
class ProgressBar {
public:
    ProgressBar(bool enabled, double sampleRate) : on(enabled), rate(sampleRate) {}
    ~ProgressBar() {
        if (on && drawn) std::fputs("\r\033[K", stderr);
    }
    void update(std::int64_t done, std::optional<std::int64_t> total) {
        if (!on) return;
        const auto now = std::chrono::steady_clock::now();
        if (drawn && now - last < kProgressInterval) return;
        last = now;
        drawn = true;
        if (!total) {
            std::fprintf(stderr, "\rrendering %.1f s\033[K", static_cast<double>(done) / rate);
        } else {
            const double fraction = *total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(*total)) : 1.0;
            const int filled = static_cast<int>(fraction * kProgressWidth);
            const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                                    std::string(static_cast<std::size_t>(kProgressWidth - filled), ' ');
            std::fprintf(stderr, "\rrendering [%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100.0));
        }
        std::fflush(stderr);
    }

private:
    bool on;
    double rate;
    bool drawn = false;
    std::chrono::steady_clock::time_point last;
};

// The audio inputs as they stream, and where they end: each input's end is
// known once it has been read to the end.
class Inputs {
public:
    explicit Inputs(const RenderJob& renderJob) : job(renderJob) {}

    // The block of each input that starts at `pos`: silence past its end, and
    // past the given length.
    void readBlock(std::int64_t pos, std::vector<float>& in1, std::vector<float>& in2) {
        readOne(job.voice, in1, pos, voiceEnd);
        readOne(job.carrier, in2, pos, carrierEnd);
        if (!job.length) return;
        const auto keep = std::clamp<std::int64_t>(*job.length - pos, 0, static_cast<std::int64_t>(in1.size()));
        std::fill(in1.begin() + keep, in1.end(), 0.0f);
        std::fill(in2.begin() + keep, in2.end(), 0.0f);
    }

    // The frames of input to render, once known: the given length, or the
    // longest input with the MIDI song capped past the audio.
    std::optional<std::int64_t> frames() const {
        if (job.length) return job.length;
        if (voiceEnd < 0 || (job.carrier && carrierEnd < 0)) return std::nullopt;
        return withMidi(std::max(voiceEnd, carrierEnd));
    }

    // The same expected from the inputs' declared lengths, for the progress bar.
    std::optional<std::int64_t> estimate() const {
        if (job.length) return job.length;
        std::int64_t audio = 0;
        for (const AudioSource* source : {job.voice, job.carrier}) {
            if (!source) continue;
            if (source->expectedFrames() < 0) return std::nullopt;
            audio = std::max(audio, source->expectedFrames());
        }
        return withMidi(audio);
    }

    bool midiCut() const { return !job.length && job.midiFrames > std::max(voiceEnd, carrierEnd) + job.midiOverrun; }

private:
    static void readOne(AudioSource* source, std::vector<float>& block, std::int64_t pos, std::int64_t& end) {
        if (!source) return;
        const int got = source->read(block.data(), static_cast<int>(block.size()));
        if (end < 0 && source->ended()) end = pos + got;
    }

    std::int64_t withMidi(std::int64_t audio) const {
        return std::max(audio, std::min(job.midiFrames, audio + job.midiOverrun));
    }

    const RenderJob& job;
    std::int64_t voiceEnd = -1, carrierEnd = -1;
};

}  // namespace

RenderResult render(PluginHost& plugin, const RenderJob& job, WavWriter& out) {
    const std::int64_t latency = latencyFrames(plugin.sampleRate());
    const std::int64_t skip = job.compensateLatency ? latency : 0;

    const auto blockFrames = static_cast<std::size_t>(job.blockSize);
    std::vector<float> in1(blockFrames), in2(blockFrames), out1(blockFrames), out2(blockFrames);
    float* inputs[2] = {in1.data(), in2.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    ProgressBar progress(job.showProgress, plugin.sampleRate());
    Inputs in(job);
    std::optional<std::int64_t> estimate = in.estimate();
    if (estimate) *estimate += latency;
    RenderResult result;
    double sumSquares = 0.0;
    auto nextEvent = job.midi.begin();

    const auto started = std::chrono::steady_clock::now();
    for (std::int64_t pos = 0;; pos += job.blockSize) {
        in.readBlock(pos, in1, in2);
        // Until the inputs' end is known, at least this block and the lookahead remain.
        const std::optional<std::int64_t> frames = in.frames();
        const std::int64_t total = frames ? *frames + latency : pos + job.blockSize;
        if (pos >= total) break;
        const int n = static_cast<int>(std::min<std::int64_t>(job.blockSize, total - pos));

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
        progress.update(pos + n, frames ? std::optional(total) : estimate);
    }
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.rms = result.frames > 0 ? std::sqrt(sumSquares / static_cast<double>(result.frames)) : 0.0;
    result.midiCut = in.midiCut();
    return result;
}
