#include "editor/keyboard.h"

#include <array>

#include "gui/bitmap.h"
#include "host/audioeffectx.h"
#include "host/convert.h"
#include "vocoder/oscillators.h"
#include "vocoder/parameters.h"

namespace {

static_assert(CKeyboardBitmap::kNumKeys == kOscPitchSteps, "one key per pitch step of the synthesizer");
constexpr float kSemitoneStep = 0.04f;  // a key written back as a pitch value

// Dots: where each key's dot is drawn, control-local.
constexpr std::array<CPoint, CKeyboardBitmap::kNumKeys> kDots = {{
    {0, 45},   {4, 20},   {10, 45},  {16, 20},  {20, 45},  {30, 45},  {33, 20},  {40, 45},  {45, 20},
    {50, 45},  {57, 20},  {60, 45},  {70, 45},  {74, 20},  {80, 45},  {86, 20},  {90, 45},  {100, 45},
    {103, 20}, {110, 45}, {115, 20}, {120, 45}, {127, 20}, {130, 45}, {140, 45},
}};
constexpr int kDotSize = 10;
// Outermost first: four shrinking discs, each a darker blue than the next.
constexpr std::array<CColorRGB, 4> kDotColours = {{{0, 0, 96, 0}, {0, 0, 128, 0}, {0, 0, 160, 0}, {0, 0, 192, 0}}};

// Rows below this are the white keys' lower part; at and above it the black
// keys can be hit.
constexpr int kBlackKeyRows = 41;
constexpr int kWhiteKeyWidth = 10;
constexpr std::array<int, 15> kWhiteKeys = {0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19, 21, 23, 24};
struct BlackKey {
    int lo, hi;  // a click hits it when lo < x < hi
    int key;
};
constexpr std::array<BlackKey, 10> kBlackKeys = {{
    {6, 13, 1}, {19, 26, 3}, {35, 43, 6}, {47, 54, 8}, {59, 66, 10},
    {76, 83, 13}, {88, 95, 15}, {105, 112, 18}, {117, 124, 20}, {128, 135, 22},
}};

}  // namespace

CKeyboardBitmap::CKeyboardBitmap(const CRect& r, CResBitmap* picture, AudioEffectX* fx)
    : CValueControl(r, nullptr, 0, picture), effect(fx) {}

int CKeyboardBitmap::keyAt(CPoint local) {
    if (local.y > kBlackKeyRows) {
        const int column = local.x / kWhiteKeyWidth;
        return kWhiteKeys[std::size_t(column < 0 ? 0 : column > 14 ? 14 : column)];
    }
    for (const BlackKey& b : kBlackKeys)
        if (b.lo < local.x && local.x < b.hi) return b.key;
    return -1;
}

int CKeyboardBitmap::keyOfPitch(float pitch) {
    // Rounded in float as the synthesizer rounds it, so the dot sits on the key heard.
    const int key = truncClamped(float(kNumKeys) * pitch + 0.5f, -1, kNumKeys);
    return key >= 0 && key < kNumKeys ? key : -1;
}

CPoint CKeyboardBitmap::dotPosition(int key) { return kDots[std::size_t(key)]; }

void CKeyboardBitmap::draw(CPaintContext* context) {
    COffscreenPaint image(getFrame(), size.width(), size.height());
    if (background) background->draw(&image, CRect(0, 0, size.width(), size.height()));
    for (int i = 0; i < kNumOscillators; ++i) {
        if (effect->getParameter(kOscLevelParams[std::size_t(i)]) == 0.0f) continue;
        // A pitch that stands for no key still sounds, but has no dot.
        const int key = keyOfPitch(effect->getParameter(kOscPitchParams[std::size_t(i)]));
        if (key < 0) continue;
        const CPoint at = dotPosition(key);
        for (int k = 0; k < int(kDotColours.size()); ++k) {
            image.setFillColor(kDotColours[std::size_t(k)]);
            image.fillEllipse(CRect(at.x + k, at.y + k, at.x + kDotSize - k, at.y + kDotSize - k));
        }
    }
    image.copyTo(context, size);
}

void CKeyboardBitmap::onMouseDown(CPaintContext* context, CPoint where) {
    if (!mouseEnabled) return;
    const int key = keyAt(CPoint(where.x - size.left, where.y - size.top));
    if (key >= 0) {
        bool switchedOff = false;
        for (int i = 0; i < kNumOscillators && !switchedOff; ++i) {
            const std::int32_t level = kOscLevelParams[std::size_t(i)];
            if (effect->getParameter(level) != 0.0f &&
                keyOfPitch(effect->getParameter(kOscPitchParams[std::size_t(i)])) == key) {
                effect->setParameter(level, 0.0f);
                switchedOff = true;
            }
        }
        for (int i = 0; i < kNumOscillators && !switchedOff; ++i) {
            if (effect->getParameter(kOscLevelParams[std::size_t(i)]) != 0.0f) continue;
            effect->setParameter(kOscPitchParams[std::size_t(i)], float(key) * kSemitoneStep);
            effect->setParameter(kOscLevelParams[std::size_t(i)], 1.0f);
            break;
        }
    }
    draw(context);
}
