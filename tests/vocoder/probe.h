// An engine constructed directly, with its signal state open to the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vocoder/engine.h"

struct Probe : VocoderEngine {
    using VocoderEngine::eventQueue;
    using VocoderEngine::filterBank;
    using VocoderEngine::frameState;
    using VocoderEngine::leveling;
    using VocoderEngine::oscillators;
    using VocoderEngine::voices;

    float rate = 44100.0f;  // the host rate blocks run at
    void setRate(float r) { rate = r; }

    void processBlock(float* const* in, float* const* out, int frames) { process(in, out, frames, rate); }

    // Processes one block of the given inputs (the carrier defaults to silence).
    std::vector<float> run(const std::vector<float>& mod, std::vector<float> car = {}) {
        std::vector<float> a = mod;
        car.resize(a.size());
        std::vector<float> out1(a.size(), -7.0f), out2(a.size(), 7.0f);
        float* in[2] = {a.data(), car.data()};
        float* out[2] = {out1.data(), out2.data()};
        processBlock(in, out, static_cast<int>(a.size()));
        return out1;
    }
    std::vector<float> runSilence(std::size_t frames) { return run(std::vector<float>(frames, 0.0f)); }

    void midi(int status, int data1, int data2, int deltaFrames) {
        receiveMidi(deltaFrames, static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                    static_cast<std::uint8_t>(data2));
    }
};

inline std::unique_ptr<Probe> makeProbe() { return std::make_unique<Probe>(); }
