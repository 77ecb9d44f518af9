// The editor's layout and its wiring to the parameters, both ways: a
// parameter change moves its control, a gesture reaches the effect and the
// host; text fields, hot keys, meters and the editor's life cycle.
#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>
#include <typeinfo>

#include "editor/keyboard.h"
#include "editor/sliders.h"
#include "editor/spectrum.h"
#include "fixture.h"
#include "gui/controls.h"

using namespace editortest;
namespace headless = tf::headless;
namespace platform = tf::platform;

namespace {

constexpr unsigned kLeft = platform::kButtonLeft;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Control positions in the frame's list.
enum : int {
    kModMeterView, kCarMeterView, kOutMeterView,
    kModKnob, kCarKnob, kOutKnob, kFormantKnob, kTuneKnob,
    kModText, kCarText, kOutText, kFormantText, kTuneText,
    kWaveformView, kOctave0, kOctave1, kOctave2, kFreezeView, kFlatView, kFreezeKeyView, kFlatKeyView,
    kPlayback0, kPlayback1, kSource0, kSource1, kSpectrumView, kKeyboardView, kSlidersView,
};

struct Expected {
    const std::type_info& kind;
    int tag;
    CRect rect;
    bool listens;  // reports to the editor
};

// The layout as a user measures it on the panel.
const Expected kLayout[] = {
    {typeid(CLevelMeter), 0, {13, 61, 137, 67}, false},
    {typeid(CLevelMeter), 0, {13, 79, 137, 85}, false},
    {typeid(CLevelMeter), 0, {13, 96, 137, 102}, false},
    {typeid(CFilmstripKnob), 0, {221, 56, 265, 90}, true},
    {typeid(CFilmstripKnob), 1, {298, 56, 342, 90}, true},
    {typeid(CFilmstripKnob), 2, {376, 56, 420, 90}, true},
    {typeid(CFilmstripKnob), 3, {516, 56, 560, 90}, true},
    {typeid(CFilmstripKnob), 6, {106, 320, 150, 354}, true},
    {typeid(CTextField), 4096, {229, 91, 256, 102}, true},
    {typeid(CTextField), 4097, {306, 91, 333, 102}, true},
    {typeid(CTextField), 4098, {383, 91, 410, 102}, true},
    {typeid(CTextField), 4099, {523, 91, 550, 102}, true},
    {typeid(CTextField), 4100, {114, 355, 141, 366}, true},
    {typeid(CPopupList), 7, {168, 335, 216, 346}, true},
    {typeid(CToggleButton), 4101, {10, 326, 31, 357}, true},
    {typeid(CToggleButton), 4102, {38, 326, 59, 357}, true},
    {typeid(CToggleButton), 4103, {65, 326, 86, 357}, true},
    {typeid(CMomentaryButton), 4, {457, 55, 478, 86}, true},
    {typeid(CMomentaryButton), 5, {597, 55, 618, 86}, true},
    {typeid(CPopupList), 22, {442, 94, 490, 105}, true},
    {typeid(CPopupList), 23, {582, 94, 630, 105}, true},
    {typeid(CToggleButton), 4106, {426, 326, 447, 357}, true},
    {typeid(CToggleButton), 4107, {483, 326, 504, 357}, true},
    {typeid(CToggleButton), 4108, {540, 326, 561, 357}, true},
    {typeid(CToggleButton), 4109, {597, 326, 618, 357}, true},
    {typeid(CSpectrumAnlyzer), 0, {18, 141, 622, 200}, false},
    {typeid(CKeyboardBitmap), 0, {244, 310, 395, 373}, false},
    {typeid(CSliders), 0, {22, 216, 622, 292}, false},
};

const CRect& rectOf(int i) { return kLayout[i].rect; }

class Wiring : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        openEditor();
    }
    const char* text(int i) const { return view<CTextField>(i)->getText(); }
    float value(int i) const { return view<CValueControl>(i)->getValue(); }
    std::vector<float> group(std::initializer_list<int> views) const {
        std::vector<float> out;
        for (int i : views) out.push_back(value(i));
        return out;
    }
};

}  // namespace

// ---- Layout ---------------------------------------------------------------

TEST_F(Wiring, EveryControlSitsAtItsRectangleInLayoutOrder) {
    CWindowFrame* frame = editor->getFrame();
    ASSERT_EQ(frame->getNbViews(), 28);
    for (int i = 0; i < 28; ++i) {
        auto* v = view<CValueControl>(i);
        ASSERT_NE(v, nullptr) << i;
        EXPECT_EQ(typeid(*v), kLayout[i].kind) << i;
        EXPECT_EQ(v->getTag(), kLayout[i].tag) << i;
        EXPECT_EQ(v->getViewRect(), kLayout[i].rect) << i;
        EXPECT_EQ(v->getListener() != nullptr, kLayout[i].listens) << i;
    }
    EXPECT_EQ((CRect{0, 0, editor->getWidth(), editor->getHeight()}), (CRect{0, 0, 640, 385}));
    EXPECT_EQ(frame->getViewRect(), (CRect{0, 0, 640, 385}));
}

TEST_F(Wiring, ControlsOpenWithTheEffectsStateAndTheirStyles) {
    EXPECT_EQ(value(kModKnob), 0.5f);
    EXPECT_STREQ(text(kModText), "50");
    EXPECT_STREQ(text(kFormantText), "0");
    EXPECT_STREQ(text(kTuneText), "0");
    EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 0);
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 1, 0}));
    EXPECT_EQ(group({kPlayback0, kPlayback1, kSource0, kSource1}), (std::vector<float>{1, 0, 1, 0}));
    for (int i : {kModKnob, kTuneKnob}) EXPECT_EQ(view<CValueControl>(i)->getDefaultValue(), 0.5f);
    auto* list = view<CPopupList>(kFreezeKeyView);
    ASSERT_EQ(list->getNbEntries(), 6);
    const char* keys[] = {"NONE", "SHIFT", "ALT", "CTRL", "TAB", "MIDI64"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(list->getEntry(i), keys[i]);
    const char* waves[] = {"SAW", "SQUARE", "PULSE 25", "PULSE 10"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(view<CPopupList>(kWaveformView)->getEntry(i), waves[i]);
    auto* field = view<CTextField>(kTuneText);
    EXPECT_EQ(field->getFont(), 6);
    EXPECT_EQ(field->getFontColor(), kYellowCColor);
    EXPECT_EQ(field->getHoriAlign(), kCenterText);
    EXPECT_EQ(list->getStyle() & kCheckStyle, kCheckStyle);
    // A Freeze already on (by the sustain pedal, say) shows lit at open.
    editor->close();
    setParam(kFreeze, 1.0f);
    openEditor();
    EXPECT_EQ(value(kFreezeView), 1.0f);
}

// ---- Parameter to control -------------------------------------------------

TEST_F(Wiring, AParameterChangeMovesItsControlsAndRewritesTheirText) {
    setParam(kModLevel, 0.375f);
    EXPECT_EQ(value(kModKnob), 0.375f);
    EXPECT_STREQ(text(kModText), "37");
    setParam(kOutLevel, 1.0f);
    EXPECT_STREQ(text(kOutText), "100");
    setParam(kFormant, 0.0f);
    EXPECT_STREQ(text(kFormantText), "-10");
    setParam(kTune, 0.355f);
    EXPECT_STREQ(text(kTuneText), "-15");
    setParam(kFlat, 1.0f);
    EXPECT_EQ(value(kFlatView), 1.0f);

    setParam(kWaveform, 1.0f);
    EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 3);
    setParam(kWaveform, 0.5f);  // trunc(1.5)
    EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 1);
    setParam(kFreezeKey, 0.5f);
    EXPECT_EQ(view<CPopupList>(kFreezeKeyView)->getCurrent(), 3);
    setParam(kFlatKey, 0.9f);
    EXPECT_EQ(view<CPopupList>(kFlatKeyView)->getCurrent(), 5);

    setParam(kOctave, 0.4f);  // trunc(0.8): the first
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{1, 0, 0}));
    setParam(kOctave, 1.0f);
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 0, 1}));
    setParam(kPlayback, 0.5f);  // trunc(0.5) is 0
    EXPECT_EQ(group({kPlayback0, kPlayback1}), (std::vector<float>{1, 0}));
    setParam(kSource, 1.0f);
    EXPECT_EQ(group({kSource0, kSource1}), (std::vector<float>{0, 1}));

    idle();
    for (std::int32_t p : {std::int32_t(kO3Offset), std::int32_t(kBand1 + 7)}) {
        setParam(p, 0.2f);
        EXPECT_TRUE(view<CViewBase>(p == kO3Offset ? kKeyboardView : kSlidersView)->isDirty()) << p;
    }
}

TEST_F(Wiring, ValuesOutsideTheirRangeLeaveListsAndGroupsAsTheyAre) {
    setParam(kWaveform, 0.7f);  // PULSE 25
    setParam(kFreezeKey, 0.2f);  // SHIFT
    setParam(kOctave, 0.6f);
    for (float v : {1.5f, -0.5f, 1e30f, -kInf}) {
        setParam(kWaveform, v);
        setParam(kFreezeKey, v);
        setParam(kOctave, v);
        EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 2) << v;
        EXPECT_EQ(view<CPopupList>(kFreezeKeyView)->getCurrent(), 1) << v;
        EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 1, 0})) << v;
    }
    setParam(kFreezeKey, 1.0f);  // index 6: past the list
    EXPECT_EQ(view<CPopupList>(kFreezeKeyView)->getCurrent(), 1);
    // NaN counts as 0, as the signal path reads it; huge values show bounded numbers.
    setParam(kWaveform, kNaN);
    EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 0);
    setParam(kModLevel, kNaN);
    EXPECT_STREQ(text(kModText), "0");
    setParam(kModLevel, 1e30f);
    EXPECT_STREQ(text(kModText), "100000000");
    setParam(kTune, -kInf);
    EXPECT_STREQ(text(kTuneText), "-100000050");
    idle();  // and all of it draws
}

TEST_F(Wiring, ProgramChangesReachTheOpenEditor) {
    setParam(kModLevel, 0.9f);
    setParam(kOctave, 0.0f);
    controller.setProgram(3);  // an untouched program
    EXPECT_EQ(value(kModKnob), 0.5f);
    EXPECT_STREQ(text(kModText), "50");
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 1, 0}));
}

TEST_F(Wiring, ChangesFromAnotherThreadWaitForTheNextIdle) {
    std::thread audio([this] {
        setParam(kModLevel, 0.25f);
        setParam(kFreeze, 1.0f);  // the sustain pedal's way
        setParam(kTagOctave2, 0.0f);
    });
    audio.join();
    EXPECT_EQ(param(kModLevel), 0.25f);
    EXPECT_EQ(value(kModKnob), 0.5f);  // no control is touched off the editor's thread
    EXPECT_EQ(value(kFreezeView), 0.0f);
    idle();
    EXPECT_EQ(value(kModKnob), 0.25f);
    EXPECT_STREQ(text(kModText), "25");
    EXPECT_EQ(value(kFreezeView), 1.0f);
    EXPECT_EQ(param(kOctave), 1.0f);
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 0, 1}));
}

// ---- Control to parameter -------------------------------------------------

TEST_F(Wiring, AKnobDragIsOneAutomatedEditOfItsParameter) {
    const CRect k = rectOf(kCarKnob);
    const int r = k.width() / 2;
    // Circular: a press at the top is the middle of the range; on to the right.
    gesture(kLeft, {k.left + r, k.top}, {{k.right, k.top + r}});
    const std::string g = gestures();
    EXPECT_EQ(g.substr(0, 3), "b1 ");
    EXPECT_EQ(g.substr(g.size() - 3), "e1 ");
    EXPECT_NEAR(param(kCarLevel), 1.0f - 45.0f / 270.0f, 1e-4);
    EXPECT_EQ(value(kCarKnob), param(kCarLevel));
    EXPECT_STREQ(text(kCarText), "83");

    // Ctrl+click: the default, told once, without an edit around it.
    headless::setKeyDown(platform::Key::control, true);
    clickOn(k);
    headless::setKeyDown(platform::Key::control, false);
    EXPECT_EQ(gestures(), "1=0.5 ");
}

TEST_F(Wiring, ButtonsListsAndFieldsAutomateTheParameterTheyChange) {
    clickOn(rectOf(kOctave2));
    EXPECT_EQ(gestures(), "21=1 ");
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 0, 1}));
    clickOn(rectOf(kOctave2));  // a lit button stays lit
    EXPECT_EQ(gestures(), "21=1 ");
    EXPECT_EQ(group({kOctave0, kOctave1, kOctave2}), (std::vector<float>{0, 0, 1}));
    clickOn(rectOf(kOctave1));
    EXPECT_EQ(gestures(), "21=0.5 ");
    clickOn(rectOf(kPlayback1));
    clickOn(rectOf(kSource1));
    clickOn(rectOf(kSource0));
    EXPECT_EQ(gestures(), "24=1 25=1 25=0 ");
    EXPECT_EQ(group({kPlayback0, kPlayback1, kSource0, kSource1}), (std::vector<float>{0, 1, 1, 0}));

    choose(rectOf(kWaveformView), 2);
    EXPECT_EQ(gestures(), "7=0.666667 ");
    EXPECT_EQ(view<CPopupList>(kWaveformView)->getCurrent(), 2);
    choose(rectOf(kFlatKeyView), 5);
    EXPECT_EQ(gestures(), "23=0.833333 ");
    EXPECT_FLOAT_EQ(param(kFlatKey), 5 * 0.16666667f);
    ASSERT_FALSE(headless::menusShown().empty());
    EXPECT_EQ(headless::menusShown().back().entries[5].flags & platform::kMenuChecked, 0u);  // shown before the choice
    EXPECT_NE(headless::menusShown().back().entries[0].flags & platform::kMenuChecked, 0u);

    type(rectOf(kModText), "37");
    EXPECT_EQ(gestures(), "0=0.375 ");
    EXPECT_EQ(value(kModKnob), 0.375f);
}

TEST_F(Wiring, FreezeAndFlatButtonsAreOnWhileHeld) {
    const CRect b = rectOf(kFreezeView);
    gesture(kLeft, {b.left + 5, b.top + 5}, {{b.left + 6, b.top + 5}});
    EXPECT_EQ(gestures(), "b4 4=1 e4 4=0 ");
    EXPECT_EQ(param(kFreeze), 0.0f);
    const CRect f = rectOf(kFlatView);
    gesture(kLeft, {f.left + 5, f.top + 5}, {{f.left - 30, f.top + 5}});  // dragged out
    EXPECT_EQ(gestures(), "b5 5=1 5=0 e5 5=0 ");
}

// ---- Text fields ----------------------------------------------------------

TEST_F(Wiring, TypedNumbersAreParsedClampedAndShownBack) {
    struct Case {
        int field;
        const char* typed;
        std::int32_t param;
        float stored;
        const char* shown;
    };
    const Case cases[] = {
        {kModText, "abc", kModLevel, 0.005f, "0"},   {kModText, "150", kModLevel, 1.0f, "100"},
        {kModText, "37", kModLevel, 0.375f, "37"},   {kCarText, "  -5", kCarLevel, 0.0f, "0"},
        {kOutText, "12xyz", kOutLevel, 0.125f, "12"}, {kFormantText, "-20", kFormant, 0.0f, "-10"},
        {kFormantText, "-3", kFormant, 0.355f, "-3"}, {kFormantText, "+4", kFormant, 0.705f, "4"},
        {kTuneText, "99", kTune, 1.0f, "50"},        {kTuneText, "-7", kTune, 0.435f, "-7"},
        {kModText, "99999999999999999999", kModLevel, 1.0f, "100"},
    };
    for (const Case& c : cases) {
        type(rectOf(c.field), c.typed);
        EXPECT_FLOAT_EQ(param(c.param), c.stored) << c.typed;
        EXPECT_STREQ(text(c.field), c.shown) << c.typed;
    }
}

TEST_F(Wiring, EveryNumberInRangeShowsAgainAsTyped) {
    struct Range {
        int field;
        std::int32_t tag;
        int lo, hi;
    };
    for (const Range r : {Range{kModText, kTagModLevelText, 0, 100}, Range{kFormantText, kTagFormantText, -10, 10},
                          Range{kTuneText, kTagTuneText, -50, 50}}) {
        for (int n = r.lo; n <= r.hi; ++n) {
            const std::string typed = std::to_string(n);
            view<CTextField>(r.field)->setText(typed.c_str());
            setParam(r.tag, 0.0f);  // a host replaying the field's tag acts on the field
            EXPECT_STREQ(text(r.field), typed.c_str());
        }
    }
}

TEST_F(Wiring, AnEditClosedUnchangedChangesNothing) {
    headless::queueEdit({std::nullopt, headless::EditEnd::focusLost, {}});
    clickOn(rectOf(kModText));
    type(rectOf(kModText), "50");
    EXPECT_EQ(gestures(), "");
    EXPECT_EQ(param(kModLevel), 0.5f);
}

TEST_F(Wiring, TheFieldShowsAtMostSixCharacters) {
    setParam(kModLevel, -1e30f);
    idle();
    EXPECT_STREQ(text(kModText), "-100000000");
    // What the field draws: the first six characters. A field showing
    // "-10000" is the same picture.
    const CRect r = rectOf(kModText);
    tf::raster::Surface shown = headless::screen(editor->getFrame()->getWindow());
    view<CTextField>(kModText)->setText("-10000");
    view<CTextField>(kModText)->markDirty();
    idle();
    const tf::raster::Surface& now = headless::screen(editor->getFrame()->getWindow());
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) ASSERT_EQ(shown.pixel(x, y), now.pixel(x, y)) << x << "," << y;
}

// ---- Hot keys -------------------------------------------------------------

TEST_F(Wiring, AHeldTriggerKeyIsAMomentaryFreezeOrFlat) {
    setParam(kFreezeKey, 1.0f / 6.0f);  // SHIFT
    setParam(kFlatKey, 4.0f / 6.0f);    // TAB
    calls.clear();
    headless::setKeyDown(platform::Key::shift, true);
    idle();
    idle();  // held: no repeat
    EXPECT_EQ(gestures(), "4=1 ");
    EXPECT_EQ(value(kFreezeView), 1.0f);
    headless::setKeyDown(platform::Key::tab, true);
    headless::setKeyDown(platform::Key::shift, false);
    idle();
    EXPECT_EQ(gestures(), "4=0 5=1 ");
    headless::setKeyDown(platform::Key::tab, false);
    idle();
    EXPECT_EQ(gestures(), "5=0 ");
    EXPECT_EQ(param(kFlat), 0.0f);
}

TEST_F(Wiring, NoneMidi64AndValuesPastTheListHoldNoKey) {
    setParam(kFreeze, 1.0f);  // set by the pedal or the button
    for (float key : {0.0f, 5.0f / 6.0f, 11.0f / 12.0f, 1.0f, 7.0f, kNaN, -1.0f}) {
        setParam(kFreezeKey, key);
        calls.clear();
        for (platform::Key k : {platform::Key::shift, platform::Key::alt, platform::Key::control, platform::Key::tab})
            headless::setKeyDown(k, true);
        idle();
        for (platform::Key k : {platform::Key::shift, platform::Key::alt, platform::Key::control, platform::Key::tab})
            headless::setKeyDown(k, false);
        idle();
        EXPECT_EQ(gestures(), "") << key;
        EXPECT_EQ(param(kFreeze), 1.0f) << key;
    }
}

TEST_F(Wiring, AKeyReleasedWhileClosedIsReleasedAtTheNextOpen) {
    setParam(kFreezeKey, 2.0f / 6.0f);  // ALT
    headless::setKeyDown(platform::Key::alt, true);
    idle();
    editor->close();
    headless::setKeyDown(platform::Key::alt, false);
    calls.clear();
    openEditor();
    idle();
    EXPECT_EQ(param(kFreeze), 0.0f);
}

// ---- Meters ---------------------------------------------------------------

TEST_F(Wiring, LevelMetersHoldWhileFreshThenFallWithoutALowerClamp) {
    LevelMeterRecord& m = editor->levelMeters();
    m.modMeter = 0.01f;
    m.carMeter = 0.8f;
    m.carMeterFresh = 1;
    idle();
    EXPECT_EQ(value(kModMeterView), 0.01f);
    EXPECT_NEAR(m.modMeter, 0.01f - 1.0f / 62.0f, 1e-7);  // about -0.006, and there it stays
    EXPECT_EQ(m.carMeter, 0.8f);
    EXPECT_EQ(m.carMeterFresh, 0);
    const float low = m.modMeter;
    idle();
    EXPECT_EQ(m.modMeter, low);
    EXPECT_NEAR(m.carMeter, 0.8f - 1.0f / 62.0f, 1e-7);
    idle(5);  // passes 5 ms apart or closer do not tick
    idle(1);
    EXPECT_NEAR(m.carMeter, 0.8f - 1.0f / 62.0f, 1e-7);
}

TEST_F(Wiring, BandMetersHoldThreeTicksThenFallToExactlyZero) {
    BandMeterRecord& b = controller.bandMeters();
    b.bandMeter[7] = 0.05f;
    b.bandMeterHold[7] = 3;
    for (int i = 0; i < 3; ++i) idle();
    EXPECT_EQ(b.bandMeter[7], 0.05f);
    EXPECT_EQ(b.bandMeterHold[7], 0);
    idle();
    EXPECT_NEAR(b.bandMeter[7], 0.03f, 1e-7);
    idle();
    idle();
    EXPECT_EQ(b.bandMeter[7], 0.0f);
}

TEST_F(Wiring, NonFiniteMetersAreReset) {
    LevelMeterRecord& m = editor->levelMeters();
    BandMeterRecord& b = controller.bandMeters();
    m.modMeter = kNaN;
    m.outMeter = kInf;
    b.bandMeter[0] = kNaN;
    b.bandMeter[1] = kInf;
    b.bandMeter[2] = -kInf;
    b.bandMeterHold[3] = -5;
    b.bandMeter[3] = 0.5f;
    idle();
    EXPECT_EQ(m.modMeter, 0.0f);
    EXPECT_EQ(m.outMeter, 0.0f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(b.bandMeter[i], 0.0f) << i;
    EXPECT_NEAR(b.bandMeter[3], 0.48f, 1e-6);
    // Raised again by the signal path afterwards, they show.
    m.modMeter = 0.7f;
    m.modMeterFresh = 1;
    idle();
    EXPECT_EQ(value(kModMeterView), 0.7f);
}

// ---- Life cycle -----------------------------------------------------------

// The meters read 0 from the editor's construction on. Only an open window
// shows them, so only then do the blocks raise them; a window opens with
// clear meters, not with what the signal did while it was closed.
TEST_F(EditorTest, MetersStartAtZeroAndMoveOnlyWhileTheWindowIsOpen) {
    const LevelMeterRecord& m = editor->levelMeters();
    const BandMeterRecord& bands = controller.bandMeters();
    const auto levels = [&] { return std::vector<float>{m.modMeter, m.carMeter, m.outMeter}; };
    const auto bandLevels = [&] { return std::vector<float>(bands.bandMeter, bands.bandMeter + kNumBands); };
    const std::vector<float> zeros(3, 0.0f), bandZeros(kNumBands, 0.0f);
    EXPECT_EQ(levels(), zeros);
    EXPECT_EQ(bandLevels(), bandZeros);

    std::vector<float> in1(512), in2(512, 0.0f), out1(512), out2(512);
    for (std::size_t i = 0; i < in1.size(); ++i) in1[i] = 0.5f * std::sin(0.05f * float(i));
    float* inputs[2] = {in1.data(), in2.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    controller.process(inputs, outputs, 512);
    EXPECT_EQ(levels(), zeros);
    EXPECT_EQ(m.modMeterFresh, 0);
    EXPECT_EQ(bandLevels(), bandZeros);

    openEditor();
    controller.process(inputs, outputs, 512);
    EXPECT_GT(m.modMeter, 0.5f);
    EXPECT_EQ(m.modMeterFresh, 1);
    EXPECT_GT(*std::max_element(bands.bandMeter, bands.bandMeter + kNumBands), 0.5f);

    editor->close();
    const std::vector<float> shown = levels(), bandsShown = bandLevels();
    for (float& x : in1) x *= 2.0f;  // louder: an attached meter would rise
    controller.process(inputs, outputs, 512);
    EXPECT_EQ(levels(), shown);
    EXPECT_EQ(bandLevels(), bandsShown);

    openEditor();
    EXPECT_EQ(levels(), zeros);
    EXPECT_EQ(bandLevels(), bandZeros);
    controller.process(inputs, outputs, 512);
    EXPECT_GT(m.modMeter, shown[0]);
}

TEST_F(EditorTest, IdleCloseAndOpenInAnyOrderLeaveOneWindowAtMost) {
    editor->idle();
    editor->close();
    editor->setParameter(kModLevel, 0.3f);  // closed: nothing to update
    ASSERT_TRUE(editor->open(&parentToken));
    ASSERT_TRUE(editor->open(&parentToken));  // twice: the first window goes
    EXPECT_EQ(headless::liveWindows(), 1);
    EXPECT_EQ(editor->getFrame()->getNbViews(), 28);
    editor->close();
    editor->close();
    EXPECT_EQ(headless::liveWindows(), 0);
}

TEST_F(EditorTest, AHostClosingItsWindowFirstLeavesNothingToFail) {
    openEditor();
    headless::destroyFromOutside(editor->getFrame()->getWindow());
    idle();
    EXPECT_FALSE(editor->getFrame()->isOpen());
    editor->setParameter(kModLevel, 0.1f);
    editor->levelMeters().modMeter = 0.5f;
    idle();
    editor->close();
    EXPECT_EQ(headless::liveWindows(), 0);
    openEditor();  // and it opens again in a new window
    EXPECT_TRUE(editor->getFrame()->isOpen());
}

TEST_F(EditorTest, TheHostClosingTheEditorFromItsIdleDuringASliderDrag) {
    openEditor();
    FakeController otherController;
    AVocEditor other(otherController);
    otherController.editor = &other;
    otherController.onIdleHost = [&] { other.close(); };
    ASSERT_TRUE(other.open(&parentToken));
    tf::platform::processEvents(other.getFrame()->getWindow());
    const CRect s = layout::kSliders;
    headless::clearMouse();
    for (int x = 0; x < 40; ++x) headless::pushMouse(kLeft, {s.left + 5 * x, s.top + 10});
    headless::pushMouse(0, {s.right, s.top + 10});
    headless::queueMouseDown(other.getFrame()->getWindow(), {s.left, s.top + 10});
    headless::advanceClock(500);
    other.idle();
    EXPECT_EQ(other.getFrame(), nullptr);
    EXPECT_GT(headless::pendingMouseStates(), 0);  // the drag stopped there
    editor->close();
    EXPECT_EQ(headless::liveWindows(), 0);
    headless::clearMouse();
}
