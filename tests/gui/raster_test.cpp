// Pixel rules of the drawing primitives, bitmaps, offscreen images and text.
#include <algorithm>

#include "gui/platform/raster/bmp.h"
#include "support.h"

using namespace guitest;
using tf::raster::Pixel;
using tf::raster::Surface;

namespace {

// The pixels of `s` equal to `p`, as a picture of '#' and '.' rows.
std::string picture(const Surface& s, Pixel p, int w, int h) {
    std::string out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) out += s.pixel(x, y) == p ? '#' : '.';
        out += '\n';
    }
    return out;
}

struct InkBox {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive
    int count = 0;
};
InkBox inkOf(const Surface& s, Pixel background) {
    InkBox b;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != background) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b;
}

}  // namespace

TEST(Primitives, FillRectLeavesTheLeftColumnAndTopRow) {
    COffscreenPaint c(nullptr, 8, 6);
    c.setFillColor(kRedCColor);
    c.fillRect(CRect(1, 1, 5, 4));
    EXPECT_EQ(picture(c.getImage(), kRed, 8, 6),
              "........\n"
              "........\n"
              "..###...\n"
              "..###...\n"
              "........\n"
              "........\n");
}

TEST(Primitives, DrawRectOutlinesThroughAllFourCorners) {
    COffscreenPaint c(nullptr, 8, 6);
    c.setLineColor(kRedCColor);
    c.drawRect(CRect(1, 1, 5, 4));
    EXPECT_EQ(picture(c.getImage(), kRed, 8, 6),
              "........\n"
              ".#####..\n"
              ".#...#..\n"
              ".#...#..\n"
              ".#####..\n"
              "........\n");
}

TEST(Primitives, LinesLeaveOutTheirEndPointAndHonourTheOffset) {
    COffscreenPaint c(nullptr, 8, 6);
    c.setLineColor(kRedCColor);
    c.moveTo(CPoint(0, 0));
    c.lineTo(CPoint(4, 0));
    c.moveTo(CPoint(0, 1));
    c.lineTo(CPoint(3, 4));
    c.setDrawOffset(CPoint(5, 2));
    c.moveTo(CPoint(0, 0));
    c.lineTo(CPoint(0, 3));
    EXPECT_EQ(picture(c.getImage(), kRed, 8, 6),
              "####....\n"
              "#.......\n"
              ".#...#..\n"
              "..#..#..\n"
              ".....#..\n"
              "........\n");
}

TEST(Primitives, DottedPenSetsThreeOfEverySixPixelsAcrossJoinedLines) {
    COffscreenPaint c(nullptr, 16, 2);
    c.setLineColor(kRedCColor);
    c.setLineStyle(kLineOnOffDash);
    c.moveTo(CPoint(0, 0));
    c.lineTo(CPoint(4, 0));
    c.lineTo(CPoint(14, 0));  // the pattern runs on across the join
    c.moveTo(CPoint(0, 1));   // and starts again after a move
    c.lineTo(CPoint(8, 1));
    EXPECT_EQ(picture(c.getImage(), kRed, 16, 2),
              "###...###...##..\n"
              "###...##........\n");
}

TEST(Primitives, FillEllipseIsShiftedOnePixelRightAndDown) {
    COffscreenPaint c(nullptr, 8, 8);
    c.setFillColor(kRedCColor);
    c.fillEllipse(CRect(0, 0, 6, 4));
    EXPECT_EQ(picture(c.getImage(), kRed, 8, 8),
              "........\n"
              "..####..\n"
              ".######.\n"
              ".######.\n"
              "..####..\n"
              "........\n"
              "........\n"
              "........\n");
}

TEST(Primitives, OffscreenImageStartsClearedEverywhereAndCopiesOpaquely) {
    COffscreenPaint off(nullptr, 5, 4, kRedCColor);
    EXPECT_EQ(picture(off.getImage(), kRed, 5, 4), "#####\n#####\n#####\n#####\n");
    off.setFillColor(kBlueCColor);
    off.fillRect(CRect(1, 1, 5, 4));  // blue at x 2..4, y 2..3

    COffscreenPaint target(nullptr, 6, 4, kWhiteCColor);
    target.setDrawOffset(CPoint(1, 0));
    off.copyTo(&target, CRect(0, 0, 3, 2), CPoint(1, 1));  // lands at x 1..3, y 0..1
    EXPECT_EQ(picture(target.getImage(), kRed, 6, 4), ".###..\n.#....\n......\n......\n");
    EXPECT_EQ(picture(target.getImage(), kBlue, 6, 4), "......\n..##..\n......\n......\n");
}

TEST(Bitmaps, LoadByResourceIdAndCopyAtAnOffset) {
    CResBitmap* b = new CResBitmap(kResourceStripes);
    ASSERT_TRUE(b->isLoaded());
    EXPECT_EQ(b->getWidth(), 4);
    EXPECT_EQ(b->getHeight(), 2);
    EXPECT_EQ(b->getImage().pixel(0, 0), kRed);
    EXPECT_EQ(b->getImage().pixel(3, 1), kBlue);

    COffscreenPaint c(nullptr, 6, 3, kWhiteCColor);
    c.setDrawOffset(CPoint(1, 1));
    b->draw(&c, CRect(0, 0, 3, 2), CPoint(1, 0));  // columns 1..3 of the image at x 1..3, y 1..2
    EXPECT_EQ(picture(c.getImage(), kRed, 6, 3), "......\n.#....\n.#....\n");
    EXPECT_EQ(picture(c.getImage(), kBlue, 6, 3), "......\n..##..\n..##..\n");

    b->retain();
    EXPECT_EQ(b->getRefCount(), 2);
    b->release();
    b->release();  // deleted here (the sanitizer run checks)
}

TEST(Bitmaps, AMissingResourceHasNoSizeAndDrawsNothing) {
    CResBitmap* b = new CResBitmap(kResourceMissing);
    EXPECT_FALSE(b->isLoaded());
    EXPECT_EQ(b->getWidth(), 0);
    COffscreenPaint c(nullptr, 4, 4, kWhiteCColor);
    b->draw(&c, CRect(0, 0, 4, 4));
    EXPECT_EQ(inkOf(c.getImage(), kWhite).count, 0);
    b->release();
}

TEST(Bmp, RoundTripsAndRejectsWhatItCannotRead) {
    Surface s(5, 3);  // 5 x 3 bytes a row: rows are padded
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) s.setPixel(x, y, Pixel(0x010203 * (x + 5 * y)), s.bounds());
    std::vector<std::uint8_t> bytes = tf::raster::encodeBmp(s);
    Surface back;
    ASSERT_TRUE(tf::raster::decodeBmp(bytes.data(), bytes.size(), back));
    ASSERT_EQ(back.width(), 5);
    ASSERT_EQ(back.height(), 3);
    EXPECT_TRUE(std::equal(s.data(), s.data() + 15, back.data()));

    // Truncated pixel data, a palette image and garbage are refused.
    EXPECT_FALSE(tf::raster::decodeBmp(bytes.data(), bytes.size() - 1, back));
    EXPECT_TRUE(back.isEmpty());
    std::vector<std::uint8_t> eightBit = bytes;
    eightBit[28] = 8;
    EXPECT_FALSE(tf::raster::decodeBmp(eightBit.data(), eightBit.size(), back));
    std::vector<std::uint8_t> huge = bytes;
    huge[18] = 0xff, huge[19] = 0xff, huge[20] = 0xff, huge[21] = 0x7f;  // width 2^31 - 1
    EXPECT_FALSE(tf::raster::decodeBmp(huge.data(), huge.size(), back));
    EXPECT_FALSE(tf::raster::decodeBmp(nullptr, 0, back));

    // A top-down image (negative height) reads the right way up.
    std::vector<std::uint8_t> topDown = bytes;
    topDown[22] = 0xfd, topDown[23] = 0xff, topDown[24] = 0xff, topDown[25] = 0xff;  // -3
    ASSERT_TRUE(tf::raster::decodeBmp(topDown.data(), topDown.size(), back));
    EXPECT_EQ(back.pixel(0, 0), s.pixel(0, 2));
}

TEST(Text, ArialResolvesToAScalableFaceWithWindowsLineMetrics) {
    tf::raster::FontEngine fonts;
    const tf::raster::TextMetrics m = fonts.metrics(fontSpecOf(3, 0, 0));  // Arial 12
    EXPECT_EQ(m.ascent, 11);
    EXPECT_EQ(m.descent, 3);
    const tf::raster::FontSpec regular = fontSpecOf(3, 0, 0);
    const tf::raster::FontSpec bold = fontSpecOf(3, 0, kBoldFace);
    EXPECT_GT(fonts.textWidth(regular, "Talkforge"), 30);
    EXPECT_GT(fonts.textWidth(bold, "Talkforge"), fonts.textWidth(regular, "Talkforge"));
    EXPECT_TRUE(fontSpecOf(0, 0, 0).bold);   // index 0 is always bold
    EXPECT_EQ(fontSpecOf(42, 0, 0).pixelSize, 12);  // outside the table: index 0
    EXPECT_EQ(fontSpecOf(6, 20, 0).pixelSize, 20);
}

TEST(Text, AlignsLeftCentreAndRightAndCentresVertically) {
    const CRect box(10, 4, 90, 24);
    InkBox ink[3];
    int alignments[3] = {kLeftText, kCenterText, kRightText};
    for (int i = 0; i < 3; ++i) {
        COffscreenPaint c(nullptr, 100, 30);
        c.setFontColor(kWhiteCColor);
        c.setFont(3);
        c.drawString("HIH", box, false, alignments[i]);
        ink[i] = inkOf(c.getImage(), kBlack);
        ASSERT_GT(ink[i].count, 0);
        EXPECT_GE(ink[i].left, box.left);
        EXPECT_LT(ink[i].right, box.right);
    }
    // Left moves the box 1 pixel right; "H" has about a pixel of side bearing.
    EXPECT_GE(ink[0].left, box.left + 1);
    EXPECT_LE(ink[0].left, box.left + 3);
    EXPECT_GE(ink[2].right, box.right - 3);
    const int gapLeft = ink[1].left - box.left;
    const int gapRight = box.right - 1 - ink[1].right;
    EXPECT_LE(std::abs(gapLeft - gapRight), 2);
    // Capitals of a centred 14-pixel line sit about in the middle.
    const int middle = (ink[1].top + ink[1].bottom) / 2;
    EXPECT_NEAR(middle, (box.top + box.bottom) / 2, 2);
}

TEST(Text, IsClippedToItsBoxAndOpaqueTextFillsItsCell) {
    COffscreenPaint c(nullptr, 60, 20);
    c.setFont(1);  // 18 pixels: taller than the box
    c.setFontColor(kWhiteCColor);
    c.setFillColor(kBlueCColor);
    c.drawString("WWWWWWWW", CRect(10, 5, 30, 12), true, kLeftText);
    const InkBox ink = inkOf(c.getImage(), kBlack);
    EXPECT_GE(ink.left, 11);
    EXPECT_LE(ink.right, 29);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 11);
    COffscreenPaint dots(nullptr, 60, 20);
    dots.setFont(1);
    dots.setFillColor(kBlueCColor);
    dots.drawString("....", CRect(10, 5, 30, 12), true, kLeftText);
    EXPECT_EQ(dots.getImage().pixel(12, 5), kBlue);  // the cell, above the dots' ink
    EXPECT_EQ(dots.getImage().pixel(12, 4), kBlack);  // clipped to the box
}

TEST(Text, UnderlineAddsARowUnderTheBaseline) {
    auto inkRows = [](int style) {
        COffscreenPaint c(nullptr, 60, 20);
        c.setFont(3, 0, style);
        c.setFontColor(kWhiteCColor);
        c.drawString("ace", CRect(0, 0, 60, 20), false, kLeftText);
        return inkOf(c.getImage(), kBlack);
    };
    EXPECT_GT(inkRows(kUnderlineFace).bottom, inkRows(0).bottom);
    EXPECT_GT(inkRows(kItalicFace).count, 0);
}
