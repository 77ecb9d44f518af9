#include "tests/vst3/render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/testhost.h"

namespace vst3test {

std::vector<float> renderVst2(const RenderJob& job) {
    TestHost host;
    if (!host.effect) {
        ADD_FAILURE() << "the VST 2 module did not open";
        return {};
    }
    host.setSampleRate(static_cast<float>(job.rate));
    host.dispatch(effSetBlockSize, 0, job.block);
    host.dispatch(effMainsChanged, 0, 1);
    for (const auto& [index, value] : job.parameters) host.setParameter(index, value);
    // As the renderer does: an empty block first, after which the drone's
    // pitch table follows the host's rate.
    float none[1] = {};
    float* empty[2] = {none, none};
    host.effect->processReplacing(host.effect, empty, empty, 0);

    const std::size_t n = job.voice.size();
    std::vector<float> voice = job.voice, carrier = job.carrier, out1(n), out2(n);
    carrier.resize(n);
    std::size_t nextMidi = 0;
    for (std::size_t at = 0; at < n; at += static_cast<std::size_t>(job.block)) {
        const std::size_t frames = std::min<std::size_t>(static_cast<std::size_t>(job.block), n - at);
        std::vector<TestHost::Midi> midi;
        for (; nextMidi < job.midi.size() && static_cast<std::size_t>(job.midi[nextMidi].frame) < at + frames;
             ++nextMidi) {
            const TimedMessage& m = job.midi[nextMidi];
            midi.push_back({m.status, m.data1, m.data2, static_cast<int>(m.frame - static_cast<int>(at))});
        }
        if (!midi.empty()) host.sendMidi(midi);
        float* in[2] = {voice.data() + at, carrier.data() + at};
        float* out[2] = {out1.data() + at, out2.data() + at};
        host.effect->processReplacing(host.effect, in, out, static_cast<VstInt32>(frames));
    }
    EXPECT_EQ(out1, out2) << "the VST 2 module's outputs differ";
    return out1;
}

std::vector<float> renderVst3(Instance& instance, const RenderJob& job) {
    const std::size_t n = job.voice.size();
    std::vector<Bus> inputs(job.carrier.empty() ? 1 : 2), outputs(1);
    inputs[0].channels.assign(1, {});
    if (!job.carrier.empty()) inputs[1].channels.assign(1, {});
    outputs[0].channels.assign(2, {});
    std::vector<float> out(n);

    // The controller's MIDI mapping, as the host asks for it.
    const ParamID bend = midiMapping(instance.controller.get(), 0, kPitchBend);
    const ParamID modWheel = midiMapping(instance.controller.get(), 0, 1);
    const ParamID sustain = midiMapping(instance.controller.get(), 0, 64);
    const ParamID allOff = midiMapping(instance.controller.get(), 0, 126);

    auto ref = [](auto* p) { return Ref<std::remove_pointer_t<decltype(p)>>::adopt(p); };
    auto changes = ref(new ParameterChanges);
    auto outputChanges = ref(new ParameterChanges);
    auto events = ref(new EventList);
    std::size_t nextMidi = 0;
    bool first = true;
    for (std::size_t at = 0; at < n; at += static_cast<std::size_t>(job.block)) {
        const auto frames = std::min<std::size_t>(static_cast<std::size_t>(job.block), n - at);
        changes->clear();
        outputChanges->clear();
        events->events.clear();
        if (first)
            for (const auto& [index, value] : job.parameters) changes->add(static_cast<ParamID>(index), 0, value);
        first = false;
        for (; nextMidi < job.midi.size() && static_cast<std::size_t>(job.midi[nextMidi].frame) < at + frames;
             ++nextMidi) {
            const TimedMessage& m = job.midi[nextMidi];
            const auto offset = static_cast<int32>(m.frame - static_cast<int>(at));
            const auto channel = static_cast<int16>(m.status & 0x0F);
            switch (m.status & 0xF0) {
            case 0x90:
                if (m.data2 > 0) {
                    events->noteOn(offset, channel, m.data1, m.data2 / 127.0f);
                    break;
                }
                [[fallthrough]];
            case 0x80:
                events->noteOff(offset, channel, m.data1);
                break;
            case 0xE0:
                changes->add(bend, offset, pitchBendValue(m.data2 << 7 | m.data1));
                break;
            case 0xB0:
                if (m.data1 == 1) changes->add(modWheel, offset, controllerValue(m.data2));
                if (m.data1 == 64) changes->add(sustain, offset, controllerValue(m.data2));
                if (m.data1 == 126) changes->add(allOff, offset, controllerValue(m.data2));
                break;
            default:
                break;
            }
        }
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            const std::vector<float>& source = c == 0 ? job.voice : job.carrier;
            inputs[c].channels[0].assign(source.begin() + static_cast<std::ptrdiff_t>(at),
                                         source.begin() + static_cast<std::ptrdiff_t>(at + frames));
        }
        for (auto& channel : outputs[0].channels) channel.assign(frames, 0.0f);
        ProcessOptions options;
        options.events = events.get();
        options.changes = changes.get();
        options.outputChanges = outputChanges.get();
        EXPECT_EQ(instance.process(inputs, outputs, static_cast<int32>(frames), options), kResultOk);
        std::copy(outputs[0].channels[0].begin(), outputs[0].channels[0].end(),
                  out.begin() + static_cast<std::ptrdiff_t>(at));
        if (outputs[0].channels[0] != outputs[0].channels[1]) ADD_FAILURE() << "the VST 3 outputs differ at " << at;
    }
    return out;
}

double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return std::numeric_limits<double>::infinity();
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(double(a[i]) - double(b[i])));
    return worst;
}

double peak(const std::vector<float>& v) {
    double p = 0.0;
    for (float x : v) p = std::max(p, std::fabs(double(x)));
    return p;
}

}  // namespace vst3test
