// The plug-in's editor: the 640 x 385 panel with its 28 controls, the wiring
// between controls and parameters, the animation of the level meters and the
// spectrum, and the Freeze and Flat trigger keys.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include "editor/controller.h"
#include "editor/layout.h"
#include "gui/editorbase.h"
#include "gui/view.h"
#include "vocoder/meters.h"

class CFilmstripKnob;
class CKeyboardBitmap;
class CLevelMeter;
class CMomentaryButton;
class CPopupList;
class CResBitmap;
class CSliders;
class CSpectrumAnlyzer;
class CTextField;
class CToggleButton;

class AVocEditor : public CEditorBase, public CValueListener {
public:
    // Loads the panel picture; opens no window. The meters start at 0. The
    // controller must outlive the editor.
    explicit AVocEditor(EditorController& controller);
    ~AVocEditor() override;

    // Builds the window in `parentWindow`; false when no window could be made.
    // A second open without a close replaces the first window. The level and
    // band meters start at 0 and the signal path raises them from the next
    // block on, until the close.
    bool open(void* parentWindow) override;  // UI thread
    // Deletes the window and its controls; the editor can open again.
    void close() override;  // UI thread
    // Meters, spectrum and trigger keys, then the redraw of what changed.
    void idle() override;  // UI thread
    // Brings the controls in line with parameter `index` as the controller
    // now holds it (`value` is not used), or carries out the action of an
    // editor tag. Any thread: called from another thread than the one that
    // opened the editor, it only notes the index and the next idle does the rest.
    void setParameter(std::int32_t index, float value) override;
    // A control the user changed: tells the controller (and so the host).
    void onControlChanged(CPaintContext* context, CValueControl* control) override;  // UI thread

    // The three level meters, 1.0 at full scale; the audio thread raises
    // them and sets the fresh flags, each idle tick lets them fall.
    LevelMeterRecord& levelMeters() { return meters; }

    static constexpr float kMeterDecay = 1.0f / 62.0f;  // per idle tick
    static constexpr float kBandDecay = 0.02f;          // per idle tick, after the hold
    static constexpr std::int32_t kMeterTickMs = 5;     // idle passes closer than this do not tick

private:
    struct Action {
        std::int32_t param;
        float value;
    };

    // The parameter change an editor tag stands for: a text field's typed
    // number, or the value of a pressed button of a group (which it lights).
    std::optional<Action> tagAction(std::int32_t tag);
    void applyParameter(std::int32_t index);
    void applyPending();
    void buildControls();
    template <class View>
    View* add(View* view);
    CResBitmap* bitmap(int id) const;
    void showNumber(int field, float value);
    void decayMeters();
    void pollHotKey(int which, std::int32_t keyParam, std::int32_t param);
    bool onEditorThread() const { return std::this_thread::get_id() == editorThread.load(std::memory_order_relaxed); }

    EditorController& controller;
    std::array<CResBitmap*, 13> bitmaps{};  // by id from the panel (101) on; the panel is held for the editor's life

    std::array<CLevelMeter*, layout::kNumMeters> meterViews{};
    std::array<CFilmstripKnob*, layout::kNumKnobs> knobs{};
    std::array<CTextField*, layout::kNumKnobs> textFields{};
    CPopupList* waveformList = nullptr;
    std::array<CToggleButton*, 3> octaveButtons{};
    std::array<CMomentaryButton*, 2> hotButtons{};  // Freeze, Flat
    std::array<CPopupList*, 2> keyLists{};          // FreezeKey, FlatKey
    std::array<CToggleButton*, 2> playbackButtons{};
    std::array<CToggleButton*, 2> sourceButtons{};
    CSpectrumAnlyzer* spectrum = nullptr;
    CKeyboardBitmap* keyboard = nullptr;
    CSliders* sliders = nullptr;

    LevelMeterRecord meters;
    std::uint32_t lastIdleTicks = 0;
    std::array<bool, 2> hotKeyHeld{};
    std::array<bool, 2> hotKeyWasHeld{};

    // The thread the editor was opened on, the only one that touches controls.
    std::atomic<std::thread::id> editorThread;
    // Parameters and editor tags changed on other threads since the last idle.
    std::array<std::atomic<bool>, kNumParams + kNumEditorTags> pending{};
};
