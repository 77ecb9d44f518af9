#include "fixture.h"

namespace editortest {

namespace {

EditorTest* current = nullptr;

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (opcode == audioMasterVersion) return 2400;
    if (current) current->calls.push_back({effect, opcode, index, value, ptr, opt});
    return 0;
}

}  // namespace

void EditorTest::SetUp() {
    tf::headless::reset();
    tf::headless::setClock(1000);
    current = this;
    effect = std::make_unique<AVocEdit>(&recordingHost);
    editor = static_cast<AVocEditor*>(effect->getEditor());
    ASSERT_NE(editor, nullptr);
}

void EditorTest::TearDown() {
    effect.reset();
    current = nullptr;
    EXPECT_EQ(tf::headless::liveWindows(), 0);
}

void EditorTest::openEditor() {
    ASSERT_EQ(editor->open(&parentToken), 1);
    idle();
    calls.clear();
}

void EditorTest::idle(std::uint32_t ms) {
    tf::headless::advanceClock(ms);
    editor->idle();
}

void EditorTest::gesture(unsigned buttons, CPoint where, std::vector<CPoint> path) {
    tf::headless::clearMouse();
    tf::headless::pushMouse(buttons, where);
    for (const CPoint& p : path) tf::headless::pushMouse(buttons, p);
    tf::headless::pushMouse(0, path.empty() ? where : path.back());
    tf::headless::queueMouseDown(editor->getFrame()->getWindow(), where);
    idle();
}

void EditorTest::type(const CRect& r, const char* text) {
    tf::headless::queueEdit({std::string(text), tf::headless::EditEnd::returnKey, {}});
    clickOn(r);
}

void EditorTest::choose(const CRect& r, int index) {
    tf::headless::queueMenuChoice(index);
    clickOn(r);
}

std::vector<HostCall> EditorTest::take(VstInt32 opcode) {
    std::vector<HostCall> out, rest;
    for (const HostCall& c : calls) (c.opcode == opcode ? out : rest).push_back(c);
    calls = rest;
    return out;
}

std::string EditorTest::gestures() {
    const std::string s = gestureText(calls);
    calls.clear();
    return s;
}

}  // namespace editortest
