// The whole panel for one fixed state, pixel for pixel against a committed
// reference picture. When the artwork changes on purpose, write a new one:
//   TALKFORGE_UPDATE_REFERENCE=1 ctest --test-dir build/release -R EditorPicture
// and look at it before committing it.
#include <cstdlib>
#include <filesystem>

#include "fixture.h"
#include "gui/platform/raster/png.h"

using namespace editortest;

namespace {

// Long enough for a comparison failure to name what differs, short enough to read.
constexpr long kReportedPixels = 5;

void setState(EditorController& c) {
    const std::pair<std::int32_t, float> settings[] = {
        {kModLevel, 0.62f}, {kCarLevel, 0.45f},  {kOutLevel, 0.7f},   {kFormant, 0.75f},
        {kTune, 0.4f},      {kWaveform, 0.34f},  {kOctave, 1.0f},     {kFreezeKey, 1.0f / 6.0f},
        {kFlatKey, 5.0f / 6.0f}, {kPlayback, 1.0f}, {kSource, 0.0f},  {kFlat, 1.0f},
        {kO1Freq, 12 * 0.04f}, {kO1Level, 1.0f}, {kO2Offset, 16 * 0.04f}, {kO2Level, 0.5f},
        {kO3Offset, 19 * 0.04f}, {kO3Level, 0.5f}, {kO4Offset, 3 * 0.04f}, {kO4Level, 0.25f},
    };
    for (const auto& [index, value] : settings) c.setParameter(index, value);
    for (int b = 0; b < kNumBands; ++b) c.setParameter(kBand1 + b, float((b * 7) % 50) / 49.0f);
}

}  // namespace

TEST_F(EditorTest, EditorPictureMatchesTheReference) {
    setState(controller);
    openEditor();
    LevelMeterRecord& m = editor->levelMeters();
    m.modMeter = 0.8f;
    m.carMeter = 0.55f;
    m.outMeter = 0.7f;
    m.modMeterFresh = m.carMeterFresh = m.outMeterFresh = 1;
    BandMeterRecord& bands = controller.bandMeters();
    for (int b = 0; b < kNumBands; ++b) {
        bands.bandMeter[b] = float(b % 17) / 16.0f;
        bands.bandMeterHold[b] = 3;
    }
    idle();
    const tf::raster::Surface& shown = tf::headless::screen(editor->getFrame()->getWindow());

    const std::filesystem::path artefacts = TF_EDITOR_ARTEFACT_DIR;
    std::filesystem::create_directories(artefacts);
    EXPECT_TRUE(tf::raster::writePng(shown, (artefacts / "editor-headless.png").string()));
    if (std::getenv("TALKFORGE_UPDATE_REFERENCE")) {
        ASSERT_TRUE(tf::raster::writePng(shown, TF_EDITOR_REFERENCE));
        GTEST_SKIP() << "wrote the reference " << TF_EDITOR_REFERENCE;
    }
    tf::raster::Surface expected;
    ASSERT_TRUE(tf::raster::readPng(TF_EDITOR_REFERENCE, expected)) << TF_EDITOR_REFERENCE;
    ASSERT_EQ(expected.width(), shown.width());
    ASSERT_EQ(expected.height(), shown.height());
    long differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != expected.pixel(x, y) && ++differing <= kReportedPixels)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << shown.pixel(x, y) << ", expected "
                              << expected.pixel(x, y);
    EXPECT_EQ(differing, 0) << "see " << (artefacts / "editor-headless.png").string()
                            << "; if the artwork changed on purpose, set TALKFORGE_UPDATE_REFERENCE=1";
}
