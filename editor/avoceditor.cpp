#include "editor/avoceditor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "editor/keyboard.h"
#include "editor/sliders.h"
#include "editor/spectrum.h"
#include "gui/bitmap.h"
#include "gui/controls.h"
#include "gui/frame.h"
#include "base/convert.h"
#include "resources/bitmaps.h"
#include "vocoder/paramtext.h"
#include "vocoder/steps.h"

namespace art = tf::art;

namespace {

// How a text field shows its parameter: trunc(value x steps) - offset, and
// how a typed number becomes a value again (valueOfNumber). Levels read 0 to
// 100; Formant and Tune show their own steps.
struct FieldScale {
    int steps;
    int offset;
};
constexpr int kLevelFieldSteps = 100;
constexpr FieldScale scaleOf(std::int32_t param) {
    const ParameterInfo& p = kParameters[std::size_t(param)];
    return p.display == ParamDisplay::kNumber ? FieldScale{p.steps, p.offset} : FieldScale{kLevelFieldSteps, 0};
}
constexpr std::array<FieldScale, layout::kNumKnobs> kFieldScales = {
    scaleOf(layout::kKnobParams[0]), scaleOf(layout::kKnobParams[1]), scaleOf(layout::kKnobParams[2]),
    scaleOf(layout::kKnobParams[3]), scaleOf(layout::kKnobParams[4])};
constexpr int kShownLimit = 100000000;  // numbers shown for values far outside 0..1 stay in range

constexpr std::array<int, layout::kNumMeters> kMeterOnBitmaps = {art::kBitmapMeterMod, art::kBitmapMeterCar,
                                                                 art::kBitmapMeterOut};
constexpr std::array<int, layout::kNumKnobs> kKnobBitmaps = {art::kBitmapKnobLevel, art::kBitmapKnobLevel,
                                                             art::kBitmapKnobLevel, art::kBitmapKnobFormant,
                                                             art::kBitmapKnobTune};
constexpr std::array<std::int32_t, 2> kHotParams = {kFreeze, kFlat};
constexpr std::array<std::int32_t, 2> kKeyParams = {kFreezeKey, kFlatKey};
constexpr std::array<CRect, 2> kHotButtonRects = {layout::kFreezeButton, layout::kFlatButton};
constexpr std::array<CRect, 2> kKeyListRects = {layout::kFreezeKeyList, layout::kFlatKeyList};
// Parameters the controls are brought up to date with when the window opens.
constexpr std::array<std::int32_t, 13> kOpenRefresh = {kModLevel, kCarLevel, kOutLevel, kWaveform, kTune,
                                                       kOctave, kFormant, kFreezeKey, kFlatKey, kPlayback,
                                                       kSource, kFreeze, kFlat};

constexpr int stepsOf(std::int32_t param) { return kParameters[std::size_t(param)].steps; }
constexpr float positionValue(std::int32_t param, int position) {
    return stepValue(kParameters[std::size_t(param)], position);
}

// Where a parameter or editor tag is noted while it waits for the idle; -1
// for indices that change no control.
int pendingSlot(std::int32_t index) {
    if (isParamIndex(index)) return index;
    if (index >= kFirstEditorTag && index < kFirstEditorTag + kNumEditorTags) return kNumParams + (index - kFirstEditorTag);
    return -1;
}
std::int32_t indexOfSlot(int slot) { return slot < kNumParams ? slot : kFirstEditorTag + (slot - kNumParams); }

void showFirstCharacters(const char* text, char* shown) {
    std::snprintf(shown, kTextSize, "%.*s", layout::kShownTextLength, text);
}

// The value a typed text stands for in a field: a base-10 number with
// leading blanks and a sign allowed (no digits: 0), clamped to 0..1.
float valueOfTyped(const char* text, FieldScale scale) {
    return valueOfNumber(scale.steps, scale.offset, double(std::strtol(text, nullptr, 10)));
}

// Makes the list show entry trunc(value x scale) when there is one.
void selectEntry(CPopupList* list, float value, int scale) {
    if (list) list->setCurrent(truncClamped(value * float(scale), -1, list->getNbEntries()));
}

// Lights button `lit` of a group and puts out the others.
template <std::size_t N>
void light(const std::array<CToggleButton*, N>& group, int lit) {
    for (std::size_t i = 0; i < N; ++i)
        if (group[i]) group[i]->setValue(int(i) == lit ? 1.0f : 0.0f);
}

template <std::size_t N>
bool allThere(const std::array<CToggleButton*, N>& group) {
    return std::all_of(group.begin(), group.end(), [](const CToggleButton* b) { return b != nullptr; });
}

}  // namespace

AVocEditor::AVocEditor(EditorController& c) : CEditorBase(&c), controller(c) {
    editorThread.store(std::this_thread::get_id());
    CResBitmap* panel = new CResBitmap(art::kBitmapBackground);
    bitmaps[0] = panel;
    const bool loaded = panel->getWidth() > 0 && panel->getHeight() > 0;
    width = loaded ? panel->getWidth() : layout::kFrame.width();
    height = loaded ? panel->getHeight() : layout::kFrame.height();
    // The meters read 0 from here on; the signal path raises them only while a window shows them.
}

AVocEditor::~AVocEditor() {
    close();
    bitmaps[0]->release();
}

CResBitmap* AVocEditor::bitmap(int id) const { return bitmaps[std::size_t(id - art::kFirstBitmap)]; }

template <class View>
View* AVocEditor::add(View* view) {
    if (!frame->addView(view)) {
        view->release();
        throw std::bad_alloc();
    }
    return view;
}

bool AVocEditor::open(void* parentWindow) {
    close();
    try {
        CEditorBase::open(parentWindow);
        editorThread.store(std::this_thread::get_id());
        for (auto& p : pending) p.store(false, std::memory_order_relaxed);
        // A window starts with clear meters, not the peaks of the time it was closed.
        meters.modMeter = meters.carMeter = meters.outMeter = 0.0f;
        meters.modMeterFresh = meters.carMeterFresh = meters.outMeterFresh = 0;
        controller.bandMeters() = BandMeterRecord{};
        hotKeyHeld = {};
        frame = new CWindowFrame(CRect(0, 0, width, height), parentWindow, this);
        if (!frame->isOpen()) {  // no window in that parent
            close();
            return false;
        }
        frame->setBackground(bitmaps[0]);
        for (int id = art::kFirstBitmap + 1; id <= art::kLastBitmap; ++id)
            if (!bitmap(id)) bitmaps[std::size_t(id - art::kFirstBitmap)] = new CResBitmap(id);
        buildControls();
        for (std::int32_t index : kOpenRefresh) applyParameter(index);
        controller.attachLevelMeters(&meters);  // the blocks from now on raise the meters
        return true;
    } catch (const std::bad_alloc&) {
        close();
        return false;
    }
}

void AVocEditor::buildControls() {
    const std::array<const Relaxed<float>*, layout::kNumMeters> levels = {&meters.modMeter, &meters.carMeter,
                                                                         &meters.outMeter};
    for (std::size_t i = 0; i < meterViews.size(); ++i) {
        meterViews[i] = add(new CLevelMeter(layout::kMeters[i], nullptr, 0, bitmap(kMeterOnBitmaps[i]),
                                            bitmap(art::kBitmapMeterOff), layout::kMeterSteps, kMeterHorizontal));
        meterViews[i]->setValue(*levels[i]);
    }
    for (std::size_t i = 0; i < knobs.size(); ++i) {
        knobs[i] = add(new CFilmstripKnob(layout::kKnobs[i], this, layout::kKnobParams[i], bitmap(kKnobBitmaps[i]),
                                          art::kKnobFrames, art::kKnobFrameHeight));
        knobs[i]->setDefaultValue(layout::kKnobDefault);
    }
    auto styleText = [](CTextDisplay* t) {
        t->setFont(layout::kTextFont);
        t->setFontColor(kYellowCColor);
        t->setBackColor(kBlackCColor);
        t->setFrameColor(kBlackCColor);
        t->setHoriAlign(kCenterText);
    };
    for (std::size_t i = 0; i < textFields.size(); ++i) {
        textFields[i] = add(new CTextField(layout::kTextFields[i], this, layout::kTextTags[i]));
        styleText(textFields[i]);
        textFields[i]->setTextToShown(showFirstCharacters);
    }
    auto makeList = [&](const CRect& r, std::int32_t tag, const auto& entries) {
        auto* list = add(new CPopupList(r, this, tag, nullptr, kCheckStyle));
        styleText(list);
        list->setShadowColor(kGreyCColor);
        for (const char* e : entries) list->addEntry(e);
        return list;
    };
    waveformList = makeList(layout::kWaveformList, kWaveform, layout::kWaveformEntries);
    for (std::size_t i = 0; i < octaveButtons.size(); ++i)
        octaveButtons[i] = add(new CToggleButton(layout::kOctaveButtons[i], this, kTagOctave0 + std::int32_t(i),
                                                 bitmap(art::kBitmapToggle)));
    for (std::size_t i = 0; i < hotButtons.size(); ++i)
        hotButtons[i] = add(new CMomentaryButton(kHotButtonRects[i], this, kHotParams[i],
                                                 bitmap(art::kBitmapHotButton), art::kButtonImageHeight));
    for (std::size_t i = 0; i < keyLists.size(); ++i)
        keyLists[i] = makeList(kKeyListRects[i], kKeyParams[i], layout::kKeyEntries);
    for (std::size_t i = 0; i < playbackButtons.size(); ++i)
        playbackButtons[i] = add(new CToggleButton(layout::kPlaybackButtons[i], this,
                                                   kTagPlayback0 + std::int32_t(i), bitmap(art::kBitmapToggle)));
    for (std::size_t i = 0; i < sourceButtons.size(); ++i)
        sourceButtons[i] = add(new CToggleButton(layout::kSourceButtons[i], this, kTagSource0 + std::int32_t(i),
                                                 bitmap(art::kBitmapToggle)));
    spectrum = add(new CSpectrumAnlyzer(layout::kSpectrum, bitmap(art::kBitmapSpectrum), &controller.bandMeters()));
    keyboard = add(new CKeyboardBitmap(layout::kKeyboard, bitmap(art::kBitmapKeyboard), controller));
    sliders = add(new CSliders(layout::kSliders, bitmap(art::kBitmapSlider), controller));
}

void AVocEditor::close() {
    controller.attachLevelMeters(nullptr);  // no window: the blocks leave the meters alone
    CEditorBase::close();
    meterViews = {};
    knobs = {};
    textFields = {};
    waveformList = nullptr;
    octaveButtons = {};
    hotButtons = {};
    keyLists = {};
    playbackButtons = {};
    sourceButtons = {};
    spectrum = nullptr;
    keyboard = nullptr;
    sliders = nullptr;
    for (std::size_t i = 1; i < bitmaps.size(); ++i) {
        if (bitmaps[i]) bitmaps[i]->release();
        bitmaps[i] = nullptr;
    }
}

void AVocEditor::setParameter(std::int32_t index, float) {
    if (onEditorThread()) {
        applyParameter(index);
    } else if (const int slot = pendingSlot(index); slot >= 0) {
        pending[std::size_t(slot)].store(true, std::memory_order_relaxed);
    }
    postUpdate();
}

void AVocEditor::applyPending() {
    for (std::size_t slot = 0; slot < pending.size(); ++slot)
        if (pending[slot].exchange(false, std::memory_order_relaxed)) applyParameter(indexOfSlot(int(slot)));
}

void AVocEditor::showNumber(int field, float value) {
    CTextField* f = textFields[std::size_t(field)];
    if (!f) return;
    const FieldScale scale = kFieldScales[std::size_t(field)];
    const int n = truncClamped(value * float(scale.steps), -kShownLimit, kShownLimit) - scale.offset;
    char text[kTextSize];
    std::snprintf(text, sizeof text, "%d", n);
    f->setText(text);
    f->markDirty();
}

void AVocEditor::applyParameter(std::int32_t index) {
    if (!frame) return;
    if (index >= kFirstEditorTag) {
        if (const std::optional<Action> a = tagAction(index)) controller.setParameter(a->param, a->value);
        return;
    }
    const float p = controller.getParameter(index);
    for (std::size_t i = 0; i < knobs.size(); ++i) {
        if (layout::kKnobParams[i] != index) continue;
        if (knobs[i]) knobs[i]->setValue(p);
        showNumber(int(i), p);
        return;
    }
    switch (index) {
    case kFreeze:
    case kFlat:
        if (CMomentaryButton* b = hotButtons[index == kFreeze ? 0 : 1]) b->setValue(p);
        break;
    case kWaveform:
        selectEntry(waveformList, p, stepsOf(kWaveform));  // 1.0 is the last
        break;
    case kOctave:
        if (allThere(octaveButtons)) {
            // Values outside 0..1 light nothing new.
            const int n = truncClamped(float(stepsOf(kOctave)) * p, -1, int(octaveButtons.size()));
            if (n >= 0 && n < int(octaveButtons.size())) light(octaveButtons, n);
        }
        break;
    case kFreezeKey:
    case kFlatKey:
        selectEntry(keyLists[index == kFreezeKey ? 0 : 1], p, stepsOf(index));
        break;
    case kPlayback:
        if (allThere(playbackButtons)) light(playbackButtons, switchOn(p) ? 1 : 0);
        break;
    case kSource:
        if (allThere(sourceButtons)) light(sourceButtons, switchOn(p) ? 1 : 0);
        break;
    default:
        if (index >= kO1Freq && index <= kO6Level && keyboard) keyboard->markDirty();
        if (index >= kBand1 && index < kNumParams && sliders) sliders->markDirty();
        break;
    }
}

std::optional<AVocEditor::Action> AVocEditor::tagAction(std::int32_t tag) {
    if (tag >= kTagModLevelText && tag <= kTagTuneText) {
        const auto i = std::size_t(tag - kTagModLevelText);
        if (!textFields[i]) return std::nullopt;
        return Action{layout::kKnobParams[i], valueOfTyped(textFields[i]->getText(), kFieldScales[i])};
    }
    if (tag >= kTagOctave0 && tag <= kTagOctave2) {
        const int i = tag - kTagOctave0;
        light(octaveButtons, i);
        return Action{kOctave, positionValue(kOctave, i)};
    }
    if (tag == kTagPlayback0 || tag == kTagPlayback1) {
        const int i = tag - kTagPlayback0;
        light(playbackButtons, i);
        return Action{kPlayback, positionValue(kPlayback, i)};
    }
    if (tag == kTagSource0 || tag == kTagSource1) {
        const int i = tag - kTagSource0;
        light(sourceButtons, i);
        return Action{kSource, positionValue(kSource, i)};
    }
    return std::nullopt;
}

void AVocEditor::onControlChanged(CPaintContext* context, CValueControl* control) {
    const std::int32_t tag = control->getTag();
    const float x = control->getValue();
    if (tag == kWaveform || tag == kFreezeKey || tag == kFlatKey) {
        // A list reports its entry's number; entry n stands for position n.
        controller.setParameterAutomated(tag, x * positionValue(tag, 1));
    } else if (tag >= kFirstEditorTag) {
        // The host hears of the parameter the control changes, not of the tag.
        if (const std::optional<Action> a = tagAction(tag)) controller.setParameterAutomated(a->param, a->value);
    } else {
        controller.setParameterAutomated(tag, x);
    }
    control->redrawIfDirty(context);
}

void AVocEditor::decayMeters() {
    const std::array<Relaxed<float>*, layout::kNumMeters> levels = {&meters.modMeter, &meters.carMeter,
                                                                   &meters.outMeter};
    const std::array<Relaxed<std::uint8_t>*, layout::kNumMeters> fresh = {&meters.modMeterFresh, &meters.carMeterFresh,
                                                                         &meters.outMeterFresh};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        Relaxed<float>& level = *levels[i];
        if (!std::isfinite(level)) level = 0.0f;  // would never fall nor be raised again
        if (meterViews[i]) meterViews[i]->setValue(level);
        if (*fresh[i])
            *fresh[i] = 0;
        else if (level > 0.0f)
            level -= kMeterDecay;
    }
    BandMeterRecord& bands = controller.bandMeters();
    for (int b = 0; b < kNumBands; ++b) {
        Relaxed<float>& level = bands.bandMeter[b];
        Relaxed<int>& hold = bands.bandMeterHold[b];
        if (!std::isfinite(level)) level = 0.0f;
        if (hold > 0) {
            --hold;
        } else {
            hold = 0;
            if (level > 0.0f) level = std::max(level - kBandDecay, 0.0f);
        }
    }
    if (spectrum) spectrum->markDirty();
}

void AVocEditor::pollHotKey(int which, std::int32_t keyParam, std::int32_t param) {
    const int key = triggerKeyOf(controller.getParameter(keyParam));  // kNumTriggerKeys: no key
    const int code = key < kNumTriggerKeys ? kHotKeyTable[std::size_t(key)] : 0;
    const auto w = std::size_t(which);
    hotKeyHeld[w] = code != 0 && frame->isKeyDown(code);
    if (hotKeyHeld[w] == hotKeyWasHeld[w]) return;
    hotKeyWasHeld[w] = hotKeyHeld[w];
    const float value = hotKeyHeld[w] ? 1.0f : 0.0f;
    if (hotButtons[w]) hotButtons[w]->setValue(value);
    controller.setParameterAutomated(param, value);
}

void AVocEditor::idle() {
    if (frame) {
        applyPending();
        const std::uint32_t now = getTicks();
        if (std::int32_t(now - lastIdleTicks) > kMeterTickMs) decayMeters();
        lastIdleTicks = now;
        // The host may close the editor when told of a change.
        for (std::size_t i = 0; i < kHotParams.size() && frame; ++i) pollHotKey(int(i), kKeyParams[i], kHotParams[i]);
    }
    CEditorBase::idle();
}
