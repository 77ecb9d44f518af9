// An effect constructed directly, with its signal state open to the tests.
#pragma once

#include <memory>
#include <vector>

#include "tests/midilist.h"
#include "vocoder/avoc.h"

struct Probe : AVoc {
    Probe() : AVoc(nullptr) {}

    using AVoc::eventQueue;
    using AVoc::filterBank;
    using AVoc::frameState;
    using AVoc::leveling;
    using AVoc::oscillators;
    using AVoc::voices;

    void setRate(float rate) { setSampleRate(rate); }

    // Processes one block of the given inputs (the carrier defaults to silence).
    std::vector<float> run(const std::vector<float>& mod, std::vector<float> car = {}) {
        std::vector<float> a = mod;
        car.resize(a.size());
        std::vector<float> out1(a.size(), -7.0f), out2(a.size(), 7.0f);
        float* in[2] = {a.data(), car.data()};
        float* out[2] = {out1.data(), out2.data()};
        processReplacing(in, out, static_cast<VstInt32>(a.size()));
        return out1;
    }
    std::vector<float> runSilence(std::size_t frames) { return run(std::vector<float>(frames, 0.0f)); }

    void midi(int status, int data1, int data2, int deltaFrames) {
        MidiList list{{status, data1, data2, deltaFrames}};
        processEvents(list.list());
    }
};

inline std::unique_ptr<Probe> makeProbe() { return std::make_unique<Probe>(); }
