// The VST 2 module's composition on the headless binding: the effect with its
// editor as the record's dispatcher reaches them, and what the editor's
// gestures tell the host through its callback.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/avoceditor.h"
#include "editor/layout.h"
#include "gui/controls.h"
#include "gui/frame.h"
#include "gui/platform/headless/headless.h"
#include "plugin/vst2/avocedit.h"

namespace headless = tf::headless;

namespace {

struct Call {
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};
std::vector<Call> calls;
bool closeOnIdle = false;

VstIntPtr host(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return 2400;
    calls.push_back({opcode, index, opt});
    if (closeOnIdle && opcode == audioMasterIdle) e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
    return 0;
}

class Vst2Editor : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        headless::setClock(1000);
        calls.clear();
        closeOnIdle = false;
    }
    void TearDown() override {
        effects.clear();
        EXPECT_EQ(headless::liveWindows(), 0);
    }
    AEffect* make() {
        effects.push_back(std::make_unique<AVocEdit>(&host));
        return effects.back()->getAeffect();
    }
    static VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                              void* ptr = nullptr, float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    static AVocEditor* editorOf(AEffect* e) { return static_cast<AVocEdit*>(effectOf(e))->getVocoderEditor(); }
    static float knob(AEffect* e, int i) {
        return static_cast<CValueControl*>(editorOf(e)->getFrame()->getView(layout::kNumMeters + i))->getValue();
    }
    // A press at `where`, moving through `path`, released; then one host idle.
    static void drag(AEffect* e, CPoint where, std::vector<CPoint> path) {
        headless::clearMouse();
        headless::pushMouse(tf::platform::kButtonLeft, where);
        for (CPoint p : path) headless::pushMouse(tf::platform::kButtonLeft, p);
        headless::pushMouse(0, path.back());
        headless::queueMouseDown(editorOf(e)->getFrame()->getWindow(), where);
        headless::advanceClock(10);
        dispatch(e, effEditIdle);
    }

    std::vector<std::unique_ptr<AVocEdit>> effects;
    int parent = 0;
};

TEST_F(Vst2Editor, TheDispatcherOpensThePanelAndEveryChangeReachesIt) {
    AEffect* e = make();
    EXPECT_NE(e->flags & effFlagsHasEditor, 0);
    ERect* r = nullptr;
    ASSERT_EQ(dispatch(e, effEditGetRect, 0, 0, &r), 1);
    EXPECT_EQ(r->right - r->left, 640);
    EXPECT_EQ(r->bottom - r->top, 385);
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(editorOf(e)->getFrame()->getNbViews(), layout::kNumControls);

    e->setParameter(e, kModLevel, 0.9f);  // from the host
    EXPECT_EQ(knob(e, 0), 0.9f);
    dispatch(e, effSetProgram, 0, 3);  // an untouched program: every value reaches the editor
    EXPECT_EQ(knob(e, 0), 0.5f);
    dispatch(e, effEditClose);
}

TEST_F(Vst2Editor, AKnobDragReachesTheHostAsOneAutomatedGesture) {
    AEffect* e = make();
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parent), 1);
    dispatch(e, effEditIdle);
    calls.clear();
    const CRect k = layout::kKnobs[1];
    drag(e, {(k.left + k.right) / 2, k.top}, {{k.right, (k.top + k.bottom) / 2}});
    std::vector<VstInt32> gesture;
    for (const Call& c : calls)
        if (c.opcode != audioMasterIdle) gesture.push_back(c.opcode);
    ASSERT_GE(gesture.size(), 3u);
    EXPECT_EQ(gesture.front(), audioMasterBeginEdit);
    EXPECT_EQ(gesture.back(), audioMasterEndEdit);
    for (std::size_t i = 1; i + 1 < gesture.size(); ++i) EXPECT_EQ(gesture[i], audioMasterAutomate);
    EXPECT_EQ(calls.back().index, kCarLevel);
    EXPECT_GT(e->getParameter(e, kCarLevel), 0.5f);
    dispatch(e, effEditClose);
}

TEST_F(Vst2Editor, EachInstanceKeepsItsOwnKnobMode) {
    AEffect* a = make();
    AEffect* b = make();
    EXPECT_EQ(dispatch(a, effSetEditKnobMode, 0, CEditorBase::kKnobModeLinear), 1);
    EXPECT_EQ(editorOf(a)->getKnobMode(), CEditorBase::kKnobModeLinear);
    EXPECT_EQ(editorOf(b)->getKnobMode(), 0);
}

TEST_F(Vst2Editor, TheHostMayCloseTheEditorFromItsIdleDuringADrag) {
    AEffect* e = make();
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parent), 1);
    dispatch(e, effEditIdle);
    closeOnIdle = true;
    const CRect s = layout::kSliders;
    std::vector<CPoint> path;
    for (int x = 0; x < 40; ++x) path.push_back({s.left + 5 * x, s.top + 10});
    headless::advanceClock(500);
    drag(e, {s.left, s.top + 10}, path);
    EXPECT_EQ(editorOf(e)->getFrame(), nullptr);
    EXPECT_GT(headless::pendingMouseStates(), 0);  // the drag stopped there
    headless::clearMouse();
}

}  // namespace
