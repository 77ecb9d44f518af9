#include "fixture.h"

namespace editortest {

void EditorTest::SetUp() {
    tf::headless::reset();
    tf::headless::setClock(1000);
    editorObject = std::make_unique<AVocEditor>(controller);
    editor = editorObject.get();
    controller.editor = editor;
}

void EditorTest::TearDown() {
    controller.editor = nullptr;
    editorObject.reset();
    EXPECT_EQ(tf::headless::liveWindows(), 0);
}

void EditorTest::openEditor() {
    ASSERT_TRUE(editor->open(&parentToken));
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

std::vector<FakeController::Call> EditorTest::take(char kind) {
    std::vector<FakeController::Call> out, rest;
    for (const FakeController::Call& c : calls) (c.kind == kind ? out : rest).push_back(c);
    calls = rest;
    return out;
}

std::string EditorTest::gestures() {
    const std::string s = gestureText(calls);
    calls.clear();
    return s;
}

}  // namespace editortest
