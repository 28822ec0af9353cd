#include "graphics/ARGB8888CellDraw.h"

#include "BlendTestImages.h"
#include "graphics/BlendHalfLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace tsukimi {
namespace {

using testing::PixelAt;
using testing::Solid;

constexpr uint32_t Black = 0xFF000000u;
constexpr uint32_t Red = 0xFFFF0000u;
constexpr uint32_t Blue = 0xFF0000FFu;
constexpr uint32_t White = 0xFFFFFFFFu;

// Empty string when equal, else the first differing pixel with both values.
std::string FirstDifference(const TARGB8888& image, const std::vector<uint32_t>& expected, int w,
                            int h)
{
    if (image.Width() != w || image.Height() != h) return "size differs";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t got = PixelAt(image, x, y);
            const uint32_t want = expected[static_cast<size_t>(y * w + x)];
            if (got != want) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d): got %08X, expected %08X", x, y,
                              got, want);
                return text;
            }
        }
    return {};
}

std::vector<int> Counts(const TARGB8888CellDraw& draw)
{
    return {draw.RedrawCounts(), draw.RedrawCounts() + draw.RedrawCountSize()};
}

// 16 x 250: bands of rows 0-99, 100-199, 200-249.
class CellDrawTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(draw.SetSize(16, 250)); }

    void Frame(const std::function<void()>& record, TCellRenderParams params = {})
    {
        record();
        draw.Render(params);
    }

    TCellStyle ImageStyle(const TARGB8888* image)
    {
        TCellStyle s;
        s.image = image;
        s.blendMode = 1;
        return s;
    }

    TARGB8888CellDraw draw;
};

TEST(CellDrawGoldenTest, FillsAndImageRectangleComposeExactly)
{
    TARGB8888CellDraw draw;
    ASSERT_TRUE(draw.SetSize(6, 4));
    TARGB8888 image;
    Solid(image, 2, 2, Blue);
    image.Buffer()->Row(1)[1] = 0xFF00FF00u;
    image.UpdateBorder();
    draw.AddFillColour(Red, 3, 1, 2, 1, 5, 3);
    draw.AddImageRect(&image, 0, 0, 1, 0xFFFFFF, 0, 255, 2, 0, 0, 2, 2, 1, 2);
    TCellRenderParams params;
    params.background = 0x000080; // made opaque
    draw.Render(params);
    const uint32_t B = 0xFF000080u, R = Red, I = Blue, G = 0xFF00FF00u;
    const std::vector<uint32_t> expected = {
        B, B, B, B, B, B, //
        B, B, R, R, R, B, //
        B, I, I, R, R, B, //
        B, I, G, B, B, B, //
    };
    EXPECT_EQ(FirstDifference(draw.Target(), expected, 6, 4), "");
    EXPECT_EQ(Counts(draw), std::vector<int>{1});
}

TEST_F(CellDrawTest, IdenticalFrameRedrawsNothing)
{
    auto record = [&] { draw.AddFillColour(Red, 3, 0, 2, 50, 10, 150); };
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(PixelAt(draw.Target(), 5, 120), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 5, 160), Black);

    draw.Target().Buffer()->Row(120)[5] = 0x12345678u; // would be repainted by a redraw
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(PixelAt(draw.Target(), 5, 120), 0x12345678u);

    // Moving the fill within rows 50 .. 150 changes bands 0 and 1 only.
    Frame([&] { draw.AddFillColour(Red, 3, 0, 3, 50, 10, 150); });
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 0}));
}

TEST_F(CellDrawTest, TouchedImageRedrawsOnlyItsBands)
{
    TARGB8888 image;
    Solid(image, 4, 4, Blue);
    auto record = [&] {
        draw.AddImageRect(&image, 0, 0, 1, 0xFFFFFF, 0, 255, 0, 0, 0, 4, 4, 2, 210);
    };
    Frame(record);
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 0}));
    image.Buffer()->Fill(Red);
    image.Touch();
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(PixelAt(draw.Target(), 3, 211), Red);
}

TEST_F(CellDrawTest, HalfLineRedrawsAChangedBandInTwoFrames)
{
    TCellRenderParams half;
    half.halfLine = true;
    THalfLineMode::SetEnabled(false);
    THalfLineMode::SetPhase(0);
    auto record = [&] { draw.AddFillColour(Red, 3, 0, 0, 0, 16, 250); };
    Frame(record, half);
    EXPECT_EQ(Counts(draw), (std::vector<int>{2, 2, 2}));
    EXPECT_FALSE(THalfLineMode::Enabled()); // restored
    // Phase 0 draws the even rows only.
    EXPECT_EQ(PixelAt(draw.Target(), 0, 0), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 0, 1), 0u);
    THalfLineMode::FlipPhase();
    Frame(record, half);
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(PixelAt(draw.Target(), 0, 1), Red);
    Frame(record, half);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 0}));
    THalfLineMode::SetPhase(0);
}

TEST_F(CellDrawTest, InvalidateForcesTheBandsOfItsRows)
{
    auto record = [&] { draw.AddFillColour(Red, 3, 0, 0, 0, 4, 4); };
    Frame(record);
    draw.Invalidate(0, 150, 16, 260); // clamped to the last band
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 1, 1}));
    draw.Invalidate(0, 199, 16, 0); // reversed rows
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 0}));
    draw.InvalidateAll();
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 1}));
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 0}));
    draw.Reset();
    Frame(record);
    EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 1}));
}

TEST_F(CellDrawTest, SortsByPriorityThenDepthDescendingThenSequence)
{
    TARGB8888 a, b, c;
    Solid(a, 1, 1, Red);
    Solid(b, 1, 1, Blue);
    Solid(c, 1, 1, White);
    TCellVertices quad = RectangleCell(0, 0, 4, 4, 0, 0, 1, 1);
    TCellStyle s = ImageStyle(&a);
    s.priority = 2.9; // truncated to 2
    s.depth = 0;
    draw.AddImageQuad(quad, s); // drawn last: highest priority
    s.image = &b;
    s.priority = 2;
    s.depth = 5; // deepest first
    draw.AddImageQuad(quad, s);
    s.image = &c;
    s.priority = 1;
    s.depth = 0;
    draw.AddImageQuad(quad, s); // drawn first
    draw.Render({});
    const auto& entries = draw.BandEntries(0);
    // The background fill and the first quad cover nothing of the 16-column band.
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].image, &c);
    EXPECT_EQ(entries[2].image, &b);
    EXPECT_EQ(entries[3].image, &a);
    EXPECT_EQ(entries[3].priority, 0); // band entries drop the sort keys
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Red);
}

TEST_F(CellDrawTest, PriorityLimitExcludesEqualPriority)
{
    TCellRenderParams params;
    params.priorityLimit = 5;
    Frame([&] { draw.AddFillColour(Red, 3, 5, 0, 0, 4, 4); }, params);
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Black);
    Frame([&] { draw.AddFillColour(Red, 3, 4.5, 0, 0, 4, 4); }, params);
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Red);
    // Without a limit even the largest priority is drawn.
    Frame([&] { draw.AddFillColour(Blue, 3, 1e30, 0, 0, 4, 4); });
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Blue);
}

TEST_F(CellDrawTest, OpaqueFullScreenImageEmptiesEveryBand)
{
    TARGB8888 image, under;
    Solid(image, 16, 250, Blue);
    Solid(under, 2, 2, Red);
    draw.AddImageRect(&under, 0, 0, 1, 0xFFFFFF, 0, 255, 0, 0, 0, 2, 2, 0, 0);
    draw.AddImageRect(&image, 0, 0, 1, 0xFFFFFF, 0, 255, 0, 0, 0, 16, 250, 0, 0);
    draw.AddFillColour(Red, 3, 0, 0, 120, 2, 122);
    draw.Render({});
    EXPECT_EQ(draw.BandEntries(0).size(), 1u);
    EXPECT_EQ(draw.BandEntries(1).size(), 2u);
    EXPECT_EQ(draw.BandEntries(2).size(), 1u);
    EXPECT_EQ(draw.BandEntries(0)[0].image, &image);
    EXPECT_EQ(PixelAt(draw.Target(), 0, 0), Blue);
    EXPECT_EQ(PixelAt(draw.Target(), 1, 121), Red);

    // Translucent, non-normal or narrow cells cover nothing.
    struct Case
    {
        int opacity;
        int mode;
        float right;
    };
    for (const Case& c : {Case{254, 1, 16}, Case{255, 6, 16}, Case{255, 1, 12}}) {
        draw.AddImageRect(&under, 0, 0, 1, 0xFFFFFF, 0, 255, 0, 0, 0, 2, 2, 0, 0);
        draw.AddImageRect(&image, 0, 0, c.mode, 0xFFFFFF, 0, c.opacity, 0, 0, 0,
                          static_cast<int>(c.right), 250, 0, 0);
        draw.Render({});
        EXPECT_EQ(draw.BandEntries(0).size(), 3u) << c.opacity << " " << c.mode;
    }
}

TEST_F(CellDrawTest, DropsOffScreenDegenerateAndInvisibleCells)
{
    draw.AddFillColour(Red, 3, 0, -10, 0, -1, 10);     // left of the screen
    draw.AddFillColour(Red, 3, 0, 0, 250, 10, 260);    // below
    draw.AddFillColour(Red, 3, 0, 5, 5, 5, 5);         // a point
    draw.AddFillColour(0x00FF0000u, 3, 0, 0, 0, 4, 4); // opacity 0
    TARGB8888 image;
    Solid(image, 2, 2, Red);
    draw.AddImageRect(&image, 0, 0, 1, 0xFFFFFF, 0, 0, 0, 0, 0, 2, 2, 0, 0); // not recorded
    EXPECT_EQ(draw.LogSize(), 4u);
    draw.Render({});
    for (int band = 0; band < 3; ++band)
        EXPECT_EQ(draw.BandEntries(band).size(), 1u);
}

TEST_F(CellDrawTest, PerspectiveScalesAroundTheCentreAndCullsNearCells)
{
    TCellVertices quad = RectangleCell(0, 25, 16, 225);
    for (float& z : quad.z)
        z = 2000;
    TCellStyle s;
    s.multiply = 0xFF0000;
    s.blendMode = 3;
    draw.AddImageQuad(quad, s);
    draw.Render({});
    const TCellRecord& drawn = draw.BandEntries(0).back();
    EXPECT_FLOAT_EQ(drawn.vertices.x[0], 4);
    EXPECT_FLOAT_EQ(drawn.vertices.y[0], 75);
    EXPECT_FLOAT_EQ(drawn.vertices.x[2], 12);
    EXPECT_FLOAT_EQ(drawn.vertices.y[2], 175);
    EXPECT_EQ(PixelAt(draw.Target(), 3, 125), Black);
    EXPECT_EQ(PixelAt(draw.Target(), 4, 125), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 11, 174), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 12, 125), Black);

    for (float& z : quad.z)
        z = 5;
    draw.AddImageQuad(quad, s);
    draw.Render({});
    EXPECT_EQ(draw.BandEntries(0).size(), 1u);
}

TEST_F(CellDrawTest, CullModesDropByWinding)
{
    const TCellVertices clockwise = RectangleCell(0, 0, 8, 8);
    TCellVertices counter = clockwise;
    std::swap(counter.x[1], counter.x[3]);
    std::swap(counter.y[1], counter.y[3]);
    struct Case
    {
        int mode;
        bool ccw;
        size_t entries;
    };
    for (const Case& c : {Case{0, true, 2}, Case{1, false, 2}, Case{1, true, 1}, Case{2, false, 1},
                          Case{2, true, 2}}) {
        TCellStyle s;
        s.cullMode = c.mode;
        draw.AddImageQuad(c.ccw ? counter : clockwise, s);
        draw.Render({});
        EXPECT_EQ(draw.BandEntries(0).size(), c.entries) << c.mode << " " << c.ccw;
    }
}

TEST_F(CellDrawTest, SubdividesQuadsIntoGridCells)
{
    TCellStyle s;
    s.columns = 2;
    s.rows = 2;
    draw.AddImageQuad(RectangleCell(0, 0, 8, 200, 0, 0, 4, 100), s);
    EXPECT_EQ(draw.LogSize(), 4u);
    s.columns = 17; // 17 cells: recorded once
    s.rows = 1;
    draw.AddImageQuad(RectangleCell(0, 0, 8, 200), s);
    EXPECT_EQ(draw.LogSize(), 5u);
    draw.Render({});
    // Band 0 holds the background, the two upper cells and the whole quad.
    const auto& top = draw.BandEntries(0);
    ASSERT_EQ(top.size(), 4u);
    EXPECT_FLOAT_EQ(top[2].vertices.x[0], 4);
    EXPECT_FLOAT_EQ(top[2].vertices.x[1], 8);
    EXPECT_FLOAT_EQ(top[2].vertices.y[2], 100);
    EXPECT_FLOAT_EQ(top[2].vertices.u[0], 2);
    EXPECT_FLOAT_EQ(top[2].vertices.v[2], 50);
}

TEST_F(CellDrawTest, TransformCommandsApplyInSortedOrder)
{
    TCellTransform shift;
    shift.translateX = 8;
    shift.multiply = 0x0000FF;
    draw.PushTransform(shift, 0, 1);
    draw.AddFill(255, 3, 0xFFFFFF, 1, 0, 0, 4, 4);
    draw.PopTransform(0, 1);
    draw.AddFill(255, 3, 0xFF0000, 1, 0, 10, 4, 14);
    draw.Render({});
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Black);
    EXPECT_EQ(PixelAt(draw.Target(), 9, 1), Blue);
    EXPECT_EQ(PixelAt(draw.Target(), 1, 11), Red);
}

TEST_F(CellDrawTest, RenderScaleAndOffsetMoveTheCells)
{
    TCellRenderParams params;
    params.scaleX = params.scaleY = 2;
    params.centreX = params.centreY = 0;
    params.offsetX = 1;
    draw.AddFillColour(Red, 3, 0, 0, 0, 2, 2); // -> (2, 0) - (6, 4)
    draw.Render(params);
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), Black);
    EXPECT_EQ(PixelAt(draw.Target(), 2, 3), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 5, 3), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 6, 3), Black);
}

TEST_F(CellDrawTest, MaskLevelBlendsAndLeavesTheMaskWhite)
{
    draw.AddMaskLevel(128, 0, 1);
    draw.AddFillColour(White, 3, 2, 0, 0, 16, 250);
    draw.Render({});
    const uint32_t masked = PixelAt(draw.Target(), 3, 3);
    EXPECT_NE(masked, White);
    EXPECT_NE(masked, Black);
    EXPECT_EQ(PixelAt(draw.Target(), 3, 203), masked);
    for (int y : {0, 99, 100, 249})
        EXPECT_EQ(PixelAt(draw.MaskImage(), 15, y), White) << y;
}

TEST_F(CellDrawTest, MaskQuadLimitsLaterDraws)
{
    // The mask is black except a white square; only the square gets the fill.
    TCellStyle mask;
    mask.blendMode = 3;
    draw.AddMaskQuad(RectangleCell(4, 4, 8, 8), mask);
    draw.AddFillColour(Red, 3, 1, 0, 0, 16, 250);
    draw.Render({});
    EXPECT_EQ(PixelAt(draw.Target(), 5, 5), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 2, 2), Black);
    EXPECT_EQ(PixelAt(draw.Target(), 5, 150), Black);
    EXPECT_EQ(PixelAt(draw.MaskImage(), 2, 2), White);
}

TEST_F(CellDrawTest, AfterimageMovesHalfwayForSixteenFrames)
{
    Frame([&] { draw.AddFillColour(White, 3, 0, 0, 0, 16, 250); });
    draw.StartAfterimage();
    Frame([] {}); // back to black: halfway
    // Every byte averaged, alpha included.
    EXPECT_EQ(PixelAt(draw.Target(), 0, 0), 0xFE7F7F7Fu);
    EXPECT_EQ(PixelAt(draw.Target(), 15, 249), 0xFE7F7F7Fu);
    EXPECT_EQ(draw.AfterimageCount(0), 16);
    for (int frame = 1; frame < 16; ++frame) {
        Frame([] {});
        EXPECT_EQ(Counts(draw), (std::vector<int>{1, 1, 1})) << frame;
    }
    EXPECT_EQ(draw.AfterimageCount(0), 1);
    EXPECT_EQ(PixelAt(draw.Target(), 0, 0), 0xFE000000u);
    draw.StopAfterimage();
    Frame([] {});
    EXPECT_EQ(Counts(draw), (std::vector<int>{0, 0, 0}));
}

TEST(CellDrawAfterimageTest, OddWidthKeepsTheLastColumn)
{
    TARGB8888CellDraw draw;
    ASSERT_TRUE(draw.SetSize(3, 2));
    TCellRenderParams white;
    white.background = 0xFFFFFF;
    draw.Render(white);
    draw.StartAfterimage();
    draw.Render({});
    EXPECT_EQ(PixelAt(draw.Target(), 1, 1), 0xFE7F7F7Fu);
    EXPECT_EQ(PixelAt(draw.Target(), 2, 1), White);
}

TEST_F(CellDrawTest, TransitionCellsDrawThroughTheirKernels)
{
    TARGB8888 image, third, rule;
    Solid(image, 2, 2, Red);
    Solid(third, 2, 2, Blue);
    Solid(rule, 2, 2, White);
    TCellVertices quad = RectangleCell(0, 0, 4, 4, 0, 0, 2, 2);
    for (int i = 0; i < 4; ++i) {
        quad.u2[i] = quad.u[i];
        quad.v2[i] = quad.v[i];
    }
    using Adder = void (TARGB8888CellDraw::*)(const TCellVertices&, const TCellStyle&);
    struct Case
    {
        Adder add;
        const TARGB8888* third;
        int h;
        uint32_t expected;
    };
    const Case cases[] = {
        {&TARGB8888CellDraw::AddCrossFade, &third, 0, Red},
        {&TARGB8888CellDraw::AddCrossFade, &third, 255, Blue},
        {&TARGB8888CellDraw::AddRuleMask, &rule, 0, Red},
        {&TARGB8888CellDraw::AddSoftWipe, &rule, 255, Red},
        {&TARGB8888CellDraw::AddCrossFade, nullptr, 255, Black}, // no third image: nothing
    };
    for (const Case& c : cases) {
        TCellStyle s;
        s.image = &image;
        s.third = c.third;
        s.h = c.h;
        (draw.*c.add)(quad, s);
        draw.Render({});
        EXPECT_EQ(PixelAt(draw.Target(), 1, 1), c.expected) << c.h;
        EXPECT_EQ(PixelAt(draw.Target(), 5, 1), Black);
    }
}

TEST_F(CellDrawTest, AlphaWipeCopiesTheSourceRectangle)
{
    TARGB8888 image;
    Solid(image, 4, 4, Red);
    draw.AddAlphaWipe(&image, 255, 0, 1, 0xFFFFFF, 0, 0, 0, 0, 2, 2, 6, 110);
    draw.Render({});
    EXPECT_EQ(PixelAt(draw.Target(), 6, 110), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 7, 111), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 8, 110), Black);
    EXPECT_EQ(PixelAt(draw.Target(), 5, 110), Black);
    draw.AddAlphaWipe(&image, 0, 0, 1, 0xFFFFFF, 0, 0, 0, 0, 2, 2, 6, 110); // invisible
    draw.Render({});
    EXPECT_EQ(draw.BandEntries(1).size(), 1u);
}

TEST_F(CellDrawTest, DebugOverlayMarksChangedBands)
{
    draw.SetDebugOverlay(true);
    draw.SetClock([] { return 1100u; }); // grey 100
    draw.AddFillColour(Red, 3, 0, 0, 0, 16, 250);
    draw.Render({});
    // The covering fill is band 0's only entry: a bar 4 pixels long at rows 2 .. 7.
    EXPECT_EQ(PixelAt(draw.Target(), 3, 2), 0xFF646464u);
    EXPECT_EQ(PixelAt(draw.Target(), 3, 107), 0xFF646464u);
    EXPECT_EQ(PixelAt(draw.Target(), 4, 2), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 3, 1), Red);
    EXPECT_EQ(PixelAt(draw.Target(), 3, 8), Red);
    draw.AddFillColour(Red, 3, 0, 0, 0, 16, 250);
    draw.Render({});
    EXPECT_FALSE(draw.BandChanged(0));
}

TEST_F(CellDrawTest, SaveBmpMakesTheTargetOpaque)
{
    draw.AddFill(0, 3, 0, 0, 0, 0, 1, 1);
    draw.Target().Buffer()->Row(0)[0] = 0x00123456u;
    TMemoryStream stream;
    EXPECT_TRUE(draw.SaveBmp(&stream));
    EXPECT_EQ(PixelAt(draw.Target(), 0, 0), 0xFF123456u);
}

TEST(CellDrawConversionTest, TruncationSaturatesAndTakesNanAsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double in;
        int out;
    };
    for (const Case& c : {Case{2.9, 2}, Case{-2.9, -2}, Case{std::nan(""), 0},
                          Case{1e12, INT32_MAX}, Case{-inf, INT32_MIN}}) {
        EXPECT_EQ(TruncateToInt(c.in), c.out) << c.in;
    }
    TARGB8888CellDraw draw;
    TCellStyle s;
    s.priority = std::nan("");
    s.depth = 1e300;
    draw.AddImageQuad(RectangleCell(0, 0, 4, 4), s);
    draw.AddImageQuad(RectangleCell(0, 0, 4, 4), s);
    EXPECT_NO_THROW(draw.Render({}));
    EXPECT_FALSE(draw.SetSize(0, 10));
    EXPECT_EQ(draw.Width(), 128);
}

} // namespace
} // namespace tsukimi
