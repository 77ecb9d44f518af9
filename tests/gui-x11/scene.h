// The test frame shared by the X11 tests and the headless reference
// renderer: generated bitmaps in the resource table and an editor whose
// frame holds a toggle, a filmstrip knob, a text field and a popup list.
#pragma once

#include <functional>
#include <string>

#include "gui/controls.h"
#include "gui/editorbase.h"
#include "gui/frame.h"
#include "demo_frame.h"

namespace scene {

constexpr int kFrameWidth = 400;
constexpr int kFrameHeight = 220;

// Resource ids of the generated bitmaps.
constexpr int kBackgroundId = 301;
constexpr int kToggleId = 302;  // two images stacked: off above, on below
constexpr int kKnobId = 303;    // a filmstrip of kKnobFrames images

constexpr int kKnobFrames = 37;
constexpr int kKnobSize = 34;

enum Tag { kTagToggle = 1, kTagKnob, kTagField, kTagList };

// Control values the frame is shown with.
struct State {
    float toggle = 0.0f;
    float knob = 0.0f;
    std::string text = "voice";
    int listIndex = 0;
};

// Records each change a control reports.
class Listener : public CValueListener {
public:
    void onControlChanged(CPaintContext* context, CValueControl* control) override;
    struct Change {
        int tag;
        float value;
    };
    std::vector<Change> changes;
};

// Which frame the editor opens: the scene above, or the toolkit tests' demo
// frame of every stock control.
enum class Layout { scene, demo };

class Editor : public CEditorBase {
public:
    explicit Editor(CEditorHost* host, State state = State(), Layout layout = Layout::scene);
    bool open(void* parent) override;
    void close() override;
    // Runs `onIdle` (the test's user) first, then the toolkit's idle.
    void idle() override;

    CToggleButton* toggle = nullptr;
    CFilmstripKnob* knob = nullptr;
    CTextField* field = nullptr;
    CPopupList* list = nullptr;
    guidemo::DemoViews demo;
    Listener listener;
    std::function<void(int)> onIdle;
    int idles = 0;

private:
    State state;
    Layout layout;
};

}  // namespace scene
