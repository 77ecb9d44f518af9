// The background: a title bar over three rows of plates on a dark chassis.
// Nothing on the panel varies along a row of controls that share a bitmap
// (the level knobs, the toggles, Freeze and Flat, the sliders), so the crop
// a shared image is drawn on is the same under each of its controls.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

#include "resources/bitmaps.h"
#include "resources/layout.h"
#include "resources/palette.h"
#include "resources/parts.h"
#include "vocoder/filterbank.h"

namespace tf::art {
namespace {

constexpr float kTitleBarBottom = 36.0f;
constexpr float kPlateRadius = 5.0f;

// The plates, grouped in three rows that share their top and bottom.
constexpr float kRowATop = 40, kRowABottom = 119;
constexpr float kRowBTop = 122, kRowBBottom = 295;
constexpr float kRowCTop = 298, kRowCBottom = 381;
constexpr Box kMetersPlate{4, kRowATop, 196, kRowABottom};
constexpr Box kLevelsPlate{200, kRowATop, 428, kRowABottom};
constexpr Box kFreezePlate{432, kRowATop, 500, kRowABottom};
constexpr Box kFormantPlate{504, kRowATop, 572, kRowABottom};
constexpr Box kFlatPlate{576, kRowATop, 636, kRowABottom};
constexpr Box kBandsPlate{4, kRowBTop, 636, kRowBBottom};
constexpr Box kOctavePlate{4, kRowCTop, 93, kRowCBottom};
constexpr Box kTunePlate{97, kRowCTop, 159, kRowCBottom};
constexpr Box kWavePlate{163, kRowCTop, 222, kRowCBottom};
constexpr Box kChordPlate{226, kRowCTop, 410, kRowCBottom};
constexpr Box kPlaybackPlate{414, kRowCTop, 516, kRowCBottom};
constexpr Box kSourcePlate{520, kRowCTop, 636, kRowCBottom};

// Baseline of a plate's title, below its top edge: the bottom row's titles
// sit a little higher, clear of the keyboard.
constexpr int kTitleBaseline = 11;
constexpr int kLowTitleBaseline = 10;

float centreX(const CRect& r) { return float(r.left + r.right) * 0.5f; }
float centreX(const Box& b) { return (b.left + b.right) * 0.5f; }

void chassis(Surface& s) {
    fillArea(s, s.bounds(), VerticalGradient{kChassisTop, kChassisBottom, 0, float(kPanelHeight)});
}

void titleBar(Surface& s, Typesetter& type) {
    const int barBottom = int(kTitleBarBottom);
    brushedMetal(s, {0, 0, kPanelWidth, barBottom});
    // A highlight along the top edge, a dark seam along the bottom.
    s.fill({0, 0, kPanelWidth, 1}, toPixel(rgb(0x3d4047)), s.bounds());
    s.fill({0, barBottom - 1, kPanelWidth, barBottom}, toPixel(rgb(0x070708)), s.bounds());

    markBadge(s, {12, 7, 34, 29});
    const int baseline = 26;
    const float after = wordmark(s, type, 42, baseline, 23) + 12.0f;
    const Type spaced{"Liberation Sans", 9, true, 2};
    type.draw(s, spaced, "VOCODER", after, baseline, Align::left, kScaleText);
    type.draw(s, spaced, "HARROWGATE SOUNDS", float(kPanelWidth) - 14.0f, baseline, Align::right, kLabel);
}

// A plate's title, centred, with hairline rules out to the plate's edges.
void title(Surface& s, Typesetter& type, const Box& b, std::string_view text) {
    const int baseline = int(b.top) + (b.top == kRowCTop ? kLowTitleBaseline : kTitleBaseline);
    const float cx = centreX(b);
    type.draw(s, kSectionType, text, cx, baseline, Align::centre, kAccent);
    const float half = float(type.width(kSectionType, text)) * 0.5f;
    const int ruleY = baseline - type.capHeight(kSectionType) / 2 - 1;
    const int inset = 7;
    const int gap = 5;
    const int shortest = 6;  // shorter rules would read as stray dots
    const CRect left(int(b.left) + inset, ruleY, int(std::floor(cx - half)) - gap, ruleY + 1);
    const CRect right(int(std::ceil(cx + half)) + gap, ruleY, int(b.right) - inset, ruleY + 1);
    if (left.width() >= shortest) s.fill(left, toPixel(kRule), s.bounds());
    if (right.width() >= shortest) s.fill(right, toPixel(kRule), s.bounds());
}

// The recess of a knob's value field, kept out of the knob's rectangle: the
// three level knobs share one filmstrip, and their fields do not sit at the
// same offset under each.
void fieldWell(Surface& s, const CRect& field, const CRect& knob) {
    well(s, textBoxOf(field), 2.0f, {0, knob.bottom, kPanelWidth, kPanelHeight});
}

void label(Surface& s, Typesetter& type, std::string_view text, float cx, int baseline, Rgb colour = kLabel) {
    type.draw(s, kLabelType, text, cx, baseline, Align::centre, colour);
}

// The names of a row of buttons, one centred over each.
void buttonNames(Surface& s, Typesetter& type, const CRect* buttons, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        label(s, type, name, centreX(*buttons), buttons->top - 4);
        ++buttons;
    }
}

// ---- Sections --------------------------------------------------------------

// The meter's column of a level in dBFS.
float meterColumn(float db) { return float(kModMeterRect.left) + (1.0f + db / kMeterDbPerUnit) * float(kMeterWidth); }

void levels(Surface& s, Typesetter& type) {
    plate(s, kMetersPlate);
    title(s, type, kMetersPlate, "METERS");
    plate(s, kLevelsPlate);
    title(s, type, kLevelsPlate, "LEVELS");

    const CRect meters[] = {kModMeterRect, kCarMeterRect, kOutMeterRect};
    const char* names[] = {"MOD", "CAR", "OUT"};
    for (int i = 0; i < 3; ++i) {
        well(s, meters[i]);
        const int baseline = meters[i].bottom;
        type.draw(s, kLabelType, names[i], float(meters[i].right) + 7.0f, baseline, Align::left, kLabel);
    }
    // The dB scale under the Out meter, with ticks between the meters.
    const int dbs[] = {-36, -24, -18, -12, -6, -3, 0};
    for (int db : dbs) {
        const int x = int(std::lround(meterColumn(float(db)))) - 1;
        for (const CRect& m : meters) s.fill({x, m.bottom + 2, x + 1, m.bottom + 4}, toPixel(kRule), s.bounds());
        if (db == -3) continue;
        type.draw(s, kScaleType, std::to_string(db), float(x) + 0.5f, kOutMeterRect.bottom + 12, Align::centre,
                  kScaleText);
    }
    type.draw(s, kScaleType, "dB", float(kOutMeterRect.right) + 7.0f, kOutMeterRect.bottom + 12, Align::left,
              kScaleText);

    const CRect knobs[] = {kModKnobRect, kCarKnobRect, kOutKnobRect};
    const CRect fields[] = {kModFieldRect, kCarFieldRect, kOutFieldRect};
    for (int i = 0; i < 3; ++i) {
        fieldWell(s, fields[i], knobs[i]);
        label(s, type, names[i], centreX(fields[i]) + 0.5f, fields[i].bottom + 11);
    }
}

void hotSwitch(Surface& s, Typesetter& type, const Box& b, std::string_view name, const CRect& list) {
    plate(s, b);
    title(s, type, b, name);
    well(s, textBoxOf(list));
    label(s, type, "KEY", centreX(textBoxOf(list)), list.bottom + 11, kScaleText);
}

// "-" and "+" at the ends of a bipolar knob's scale.
void bipolarMarks(Surface& s, Typesetter& type, const CRect& knob) {
    const int baseline = knob.bottom - 3;
    type.draw(s, kLabelType, "-", float(knob.left) + 5.0f, baseline, Align::centre, kScaleText);
    type.draw(s, kLabelType, "+", float(knob.right) - 5.0f, baseline, Align::centre, kScaleText);
}

void formant(Surface& s, Typesetter& type) {
    plate(s, kFormantPlate);
    title(s, type, kFormantPlate, "FORMANT");
    fieldWell(s, kFormantFieldRect, kFormantKnobRect);
    bipolarMarks(s, type, kFormantKnobRect);
}

// The frequency of each spectrum bar's band, on a scale under the display.
void frequencyScale(Surface& s, Typesetter& type) {
    struct Mark {
        float hz;
        const char* text;
    };
    const Mark marks[] = {{200, "200"}, {300, "300"}, {500, "500"}, {700, "700"}, {1000, "1k"}, {1500, "1.5k"},
                          {2000, "2k"}, {3000, "3k"}, {4000, "4k"}, {5000, "5k"}, {6000, "6k"}};
    const int baseline = kSpectrumRect.bottom + 12;
    for (const Mark& m : marks) {
        int best = 0;
        for (int b = 1; b < kBands; ++b)
            if (std::abs(std::log(kBandPeakHz[b + 2] / m.hz)) < std::abs(std::log(kBandPeakHz[best + 2] / m.hz)))
                best = b;
        const int x = kSpectrumRect.left + best * kBarPitch + kBarLeft;
        s.fill({x, kSpectrumRect.bottom + 2, x + kBarWidth, kSpectrumRect.bottom + 3}, toPixel(kRule), s.bounds());
        type.draw(s, kScaleType, m.text, float(x) + float(kBarWidth) * 0.5f, baseline, Align::centre, kScaleText);
    }
    type.draw(s, kScaleType, "Hz", float(kSpectrumRect.right) - 2.0f, baseline, Align::right, kScaleText);
}

void bands(Surface& s, Typesetter& type) {
    plate(s, kBandsPlate);
    title(s, type, kBandsPlate, "SPECTRUM");
    well(s, kSpectrumRect, 3.0f);
    frequencyScale(s, type);
    well(s, kSlidersRect, 3.0f);
    fillArea(s, kSlidersRect, Solid{kBed});
    type.drawUpward(s, kLabelType, "BANDS", (kBandsPlate.left + float(kSlidersRect.left - 2)) * 0.5f,
                    float(kSlidersRect.top + kSlidersRect.bottom) * 0.5f, kLabel);
    type.drawUpward(s, kLabelType, "LEVEL", (kBandsPlate.left + float(kSpectrumRect.left - 2)) * 0.5f,
                    float(kSpectrumRect.top + kSpectrumRect.bottom) * 0.5f, kLabel);
}

// A rule joining the buttons of a group of which one is lit at a time.
void joinButtons(Surface& s, const CRect* buttons, int count) {
    const int gap = 3;
    for (int i = 0; i + 1 < count; ++i) {
        const int y = (buttons[i].top + buttons[i].bottom) / 2;
        s.fill({buttons[i].right + gap, y, buttons[i + 1].left - gap, y + 1}, toPixel(kRule), s.bounds());
    }
}

void synth(Surface& s, Typesetter& type) {
    plate(s, kOctavePlate);
    title(s, type, kOctavePlate, "OCTAVE");
    buttonNames(s, type, kOctaveButtonRects.data(), {"-1", "0", "+1"});

    plate(s, kTunePlate);
    title(s, type, kTunePlate, "TUNE");
    fieldWell(s, kTuneFieldRect, kTuneKnobRect);
    bipolarMarks(s, type, kTuneKnobRect);

    plate(s, kWavePlate);
    title(s, type, kWavePlate, "WAVE");
    well(s, textBoxOf(kWaveformListRect));

    plate(s, kChordPlate);
    title(s, type, kChordPlate, "DRONE CHORD");
    // The keys sit in a slot: a dark gap along the sides and the bottom.
    const Box slot{float(kKeyboardRect.left - 2), float(kKeyboardRect.top - 1), float(kKeyboardRect.right + 2),
                   float(kKeyboardRect.bottom + 2)};
    fillRoundBox(s, areaOf(slot), slot, 2, VerticalGradient{rgb(0x050506), rgb(0x15161a), slot.top, slot.bottom});

    plate(s, kPlaybackPlate);
    title(s, type, kPlaybackPlate, "PLAYBACK");
    buttonNames(s, type, kPlaybackButtonRects.data(), {"DRONE", "MIDI"});
    joinButtons(s, kPlaybackButtonRects.data(), 2);

    plate(s, kSourcePlate);
    title(s, type, kSourcePlate, "CARRIER");
    buttonNames(s, type, kSourceButtonRects.data(), {"SYNTH", "INPUT 2"});
    joinButtons(s, kSourceButtonRects.data(), 2);
}

}  // namespace

void plate(Surface& s, const Box& b) {
    const CRect area = areaOf(b, 3);
    // A soft shadow under the plate, then a dark outline, a rim lit from
    // above and the face.
    fillShape(
        s, area, [&](float x, float y) { return roundBoxDistance(x, y - 1.0f, b, kPlateRadius); }, Solid{kShadow},
        0.55f, 2.5f);
    fillRoundBox(s, area, b, kPlateRadius, Solid{kPlateOutline});
    const Box rim{b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
    fillRoundBox(s, area, rim, kPlateRadius - 1, VerticalGradient{kPlateRimLight, kPlateRimDark, rim.top, rim.top + 6});
    const Box face{b.left + 1, b.top + 2, b.right - 1, b.bottom - 1};
    fillRoundBox(s, area, face, kPlateRadius - 1.5f, VerticalGradient{kPlateTop, kPlateBottom, face.top, face.bottom});
}

void well(Surface& s, const CRect& inner, float radius, const CRect& clip) {
    const CRect limit = clip.isEmpty() ? s.bounds() : clip;
    const Box in = boxOf(inner);
    const Box lip{in.left - 2, in.top - 2, in.right + 2, in.bottom + 2};
    const Box black{in.left - 1, in.top - 1, in.right + 1, in.bottom + 1};
    fillRoundBox(s, areaOf(lip).intersect(limit), lip, radius + 1,
                 VerticalGradient{kWellLipTop, kWellLipBottom, lip.top, lip.bottom});
    fillRoundBox(s, areaOf(black).intersect(limit), black, radius, Solid{kWellBlack});
}

void brushedMetal(Surface& s, const CRect& area) {
    const float top = float(area.top);
    const float height = float(area.height());
    fillArea(s, area, [&](float x, float y) {
        // A gradient with faint horizontal streaks.
        const Rgb base = mix(rgb(0x2e3137), rgb(0x1d1f23), (y - top) / height);
        const float streak = hashNoise(int(x) / 7, int(y), 0x7a1c) - 0.5f;
        return scaled(base, 1.0f + 0.06f * streak);
    });
}

void markBadge(Surface& s, const Box& badge) {
    // Drawn for a badge 22 pixels wide, scaled to this one.
    const float k = (badge.right - badge.left) / 22.0f;
    const CRect area = areaOf(badge);
    fillRoundBox(s, area, badge, 5 * k, VerticalGradient{kAccent, kAccentDeep, badge.top, badge.bottom});
    const float heights[] = {6, 12, 16, 10, 5};
    const float middle = badge.top + 11 * k;
    for (int i = 0; i < 5; ++i) {
        const float x = badge.left + 5 * k + float(i) * 3 * k;
        const float half = heights[i] * 0.5f * k;
        fillShape(
            s, area,
            [&](float px, float py) { return segmentDistance(px, py, x, middle - half, x, middle + half, 0.9f * k); },
            Solid{rgb(0x1c1408)});
    }
}

float wordmark(Surface& s, Typesetter& type, float x, int baseline, int pixelSize) {
    const Type face{"Liberation Sans", pixelSize, true, 0};
    type.draw(s, face, "Talk", x, baseline + 1, Align::left, kShadow, 0.6f);
    type.draw(s, face, "Talk", x, baseline, Align::left, rgb(0xeceef1));
    const float forgeX = x + float(type.width(face, "Talk"));
    type.draw(s, face, "forge", forgeX, baseline + 1, Align::left, kShadow, 0.6f);
    type.draw(s, face, "forge", forgeX, baseline, Align::left, kAccent);
    return forgeX + float(type.width(face, "forge"));
}

Surface drawPanel(Typesetter& type) {
    Surface s(kPanelWidth, kPanelHeight, 0);
    chassis(s);
    titleBar(s, type);
    levels(s, type);
    hotSwitch(s, type, kFreezePlate, "FREEZE", kFreezeKeyListRect);
    formant(s, type);
    hotSwitch(s, type, kFlatPlate, "FLAT", kFlatKeyListRect);
    bands(s, type);
    synth(s, type);
    return s;
}

Surface crop(const Surface& panel, const CRect& r) {
    Surface out(r.width(), r.height(), 0);
    out.copyFrom(panel, out.bounds(), CPoint(r.left, r.top), out.bounds());
    return out;
}

}  // namespace tf::art
