// The editor's controller as a host form implements it, with no effect
// object: an engine holds the parameters and raises the meters, and what the
// editor tells the host is recorded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "editor/avoceditor.h"
#include "editor/controller.h"
#include "vocoder/engine.h"

namespace editortest {

class FakeController : public EditorController {
public:
    struct Call {
        char kind;  // 'a' automated edit, 'b' begin, 'e' end, 'i' the host's idle
        std::int32_t index;
        float value;
    };

    VocoderEngine engine;
    AVocEditor* editor = nullptr;  // told of every change, as a host form tells it
    std::vector<Call> calls;
    std::function<void()> onIdleHost;

    float getParameter(std::int32_t index) override { return engine.getParameter(index); }
    void setParameter(std::int32_t index, float value) override {
        engine.setParameter(index, value);
        if (editor) editor->setParameter(index, value);
    }
    void setParameterAutomated(std::int32_t index, float value) override {
        setParameter(index, value);
        calls.push_back({'a', index, value});
    }
    void beginEdit(std::int32_t index) override { calls.push_back({'b', index, 0.0f}); }
    void endEdit(std::int32_t index) override { calls.push_back({'e', index, 0.0f}); }
    void idleHost() override {
        calls.push_back({'i', 0, 0.0f});
        if (onIdleHost) onIdleHost();
    }
    void attachLevelMeters(LevelMeterRecord* record) override { engine.attachLevelMeters(record); }
    BandMeterRecord& bandMeters() override { return engine.bandMeters(); }

    // A program change as a host form makes it: every value reaches the editor.
    void setProgram(int program) {
        if (!engine.selectProgram(program)) return;
        for (int index : kProgramApplyOrder) setParameter(index, engine.programValue(program, index));
    }
    // One block of audio at 44.1 kHz.
    void process(float* const* inputs, float* const* outputs, int frames) {
        engine.process(inputs, outputs, frames, 44100.0f);
    }
};

// The automated edits and gestures among `calls`, as "index=value" and
// "b<index>"/"e<index>" words.
inline std::string gestureText(const std::vector<FakeController::Call>& calls) {
    std::string s;
    for (const FakeController::Call& c : calls) {
        char one[48] = "";
        if (c.kind == 'a')
            std::snprintf(one, sizeof one, "%d=%g ", int(c.index), double(c.value));
        else if (c.kind == 'b' || c.kind == 'e')
            std::snprintf(one, sizeof one, "%c%d ", c.kind, int(c.index));
        s += one;
    }
    return s;
}

}  // namespace editortest
