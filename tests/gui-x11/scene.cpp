#include "tests/gui-x11/scene.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "gui/bitmap.h"
#include "gui/platform/raster/bmp.h"
#include "gui/resources.h"

namespace tf::gui {

// The test's resource table: bitmaps drawn on the spot, stored as BMP files
// like the plug-in's own.
std::span<const BitmapResource> bitmapResourceTable() {
    using tf::raster::Surface;
    using tf::raster::Pixel;
    static const std::vector<std::vector<std::uint8_t>> files = [] {
        std::vector<std::vector<std::uint8_t>> out;

        Surface back(scene::kFrameWidth, scene::kFrameHeight);
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x)
                back.row(y)[x] = Pixel(0x20 + y / 4) << 8 | Pixel(0x30 + x / 8) | Pixel(0x18) << 16;
        for (int x = 0; x < back.width(); x += 20) back.fill(CRect(x, 0, x + 1, back.height()), 0x506070, back.bounds());
        for (int y = 0; y < back.height(); y += 20) back.fill(CRect(0, y, back.width(), y + 1), 0x506070, back.bounds());
        out.push_back(tf::raster::encodeBmp(back));

        Surface toggle(48, 40, 0x808080);
        toggle.fill(CRect(1, 1, 47, 19), 0x303030, toggle.bounds());
        toggle.fill(CRect(1, 21, 47, 39), 0xe0a020, toggle.bounds());
        out.push_back(tf::raster::encodeBmp(toggle));

        constexpr int s = scene::kKnobSize;
        Surface strip(s, s * scene::kKnobFrames, 0x202830);
        for (int k = 0; k < scene::kKnobFrames; ++k) {
            const int top = k * s;
            strip.fillEllipse(CRect(2, top + 2, s - 2, top + s - 2), 0x607080, strip.bounds());
            const double a = (225.0 - 270.0 * k / (scene::kKnobFrames - 1)) * std::numbers::pi / 180.0;
            const CPoint c(s / 2, top + s / 2);
            const CPoint tip(c.x + int(std::lround(13 * std::cos(a))), c.y - int(std::lround(13 * std::sin(a))));
            for (int d = 0; d < 2; ++d) {
                tf::raster::Pen pen{0xffffff, false, 0};
                strip.line(CPoint(c.x + d, c.y), CPoint(tip.x + d, tip.y), pen, strip.bounds());
            }
        }
        out.push_back(tf::raster::encodeBmp(strip));
        return out;
    }();
    static const BitmapResource table[] = {
        {scene::kBackgroundId, files[0].data(), files[0].size()},
        {scene::kToggleId, files[1].data(), files[1].size()},
        {scene::kKnobId, files[2].data(), files[2].size()},
    };
    return table;
}

}  // namespace tf::gui

namespace scene {

void Listener::onControlChanged(CPaintContext* context, CValueControl* control) {
    changes.push_back({control->getTag(), control->getValue()});
    if (context && control->isDirty()) control->redrawIfDirty(context);
}

Editor::Editor(CEditorHost* h, State s, Layout l) : CEditorBase(h), state(std::move(s)), layout(l) {
    const CRect size = layout == Layout::demo ? guidemo::kFrameSize : CRect(0, 0, kFrameWidth, kFrameHeight);
    width = size.width();
    height = size.height();
}

bool Editor::open(void* parent) {
    CEditorBase::open(parent);
    frame = new CWindowFrame(CRect(0, 0, width, height), parent, this);
    if (layout == Layout::demo) {
        demo = guidemo::addDemoViews(frame, &listener);
        return true;
    }

    CResBitmap* back = new CResBitmap(kBackgroundId);
    frame->setBackground(back);
    back->release();

    CResBitmap* toggleImage = new CResBitmap(kToggleId);
    toggle = new CToggleButton(CRect(20, 20, 68, 40), &listener, kTagToggle, toggleImage);
    toggleImage->release();
    toggle->setValue(state.toggle);
    frame->addView(toggle);

    CResBitmap* strip = new CResBitmap(kKnobId);
    knob = new CFilmstripKnob(CRect(100, 20, 100 + kKnobSize, 20 + kKnobSize), &listener, kTagKnob, strip,
                              kKnobFrames, kKnobSize);
    strip->release();
    knob->setValue(state.knob);
    frame->addView(knob);

    field = new CTextField(CRect(170, 24, 290, 42), &listener, kTagField, state.text.c_str());
    field->setFontColor(kYellowCColor);
    frame->addView(field);

    list = new CPopupList(CRect(170, 60, 290, 78), &listener, kTagList, nullptr, kCheckStyle);
    for (const char* e : {"Saw", "Square", "-", "-GGreyed", "-TTitle", "Pulse", "Noise"}) list->addEntry(e);
    list->setCurrent(state.listIndex);
    frame->addView(list);
    return true;
}

void Editor::close() {
    toggle = nullptr;
    knob = nullptr;
    field = nullptr;
    list = nullptr;
    demo = guidemo::DemoViews();
    CEditorBase::close();
}

void Editor::idle() {
    ++idles;
    if (onIdle) onIdle(idles);
    CEditorBase::idle();
}

}  // namespace scene
