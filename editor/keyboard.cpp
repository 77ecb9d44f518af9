#include "editor/keyboard.h"

#include <algorithm>
#include <array>

#include "base/convert.h"
#include "editor/controller.h"
#include "gui/bitmap.h"
#include "resources/layout.h"
#include "vocoder/talkforge.h"

namespace {

namespace art = tf::art;

static_assert(CKeyboardBitmap::kNumKeys == art::kKeyboardNotes, "one key per note of the picture");

// Outermost first: four shrinking discs, each a darker blue than the next.
constexpr std::array<CColorRGB, 4> kDotColours = {{{0, 0, 96, 0}, {0, 0, 128, 0}, {0, 0, 160, 0}, {0, 0, 192, 0}}};

}  // namespace

CKeyboardBitmap::CKeyboardBitmap(const CRect& r, CResBitmap* picture, EditorController& c)
    : CValueControl(r, nullptr, 0, picture), controller(c) {}

int CKeyboardBitmap::keyAt(CPoint local) {
    if (local.y >= art::kKeyboardBlackRows) {
        const int column = local.x / art::kWhiteKeyPitch;
        return art::kWhiteKeyNotes[std::size_t(std::clamp(column, 0, art::kWhiteKeys - 1))];
    }
    for (const art::BlackKey& b : art::kBlackKeys)
        if (b.lo < local.x && local.x < b.hi) return b.note;
    return -1;
}

int CKeyboardBitmap::keyOfPitch(float pitch) {
    // Rounded in float as the synthesizer rounds it, so the dot sits on the key heard.
    const int key = truncClamped(float(kNumKeys) * pitch + 0.5f, -1, kNumKeys);
    return key >= 0 && key < kNumKeys ? key : -1;
}

CPoint CKeyboardBitmap::dotPosition(int key) {
    const art::DotPosition p = art::kDotPositions[std::size_t(key)];
    return {p.x, p.y};
}

void CKeyboardBitmap::draw(CPaintContext* context) {
    COffscreenPaint image(getFrame(), size.width(), size.height());
    if (background) background->draw(&image, CRect(0, 0, size.width(), size.height()));
    for (int i = 0; i < kNumOscillators; ++i) {
        if (controller.getParameter(kOscLevelParams[std::size_t(i)]) == 0.0f) continue;
        // A pitch that stands for no key still sounds, but has no dot.
        const int key = keyOfPitch(controller.getParameter(kOscPitchParams[std::size_t(i)]));
        if (key < 0) continue;
        const CPoint at = dotPosition(key);
        for (int k = 0; k < int(kDotColours.size()); ++k) {
            image.setFillColor(kDotColours[std::size_t(k)]);
            image.fillEllipse(CRect(at.x + k, at.y + k, at.x + art::kDotSize - k, at.y + art::kDotSize - k));
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
            if (controller.getParameter(level) != 0.0f &&
                keyOfPitch(controller.getParameter(kOscPitchParams[std::size_t(i)])) == key) {
                controller.setParameter(level, 0.0f);
                switchedOff = true;
            }
        }
        for (int i = 0; i < kNumOscillators && !switchedOff; ++i) {
            if (controller.getParameter(kOscLevelParams[std::size_t(i)]) != 0.0f) continue;
            const std::int32_t pitch = kOscPitchParams[std::size_t(i)];
            controller.setParameter(pitch, stepValue(kParameters[std::size_t(pitch)], key));
            controller.setParameter(kOscLevelParams[std::size_t(i)], 1.0f);
            break;
        }
    }
    draw(context);
}
