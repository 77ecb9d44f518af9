// The generated artwork: what the controls need of it (sizes, keys where the
// hit and dot tables put them, slider caps and knob pointers where the value
// puts them), no seams where a control image meets the panel, the same bytes
// every run, and the filmstrips saved enlarged for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include "gui/platform/raster/bmp.h"
#include "gui/platform/raster/png.h"
#include "preview.h"
#include "resources/bitmaps.h"
#include "resources/draw_artwork.h"
#include "resources/ico.h"
#include "resources/icon.h"
#include "resources/installer_art.h"
#include "resources/layout.h"
#include "resources/paint.h"

namespace art = tf::art;
using tf::raster::Pixel;
using tf::raster::Surface;

namespace {

const std::vector<art::Bitmap>& artwork() {
    static const std::vector<art::Bitmap> set = art::drawArtwork();
    return set;
}

const Surface& image(int id) { return art::bitmapOf(artwork(), id); }

int luminance(Pixel p) {
    return (tf::raster::redOf(p) * 299 + tf::raster::greenOf(p) * 587 + tf::raster::blueOf(p) * 114) / 1000;
}

// The frame `k` of a filmstrip of frames `h` rows high.
Surface frame(const Surface& strip, int k, int h) {
    Surface f(strip.width(), h);
    f.copyFrom(strip, f.bounds(), CPoint(0, k * h), f.bounds());
    return f;
}

// The note a click at (x, y) in the keyboard hits, or -1.
int noteAt(int x, int y) {
    if (y >= art::kKeyboardBlackRows)
        return art::kWhiteKeyNotes[std::min(x / art::kWhiteKeyPitch, art::kWhiteKeys - 1)];
    for (const art::BlackKey& k : art::kBlackKeys)
        if (k.lo < x && x < k.hi) return k.note;
    return -1;
}

bool isBlackNote(int note) {
    for (const art::BlackKey& k : art::kBlackKeys)
        if (k.note == note) return true;
    return false;
}

// Pixels of `image` on its outer edge that differ from `panel` under `at`.
int seamPixels(const Surface& image, const Surface& panel, const CRect& at) {
    int differ = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool edge = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
            if (edge && image.pixel(x, y) != panel.pixel(at.left + x, at.top + y)) ++differ;
        }
    return differ;
}

}  // namespace

TEST(ArtworkSet, EveryBitmapHasItsSizeAndTheSameBytesEveryRun) {
    const std::vector<art::Bitmap> again = art::drawArtwork();
    ASSERT_EQ(artwork().size(), std::size(art::kBitmapSizes));
    ASSERT_EQ(again.size(), artwork().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        const art::BitmapSize& want = art::kBitmapSizes[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(artwork()[i].id, want.id);
        EXPECT_EQ(artwork()[i].image.width(), want.width);
        EXPECT_EQ(artwork()[i].image.height(), want.height);
        EXPECT_EQ(tf::raster::encodeBmp(again[i].image), tf::raster::encodeBmp(artwork()[i].image));
    }
}

TEST(ArtworkKeyboard, KeysLieWhereTheHitTableFindsThem) {
    const Surface& keys = image(art::kBitmapKeyboard);
    const int lipRow = art::kKeyboardHeight - 5;
    std::vector<std::string> wrong;
    for (int y = 0; y < lipRow; ++y) {
        for (int x = 0; x < art::kKeyboardWidth; ++x) {
            const int note = noteAt(x, y);
            const int lum = luminance(keys.pixel(x, y));
            bool ok = true;
            if (note >= 0 && isBlackNote(note)) {
                ok = lum < 90;
            } else if (x % art::kWhiteKeyPitch == 0) {
                ok = lum < 160;  // the gap between two white keys
            } else if (y >= 3) {
                // Ivory, away from the black keys' edges and shadows; a black
                // key ends one column outside its hit range.
                bool nearBlack = false;
                bool beside = false;
                for (const art::BlackKey& k : art::kBlackKeys) {
                    const bool band = y < art::kKeyboardBlackRows;
                    nearBlack = nearBlack || (y < art::kKeyboardBlackRows + 3 && x >= k.lo && x <= k.hi + 3);
                    beside = beside || (band && (x == k.lo - 1 || x == k.hi + 1));
                }
                ok = beside ? lum > 100 : nearBlack || lum > 200;
            }
            if (!ok) wrong.push_back(std::to_string(x) + "," + std::to_string(y));
        }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " pixels, the first at " << wrong.front();
}

TEST(ArtworkKeyboard, EachDotSitsOnItsOwnKey) {
    const Surface& keys = image(art::kBitmapKeyboard);
    for (int note = 0; note < art::kKeyboardNotes; ++note) {
        SCOPED_TRACE(note);
        const art::DotPosition p = art::kDotPositions[note];
        // The dot's box is (x + 1, y + 1)-(x + 10, y + 10); its centre pixel.
        const int cx = p.x + 1 + art::kDotSize / 2;
        const int cy = p.y + 1 + art::kDotSize / 2;
        EXPECT_EQ(noteAt(cx, cy), note);
        if (isBlackNote(note)) {
            EXPECT_LT(luminance(keys.pixel(cx, cy)), 90);
        } else {
            EXPECT_GT(luminance(keys.pixel(cx, cy)), 200);
        }
    }
}

TEST(ArtworkSliders, EachFramesCapIsCentredOnItsLevelsRow) {
    const Surface& strip = image(art::kBitmapSlider);
    const int column = 2;  // on the cap, clear of the slot
    for (int k = 0; k < art::kSliderFrames; ++k) {
        SCOPED_TRACE(k);
        const Surface f = frame(strip, k, art::kSliderFrameHeight);
        int rows = 0;
        int sum = 0;
        for (int y = 0; y < f.height(); ++y)
            if (luminance(f.pixel(column, y)) > 100) {
                ++rows;
                sum += y;
            }
        ASSERT_GE(rows, 3);
        EXPECT_NEAR(double(sum) / rows, art::kSliderZeroRow - k, 0.5);
    }
}

TEST(ArtworkKnobs, EachFramesPointerIsAtItsValuesAngle) {
    for (int id : {art::kBitmapKnobLevel, art::kBitmapKnobFormant, art::kBitmapKnobTune}) {
        for (int k = 0; k < art::kKnobFrames; ++k) {
            SCOPED_TRACE(std::to_string(id) + " frame " + std::to_string(k));
            const Surface f = frame(image(id), k, art::kKnobFrameHeight);
            // The pointer is the only near-white part: weigh its pixels.
            const double cx = art::kKnobWidth / 2.0;
            const double cy = art::kKnobFrameHeight / 2.0;
            double wx = 0, wy = 0, weight = 0;
            for (int y = 0; y < f.height(); ++y)
                for (int x = 0; x < f.width(); ++x) {
                    const Pixel p = f.pixel(x, y);
                    const int least = std::min({tf::raster::redOf(p), tf::raster::greenOf(p), tf::raster::blueOf(p)});
                    if (least < 180 || std::hypot(x + 0.5 - cx, y + 0.5 - cy) > 11.0) continue;
                    wx += (x + 0.5 - cx) * least;
                    wy += (y + 0.5 - cy) * least;
                    weight += least;
                }
            ASSERT_GT(weight, 0.0);
            const double degrees = std::atan2(-wy, wx) * 180.0 / std::numbers::pi;
            const double want = art::kKnobStartDegrees - double(art::kKnobSweepDegrees) * k / (art::kKnobFrames - 1);
            EXPECT_NEAR(std::remainder(degrees - want, 360.0), 0.0, 5.0);
        }
    }
}

TEST(ArtworkSeams, ControlImagesMatchThePanelAtTheirEdges) {
    const Surface& panel = image(art::kBitmapBackground);
    struct Use {
        int id;
        CRect at;
        int frames;
        int frameHeight;
    };
    std::vector<Use> uses = {
        {art::kBitmapKnobLevel, art::kModKnobRect, art::kKnobFrames, art::kKnobFrameHeight},
        {art::kBitmapKnobLevel, art::kCarKnobRect, art::kKnobFrames, art::kKnobFrameHeight},
        {art::kBitmapKnobLevel, art::kOutKnobRect, art::kKnobFrames, art::kKnobFrameHeight},
        {art::kBitmapKnobFormant, art::kFormantKnobRect, art::kKnobFrames, art::kKnobFrameHeight},
        {art::kBitmapKnobTune, art::kTuneKnobRect, art::kKnobFrames, art::kKnobFrameHeight},
        {art::kBitmapHotButton, art::kFreezeButtonRect, 2, art::kButtonImageHeight},
        {art::kBitmapHotButton, art::kFlatButtonRect, 2, art::kButtonImageHeight},
    };
    for (const CRect& r : art::kOctaveButtonRects) uses.push_back({art::kBitmapToggle, r, 2, art::kButtonImageHeight});
    for (const CRect& r : art::kPlaybackButtonRects)
        uses.push_back({art::kBitmapToggle, r, 2, art::kButtonImageHeight});
    for (const CRect& r : art::kSourceButtonRects) uses.push_back({art::kBitmapToggle, r, 2, art::kButtonImageHeight});
    for (const Use& u : uses) {
        // Controls sharing a bitmap sit on identical panel pixels, so the
        // panel parts inside the image are right under each of them too.
        const Use& first = *std::find_if(uses.begin(), uses.end(), [&](const Use& o) { return o.id == u.id; });
        for (int y = 0; y < u.at.height(); ++y)
            for (int x = 0; x < u.at.width(); ++x)
                ASSERT_EQ(panel.pixel(u.at.left + x, u.at.top + y), panel.pixel(first.at.left + x, first.at.top + y))
                    << u.id << " at x " << u.at.left << ": " << x << "," << y;
        for (int k = 0; k < u.frames; ++k) {
            SCOPED_TRACE(std::to_string(u.id) + " at x " + std::to_string(u.at.left) + ", frame " + std::to_string(k));
            EXPECT_EQ(seamPixels(frame(image(u.id), k, u.frameHeight), panel, u.at), 0);
        }
    }
    // Keyboard and sliders fill their rectangles; where the keys' corners
    // leave a pixel uncovered, it is the panel's.
    const Surface& keys = image(art::kBitmapKeyboard);
    const int bottom = art::kKeyboardHeight - 1;
    for (int x : {0, art::kKeyboardWidth - 1})
        EXPECT_EQ(keys.pixel(x, bottom), panel.pixel(art::kKeyboardRect.left + x, art::kKeyboardRect.top + bottom));
}

TEST(ArtworkPanel, TextBoxesSitInBlackRecesses) {
    // The toolkit paints each field and list as a black box; the panel gives
    // it a black lip one pixel wide all round, inside a shaded bezel.
    const Surface& panel = image(art::kBitmapBackground);
    for (const CRect& r :
         {art::kModFieldRect, art::kCarFieldRect, art::kOutFieldRect, art::kFormantFieldRect, art::kTuneFieldRect,
          art::kWaveformListRect, art::kFreezeKeyListRect, art::kFlatKeyListRect}) {
        const CRect box = art::textBoxOf(r);
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
        for (int x = box.left; x < box.right; ++x) {
            EXPECT_LT(luminance(panel.pixel(x, box.top - 1)), 8);
            EXPECT_LT(luminance(panel.pixel(x, box.bottom)), 8);
        }
        for (int y = box.top; y < box.bottom; ++y) {
            EXPECT_LT(luminance(panel.pixel(box.left - 1, y)), 8);
            EXPECT_LT(luminance(panel.pixel(box.right, y)), 8);
        }
    }
}

TEST(ArtworkLights, MetersRunGreenToRedAndLitStatesStandOut) {
    const Surface& off = image(art::kBitmapMeterOff);
    for (int id : {art::kBitmapMeterMod, art::kBitmapMeterCar, art::kBitmapMeterOut}) {
        SCOPED_TRACE(id);
        const Surface& on = image(id);
        const int row = art::kMeterHeight / 2;
        const Pixel low = on.pixel(0, row);
        const Pixel high = on.pixel(art::kMeterWidth - 2, row);
        EXPECT_GT(tf::raster::greenOf(low), 2 * tf::raster::redOf(low));
        EXPECT_GT(tf::raster::redOf(high), 2 * tf::raster::greenOf(high));
        for (int x = 0; x < art::kMeterWidth; ++x) EXPECT_GE(luminance(on.pixel(x, row)), luminance(off.pixel(x, row)));
    }
    // A lit button's brightest pixel outshines anything in the unlit image.
    for (int id : {art::kBitmapToggle, art::kBitmapHotButton}) {
        SCOPED_TRACE(id);
        int brightestOff = 0, brightestOn = 0;
        for (int y = 0; y < art::kButtonImageHeight; ++y)
            for (int x = 0; x < art::kButtonWidth; ++x) {
                brightestOff = std::max(brightestOff, luminance(image(id).pixel(x, y)));
                brightestOn = std::max(brightestOn, luminance(image(id).pixel(x, y + art::kButtonImageHeight)));
            }
        EXPECT_GT(brightestOn, brightestOff + 100);
    }
    // The spectrum's screen stays dark under the cyan bars.
    const Surface& screen = image(art::kBitmapSpectrum);
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) EXPECT_LT(luminance(screen.pixel(x, y)), 48);
}

TEST(ArtworkPreview, FilmstripsAreSaved) {
    const std::filesystem::path dir(TF_ART_ARTEFACT_DIR);
    std::filesystem::create_directories(dir);
    const auto sheet = [&](int id, int frameHeight, int columns, int factor, const char* name) {
        const Surface s = arttest::contactSheet(image(id), frameHeight, columns, 1);
        EXPECT_TRUE(tf::raster::writePng(arttest::enlarged(s, factor), (dir / name).string()));
    };
    sheet(art::kBitmapKnobLevel, art::kKnobFrameHeight, 10, 4, "artwork-knob-level.png");
    sheet(art::kBitmapKnobFormant, art::kKnobFrameHeight, 10, 4, "artwork-knob-bipolar.png");
    sheet(art::kBitmapToggle, art::kButtonImageHeight, 2, 8, "artwork-toggle.png");
    sheet(art::kBitmapHotButton, art::kButtonImageHeight, 2, 8, "artwork-lamp.png");
    sheet(art::kBitmapSlider, art::kSliderFrameHeight, 23, 3, "artwork-slider.png");
    sheet(art::kBitmapKeyboard, art::kKeyboardHeight, 1, 6, "artwork-keyboard.png");
}

// The program's icon at every size: a tile with clear corners, the amber mark
// in its middle, graphite around it, the same bytes every run; written as an
// RGBA PNG, and saved over a light and a dark ground for a person to look at.
TEST(ArtworkIcon, EverySizeShowsTheMarkOnATileWithClearCorners) {
    const std::filesystem::path dir(TF_ART_ARTEFACT_DIR);
    std::filesystem::create_directories(dir);
    int sheetWidth = 0;
    for (int size : art::kIconSizes) sheetWidth += size + 4;
    Surface sheet(sheetWidth, 2 * (art::kIconSizes[std::size(art::kIconSizes) - 1] + 4));
    int left = 0;
    for (int size : art::kIconSizes) {
        SCOPED_TRACE(size);
        const art::Icon icon = art::drawIcon(size);
        ASSERT_EQ(icon.colour.width(), size);
        ASSERT_EQ(icon.colour.height(), size);
        ASSERT_EQ(icon.alpha.size(), std::size_t(size) * std::size_t(size));
        auto alpha = [&](int x, int y) { return icon.alpha[std::size_t(y) * std::size_t(size) + std::size_t(x)]; };
        EXPECT_EQ(alpha(0, 0), 0);
        EXPECT_EQ(alpha(size - 1, 0), 0);
        EXPECT_EQ(alpha(size / 2, size / 2), 255);
        // The tallest bar stands in the middle; graphite lies between the bars and the tile's edge.
        bool amber = false;
        for (int x = size / 2 - 1; x <= size / 2; ++x) {
            const Pixel p = icon.colour.pixel(x, size / 2);
            amber = amber || (tf::raster::redOf(p) > 200 && tf::raster::redOf(p) > tf::raster::greenOf(p) + 40 &&
                              tf::raster::greenOf(p) > tf::raster::blueOf(p) + 40);
        }
        EXPECT_TRUE(amber);
        const int corner = size / 5;
        EXPECT_EQ(alpha(corner, corner), 255);
        EXPECT_LT(luminance(icon.colour.pixel(corner, corner)), 70);
        const art::Icon again = art::drawIcon(size);
        EXPECT_TRUE(std::equal(again.alpha.begin(), again.alpha.end(), icon.alpha.begin()));
        EXPECT_TRUE(std::equal(again.colour.data(), again.colour.data() + size * size, icon.colour.data()));

        const std::string path = (dir / ("icon-" + std::to_string(size) + ".png")).string();
        ASSERT_TRUE(art::writeIconPng(icon, path));
        std::ifstream in(path, std::ios::binary);
        const std::string head(std::istreambuf_iterator<char>(in), {});
        ASSERT_GT(head.size(), 26u);
        EXPECT_EQ(head.substr(1, 3), "PNG");
        EXPECT_EQ(head[25], 6) << "colour type RGBA";

        for (int ground = 0; ground < 2; ++ground)
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const art::Rgb back = art::rgb(ground == 0 ? 0xe8e8e8 : 0x303030);
                    const art::Rgb front = art::fromPixel(icon.colour.pixel(x, y));
                    sheet.row(ground * (sheet.height() / 2) + y)[left + x] =
                        art::toPixel(art::mix(back, front, float(alpha(x, y)) / 255.0f));
                }
        left += size + 4;
    }
    EXPECT_TRUE(tf::raster::writePng(sheet, (dir / "artwork-icons.png").string()));
}

namespace {

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + std::size_t(i));
    return v;
}

}  // namespace

// The installer's icon file, read as Windows reads it: a directory whose
// entries point at one image per size, back to back; below 256 pixels a
// 32-bit DIB (bottom-up BGRA with the icon's alpha, then an AND mask set
// where the icon is clear), at 256 a PNG of the same pixels.
TEST(ArtworkWindowsIcon, EachSizeIsStoredWithItsPixelsAndMask) {
    std::vector<art::Icon> icons;
    for (int size : art::kWindowsIconSizes) icons.push_back(art::drawIcon(size));
    const std::vector<std::uint8_t> file = art::encodeIco(icons);
    ASSERT_GE(file.size(), 6u);
    EXPECT_EQ(le(file, 0, 2), 0u);
    EXPECT_EQ(le(file, 2, 2), 1u) << "type: icon";
    ASSERT_EQ(le(file, 4, 2), icons.size());
    std::size_t next = 6 + 16 * icons.size();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const art::Icon& icon = icons[i];
        const int n = icon.colour.width();
        SCOPED_TRACE(n);
        const std::size_t entry = 6 + 16 * i;
        EXPECT_EQ(file[entry], n % 256);
        EXPECT_EQ(file[entry + 1], n % 256);
        EXPECT_EQ(le(file, entry + 6, 2), 32u) << "bits per pixel";
        const std::size_t length = le(file, entry + 8, 4);
        const std::size_t at = le(file, entry + 12, 4);
        ASSERT_EQ(at, next) << "images back to back";
        ASSERT_LE(at + length, file.size());
        next = at + length;
        auto alpha = [&](int x, int y) { return icon.alpha[std::size_t(y) * std::size_t(n) + std::size_t(x)]; };
        if (n == 256) {
            const std::string png = (std::filesystem::path(TF_ART_ARTEFACT_DIR) / "windows-icon-256.png").string();
            std::filesystem::create_directories(TF_ART_ARTEFACT_DIR);
            std::ofstream(png, std::ios::binary)
                .write(reinterpret_cast<const char*>(file.data() + at), std::streamsize(length));
            Surface read(1, 1);
            ASSERT_TRUE(tf::raster::readPng(png, read));
            ASSERT_EQ(read.width(), n);
            // Opaque pixels read back as drawn.
            EXPECT_EQ(read.pixel(n / 2, n / 2), icon.colour.pixel(n / 2, n / 2));
            EXPECT_EQ(read.pixel(n / 5, n / 5), icon.colour.pixel(n / 5, n / 5));
            continue;
        }
        EXPECT_EQ(le(file, at, 4), 40u) << "BITMAPINFOHEADER";
        EXPECT_EQ(le(file, at + 4, 4), std::uint32_t(n));
        EXPECT_EQ(le(file, at + 8, 4), std::uint32_t(2 * n)) << "colour and mask rows";
        const std::size_t maskRow = (std::size_t(n) + 31) / 32 * 4;
        ASSERT_EQ(length, 40 + std::size_t(n) * std::size_t(n) * 4 + maskRow * std::size_t(n));
        int maskErrors = 0, pixelErrors = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const std::size_t row = std::size_t(n - 1 - y);
                const std::size_t p = at + 40 + (row * std::size_t(n) + std::size_t(x)) * 4;
                const Pixel c = icon.colour.pixel(x, y);
                if (file[p] != tf::raster::blueOf(c) || file[p + 1] != tf::raster::greenOf(c) ||
                    file[p + 2] != tf::raster::redOf(c) || file[p + 3] != alpha(x, y))
                    ++pixelErrors;
                const std::size_t mask = at + 40 + std::size_t(n) * std::size_t(n) * 4 + row * maskRow;
                const bool masked = (file[mask + std::size_t(x) / 8] >> (7 - x % 8)) & 1;
                if (masked != (alpha(x, y) == 0)) ++maskErrors;
            }
        EXPECT_EQ(pixelErrors, 0);
        EXPECT_EQ(maskErrors, 0);
    }
    EXPECT_EQ(next, file.size());

    // What Windows cannot store is refused rather than written wrong.
    EXPECT_TRUE(art::encodeIco({art::drawIcon(512)}).empty());
    art::Icon notSquare{Surface(16, 8), std::vector<std::uint8_t>(16 * 8)};
    EXPECT_TRUE(art::encodeIco({notSquare}).empty());
}

// The installer's pictures at the sizes its pages show them, the same bytes
// every run, saved for a person to look at.
TEST(ArtworkInstaller, PicturesHaveThePagesSizes) {
    const Surface header = art::drawInstallerHeader();
    const Surface welcome = art::drawInstallerWelcome();
    EXPECT_EQ(header.width(), 150);
    EXPECT_EQ(header.height(), 57);
    EXPECT_EQ(welcome.width(), 164);
    EXPECT_EQ(welcome.height(), 314);
    EXPECT_EQ(tf::raster::encodeBmp(art::drawInstallerHeader()), tf::raster::encodeBmp(header));
    EXPECT_EQ(tf::raster::encodeBmp(art::drawInstallerWelcome()), tf::raster::encodeBmp(welcome));
    const std::filesystem::path dir(TF_ART_ARTEFACT_DIR);
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(tf::raster::writePng(header, (dir / "installer-header.png").string()));
    EXPECT_TRUE(tf::raster::writePng(welcome, (dir / "installer-welcome.png").string()));
}
