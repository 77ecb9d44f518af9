// The two-octave keyboard: ivory keys on 10-column centres with a grey gap
// at each multiple of 10, black keys over exactly the columns that hit them
// (and one edge column each side), shaded so the run-time dots read on both.
#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/palette.h"
#include "resources/parts.h"

namespace tf::art {
namespace {

constexpr Rgb kIvoryTop = rgb(0xd6d2c8);
constexpr Rgb kIvory = rgb(0xf0ede5);
constexpr Rgb kIvoryLip = rgb(0xc9c4b9);
constexpr Rgb kKeyGap = rgb(0x5d5f64);
constexpr Rgb kEbonyTop = rgb(0x2b2c30);
constexpr Rgb kEbonyBottom = rgb(0x141517);
constexpr Rgb kEbonyFront = rgb(0x45474d);
constexpr float kLipRows = 4.0f;    // the front edge of the white keys
constexpr float kFrontRows = 5.0f;  // the front slope of the black keys

}  // namespace

Surface drawKeyboard(const Surface& panel) {
    Surface s = crop(panel, kKeyboardRect);
    const CRect all = s.bounds();
    const float h = float(kKeyboardHeight);
    const float blackBottom = float(kKeyboardBlackRows);

    // The gaps, then each white key with its front lip and rounded corners.
    const Box gaps{0, 0, float(kKeyboardWidth), h - 1.5f};
    fillRoundBox(s, all, gaps, 0, Solid{kKeyGap});
    for (int w = 0; w < kWhiteKeys; ++w) {
        const Box key{float(w * kWhiteKeyPitch + 1), -4, float((w + 1) * kWhiteKeyPitch), h};
        fillRoundBox(s, all, key, 1.5f, [&](float, float y) {
            if (y > h - kLipRows) return mix(kIvory, kIvoryLip, (y - (h - kLipRows)) / kLipRows);
            return mix(kIvoryTop, kIvory, smoothstep(0.0f, 12.0f, y));
        });
    }

    // Black keys: a soft shadow on the white keys, then an outline column
    // each side of the body and a lighter front slope.
    for (const BlackKey& k : kBlackKeys) {
        const Box body{float(k.lo), -4, float(k.hi + 1), blackBottom};
        fillShape(
            s, all, [&](float x, float y) { return roundBoxDistance(x - 1.0f, y - 1.5f, body, 1.0f); }, Solid{kShadow},
            0.45f, 2.5f);
        fillRoundBox(s, all, body, 1.0f, Solid{rgb(0x08080a)});
        const Box top{body.left + 1, -4, body.right - 1, blackBottom - kFrontRows};
        fillRoundBox(s, all, top, 0.5f, [&](float x, float y) {
            const Rgb c = mix(kEbonyTop, kEbonyBottom, y / blackBottom);
            return x < top.left + 1.0f ? mix(c, rgb(0x6a6c72), 0.5f) : c;
        });
        const Box front{body.left + 1, blackBottom - kFrontRows, body.right - 1, blackBottom - 1};
        fillRoundBox(s, all, front, 0.5f, VerticalGradient{kEbonyFront, kEbonyTop, front.top, front.bottom});
    }

    // The keys disappear under the panel's edge at the top.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < kKeyboardWidth; ++x) blend(s, x, y, kShadow, 0.5f - 0.15f * float(y));
    return s;
}

}  // namespace tf::art
