// The rasteriser: 16.16 conversion, geometry classes and their tolerances,
// polygon row and column coverage, clip rows, sampling at integer and .5
// positions, half-line mode, bad coordinates, the transition draws and the
// alpha-threshold wipe.
#include "graphics/BlendHalfLine.h"
#include "graphics/BlendRasterizer.h"
#include "graphics/BlendTestImages.h"
#include "graphics/BlendTransitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tsukimi {
namespace {

using testing::PixelAt;
using testing::Random;
using testing::Solid;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// A w x 1 image whose pixel x is 0xFF000000 | x.
void Numbered(TARGB8888& image, int w, int h = 1)
{
    image.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.Buffer()->Row(y)[x] = 0xFF000000u | static_cast<uint32_t>(y << 8 | x);
    image.UpdateBorder();
    image.UpdateTransparency();
}

// Which pixels differ from `background`: a row of '#' and '.' per line.
std::vector<std::string> Coverage(const TARGB8888& image, uint32_t background)
{
    std::vector<std::string> rows;
    for (int y = 0; y < image.Height(); ++y) {
        std::string row;
        for (int x = 0; x < image.Width(); ++x)
            row += PixelAt(image, x, y) == background ? '.' : '#';
        rows.push_back(row);
    }
    return rows;
}

TEST(BlendRaster, FixedPointConversion)
{
    EXPECT_EQ(raster::ToFixed(0.0), 0);
    EXPECT_EQ(raster::ToFixed(1.0), 65536);
    EXPECT_EQ(raster::ToFixed(0.5), 32768);
    EXPECT_EQ(raster::ToFixed(-0.5), -32768);
    EXPECT_EQ(raster::ToFixed(1.0 / 3.0), 21845);
    // 0.51 absorbs float error just below a whole pixel.
    EXPECT_EQ(raster::ToFixed(2.9999995), 3 * 65536);
    EXPECT_EQ(raster::ToFixed(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(raster::ToFixed(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(raster::ToFixed(std::nan("")), 0);
    EXPECT_EQ(raster::TruncSaturate(-2.7), -2);
    EXPECT_EQ(raster::TruncSaturate(1e300), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(raster::TruncSaturate(-1e300), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(raster::TruncSaturate(std::nan("")), 0);
}

TVertexBlock Rect(float l, float t, float r, float b, float u0, float v0, float u1, float v1)
{
    const TVertexList q = RectangleVertices(l, t, r, b, u0, v0, u1, v1);
    TVertexBlock blk;
    for (int i = 0; i < 4; ++i) {
        blk.x[i] = q.x[i];
        blk.y[i] = q.y[i];
        blk.u[i] = q.u[i];
        blk.v[i] = q.v[i];
    }
    return blk;
}

TEST(BlendRaster, GeometryClasses)
{
    struct Case
    {
        TVertexBlock block;
        TQuadClass expected;
    } cases[] = {
        {Rect(0, 0, 4, 4, 0, 0, 4, 4), TQuadClass::Unscaled},
        {Rect(0, 0, 4.05f, 4, 0, 0, 4, 4), TQuadClass::Unscaled},
        {Rect(0, 0, 4, 3.95f, 0, 0, 4, 4), TQuadClass::Unscaled},
        {Rect(0, 0, 4.15f, 4, 0, 0, 4, 4), TQuadClass::AxisAligned},
        {Rect(4, 0, 0, 4, 0, 0, 4, 4), TQuadClass::AxisAligned}, // mirrored
        {Rect(0, 0, 8, 8, 0, 0, 4, 4), TQuadClass::AxisAligned},
    };
    for (const Case& c : cases)
        EXPECT_EQ(raster::Classify(c.block), c.expected);
    TVertexBlock skew = Rect(0, 0, 4, 4, 0, 0, 4, 4);
    skew.x[3] += 0.001f;
    EXPECT_EQ(raster::Classify(skew), TQuadClass::General);
    skew.x[3] = 0.00005f; // within 2^-14
    EXPECT_EQ(raster::Classify(skew), TQuadClass::Unscaled);
    TVertexBlock triangle = Rect(0, 0, 4, 4, 0, 0, 4, 4);
    triangle.count = 3;
    EXPECT_EQ(raster::Classify(triangle), TQuadClass::General);
}

// A quad 0.05 wider than its texture still steps one source pixel per
// destination pixel; 0.2 wider is scaled.
TEST(BlendRaster, UnscaledTolerance)
{
    TARGB8888 source, wide, wider;
    Numbered(source, 8);
    Solid(wide, 10, 1, 0);
    Solid(wider, 10, 1, 0);
    DrawQuad(source, wide, RectangleVertices(0, 0, 8.05f, 1, 0, 0, 8, 1), 0, 1, 0, 0, 255, 0xFFFFFF,
             0);
    DrawQuad(source, wider, RectangleVertices(0, 0, 8.2f, 1, 0, 0, 8, 1), 0, 1, 0, 0, 255, 0xFFFFFF,
             0);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PixelAt(wide, x, 0), 0xFF000000u | static_cast<uint32_t>(x));
    EXPECT_EQ(PixelAt(wide, 8, 0), 0xFF000007u); // the border copy
    EXPECT_EQ(PixelAt(wider, 7, 0), 0xFF000006u);
}

TEST(BlendRaster, PolygonCoverage)
{
    TARGB8888 image;
    Solid(image, 12, 12, 0);
    FillQuad(image, 0xFFFFFFFF, 0, 0, 0, 10, 10, 0, 12);
    const auto cover = Coverage(image, 0);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(cover[static_cast<size_t>(y)], y < 10 ? "##########.." : "............");

    Solid(image, 6, 6, 0);
    FillQuad(image, 0xFFFFFFFF, 0, 0.5f, 0.5f, 3.5f, 4.5f, 2, 4); // clip rows 2 .. 3
    EXPECT_EQ(Coverage(image, 0), (std::vector<std::string>{"......", "......", ".###..", ".###..",
                                                            "......", "......"}));

    // A triangle: right edge x = y over 0 .. 4; row 0 keeps pixel 0 since
    // trunc(0 - 0.0001) is 0.
    Solid(image, 6, 6, 0);
    TVertexList tri;
    tri.count = 3;
    const float xs[3] = {0, 4, 0}, ys[3] = {0, 4, 4};
    for (int i = 0; i < 3; ++i) {
        tri.x[i] = xs[i];
        tri.y[i] = ys[i];
    }
    FillPolygon(image, tri, 0, 6, 0, 255, 0xFFFFFF, 0);
    EXPECT_EQ(Coverage(image, 0), (std::vector<std::string>{"#.....", "#.....", "##....", "###...",
                                                            "......", "......"}));
}

TEST(BlendRaster, FillsComposeLikePixels)
{
    TARGB8888 image, mask;
    Solid(image, 4, 1, 0xFF000000);
    FillQuadSum(image, 0x00F08010, 0x00204030, 128, 0, 0, 0, 2, 1, 0, 1);
    EXPECT_EQ(PixelAt(image, 0, 0), 0xBF7F6020u); // 0x80FFC040 blended with k = 64
    EXPECT_EQ(PixelAt(image, 2, 0), 0xFF000000u);
    Solid(mask, 4, 1, 0xFF000080);
    image.Buffer()->SetMaskLink(mask.Buffer());
    FillQuad(image, 0xFFFFFFFF, 0, 2, 0, 4, 1, 0, 1);
    EXPECT_EQ(PixelAt(image, 3, 0), 0xBF7F7F7Fu);
    FillQuad(image, 0xFFFFFFFF, 9, 0, 0, 1, 1, 0, 1); // add, masked to 128
    EXPECT_EQ(PixelAt(image, 0, 0), 0xFFFFE0A0u);
}

// Bilinear samples half a pixel up and left: at integer positions each
// pixel is blended with its left and upper neighbours by half; at .5 in
// both source and destination it draws sharp.
TEST(BlendRaster, BilinearPositions)
{
    TARGB8888 source, image;
    source.SetSize(2, 2);
    source.Buffer()->Row(0)[0] = 0xFF000000;
    source.Buffer()->Row(0)[1] = 0xFF0000FE;
    source.Buffer()->Row(1)[0] = 0xFFFE0000;
    source.Buffer()->Row(1)[1] = 0xFFFE00FE;
    source.UpdateBorder();
    source.UpdateTransparency();
    Solid(image, 3, 3, 0);
    DrawQuad(source, image, RectangleVertices(0, 0, 2, 2, 0, 0, 2, 2), 0, 3, 2, 0, 255, 0xFFFFFF,
             0);
    EXPECT_EQ(PixelAt(image, 0, 0), 0xFF000000u); // border copies of pixel (0, 0)
    EXPECT_EQ(PixelAt(image, 1, 0), 0xFF00007Fu);
    EXPECT_EQ(PixelAt(image, 0, 1), 0xFF7F0000u);
    EXPECT_EQ(PixelAt(image, 1, 1), 0xFF7F007Fu);
    EXPECT_EQ(PixelAt(image, 2, 2), 0u);

    Solid(image, 3, 3, 0);
    DrawQuad(source, image, RectangleVertices(0.5f, 0.5f, 1.5f, 1.5f, 0.5f, 0.5f, 1.5f, 1.5f), 0, 3,
             2, 0, 255, 0xFFFFFF, 0);
    EXPECT_EQ(PixelAt(image, 1, 1), 0xFFFE00FEu);
    EXPECT_EQ(PixelAt(image, 0, 0), 0u);
}

TEST(BlendRaster, ScaledAndMirrored)
{
    TARGB8888 source, image;
    Numbered(source, 4);
    Solid(image, 8, 1, 0);
    DrawQuad(source, image, RectangleVertices(0, 0, 8, 1, 0, 0, 4, 1), 0, 1, 0, 0, 255, 0xFFFFFF,
             0);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PixelAt(image, x, 0), 0xFF000000u | static_cast<uint32_t>(x / 2));
    Solid(image, 4, 1, 0);
    DrawQuad(source, image, RectangleVertices(4, 0, 0, 1, 0, 0, 4, 1), 0, 1, 0, 0, 255, 0xFFFFFF,
             0);
    // U runs 4 .. 1 at the pixel positions: pixel 0 reads the border copy.
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(image, x, 0), 0xFF000000u | static_cast<uint32_t>(std::min(3, 4 - x)));
}

// General quads: a 90-degree turn maps source rows to destination columns.
TEST(BlendRaster, RotatedQuad)
{
    TARGB8888 source, image;
    Numbered(source, 4, 4);
    Solid(image, 4, 4, 0);
    TVertexList q = RectangleVertices(0, 0, 4, 4);
    const float us[4] = {0, 0, 4, 4}, vs[4] = {4, 0, 0, 4}; // turned
    for (int i = 0; i < 4; ++i) {
        q.u[i] = us[i];
        q.v[i] = vs[i];
    }
    // Nudge one corner so the quad is general, not axis-aligned.
    q.x[3] = 0.0001f;
    DrawQuad(source, image, q, 0, 4, 0, 0, 255, 0xFFFFFF, 0);
    EXPECT_EQ(PixelAt(image, 0, 0), PixelAt(source, 0, 3));
    EXPECT_EQ(PixelAt(image, 3, 0), PixelAt(source, 0, 1));
    EXPECT_EQ(PixelAt(image, 0, 3), PixelAt(source, 3, 3));
}

TEST(BlendRaster, HugeAndNaNCoordinatesDrawNothing)
{
    TARGB8888 source, image;
    Solid(source, 2, 2, 0xFFFFFFFF);
    Solid(image, 4, 4, 0x12345678);
    const float bad[] = {NaN, std::numeric_limits<float>::infinity(), 1e20f, -3e7f};
    for (const float b : bad) {
        TVertexList q = RectangleVertices(0, 0, 4, 4, 0, 0, 2, 2);
        q.x[1] = b;
        DrawQuad(source, image, q, 0, 4, 2, 0, 255, 0xFFFFFF, 0);
        q = RectangleVertices(0, 0, 4, 4, 0, 0, 2, 2);
        q.y[2] = b;
        FillPolygon(image, q, 0, 4, 0, 255, 0xFFFFFF, 0);
        if (std::isfinite(b)) continue;
        q = RectangleVertices(0, 0, 4, 4, 0, 0, 2, 2);
        q.u[2] = b;
        DrawQuad(source, image, q, 0, 4, 0, 0, 255, 0xFFFFFF, 0);
    }
    FillQuad(image, 0xFFFFFFFF, 0, -1e9f, -1e9f, 1e9f, 1e9f, -2147483647 - 1, 2147483647);
    EXPECT_EQ(PixelAt(image, 0, 0), 0x12345678u);
    // Large but representable: clipped to the image.
    FillQuad(image, 0xFFFFFFFF, 0, -1e6f, -1e6f, 1e6f, 1e6f, -2147483647 - 1, 2147483647);
    EXPECT_EQ(Coverage(image, 0x12345678), std::vector<std::string>(4, "####"));
}

TEST(BlendRaster, HalfLineMode)
{
    TARGB8888 source, image;
    Solid(source, 4, 4, 0xFFFFFFFF);
    THalfLineMode::SetEnabled(true);
    THalfLineMode::SetPhase(0);
    Solid(image, 4, 4, 0);
    DrawRect(source, image, 0, 0, 0, 0, 4, 4, 0, 4, 0, 255, 0xFFFFFF, 0);
    EXPECT_EQ(Coverage(image, 0), (std::vector<std::string>{"####", "....", "####", "...."}));
    THalfLineMode::FlipPhase();
    Solid(image, 4, 4, 0);
    FillQuad(image, 0xFF0000FF, 0, 0, 0, 4, 4, 0, 4);
    EXPECT_EQ(Coverage(image, 0), (std::vector<std::string>{"....", "####", "....", "####"}));
    THalfLineMode::SetEnabled(false);
    THalfLineMode::SetPhase(0);
    Solid(image, 4, 4, 0);
    FillQuad(image, 0xFF0000FF, 0, 0, 0, 4, 4, 0, 4);
    EXPECT_EQ(image.Buffer()->LineParity(), -1);
    EXPECT_EQ(Coverage(image, 0), std::vector<std::string>(4, "####"));
}

// Transitions: a 2 x 2 source, rule and destination, each one colour.
struct TTransitionCase
{
    const char* name;
    int kind; // 0 rule mask, 1 soft wipe, 2 cross fade
    uint32_t source, third, destination;
    int h, g;
    uint32_t expected;
};

const TTransitionCase TransitionCases[] = {
    {"rule strength 128, rule 0", 0, 0xFF000000, 0xFF000000, 0, 128, 0, 0x3C000000},
    {"rule strength 128, rule 255", 0, 0xFF000000, 0xFFFFFFFF, 0, 128, 0, 0xFC000000},
    {"rule strength 0 draws plainly", 0, 0xFF123456, 0xFF000000, 0, 0, 0, 0xFF123456},
    {"soft wipe progress 0 shows nothing", 1, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0, 0, 0xFF000000},
    {"soft wipe progress 255 plain", 1, 0xFF123456, 0xFF000000, 0xFF000000, 255, 0, 0xFF123456},
    {"soft wipe 128", 1, 0xFFFFFFFF, 0xFF646464, 0xFF000000, 128, 0, 0xC2636363},
    {"soft wipe 128 softness 3", 1, 0xFFFFFFFF, 0xFF808080, 0xFF000000, 128, 3, 0xC08E8E8E},
    {"soft wipe softness 9 as 4", 1, 0xFFFFFFFF, 0xFF808080, 0xFF000000, 128, 9, 0xC39E9E9E},
    {"cross fade 128", 2, 0xFF0000FF, 0xFF00FF00, 0x12345678, 128, 0, 0xFF00817D},
    {"cross fade 64 alpha mixed", 2, 0x800000FF, 0xFF00FF00, 0xFF000000, 64, 0, 0xC3002876},
    {"cross fade 0 is the image", 2, 0xFF0000FF, 0xFF00FF00, 0, 0, 0, 0xFF0000FF},
    {"cross fade 255 is the third", 2, 0xFF0000FF, 0xFF00FF00, 0, 255, 0, 0xFF00FF00},
};

TEST(BlendRaster, TransitionTable)
{
    for (const TTransitionCase& c : TransitionCases) {
        SCOPED_TRACE(c.name);
        TARGB8888 source, third, image;
        Solid(source, 2, 2, c.source);
        Solid(third, 2, 2, c.third);
        Solid(image, 2, 2, c.destination);
        TVertexList q = RectangleVertices(0, 0, 2, 2, 0, 0, 2, 2);
        std::copy(q.u, q.u + 4, q.u2);
        std::copy(q.v, q.v + 4, q.v2);
        const TDrawParams p{0, 2, 0, 0, 255, 0xFFFFFF, 0};
        if (c.kind == 0) DrawRuleMask(source, image, third, q, p, c.h);
        if (c.kind == 1) DrawSoftWipe(source, image, third, q, p, c.h, c.g);
        if (c.kind == 2) DrawCrossFade(source, image, third, q, p, c.h);
        EXPECT_EQ(PixelAt(image, 1, 1), c.expected) << std::hex << PixelAt(image, 1, 1);
    }
}

// The third image is sampled through its own coordinates: a 1-pixel-wide
// rule stretched over 4 columns.
TEST(BlendRaster, TransitionThirdImageScale)
{
    TARGB8888 source, rule, image;
    Solid(source, 4, 1, 0xFFFFFFFF);
    rule.SetSize(2, 1);
    rule.Buffer()->Row(0)[0] = 0xFF000000;
    rule.Buffer()->Row(0)[1] = 0xFFFFFFFF;
    rule.UpdateBorder();
    Solid(image, 4, 1, 0);
    TVertexList q = RectangleVertices(0, 0, 4, 1, 0, 0, 4, 1);
    const float u2[4] = {0, 2, 2, 0}, v2[4] = {0, 0, 1, 1};
    std::copy(u2, u2 + 4, q.u2);
    std::copy(v2, v2 + 4, q.v2);
    DrawRuleMask(source, image, rule, q, TDrawParams{0, 1, 0, 0, 255, 0xFFFFFF, 0}, 255);
    EXPECT_EQ(PixelAt(image, 1, 0) >> 24, 0u);
    EXPECT_EQ(PixelAt(image, 2, 0) >> 24, 0xFCu);
}

TEST(BlendRaster, AlphaWipeWeights)
{
    struct Case
    {
        int alpha, threshold;
        uint32_t softness;
        int expected;
    } cases[] = {
        {200, 128, 0, 100},  {0, 128, 0, 0},      {255, 128, 0, 127},         {100, 128, 3, 0},
        {140, 128, 3, 112},  {50, 1, 0, 127},     {200, 255, 5, 0},           {128, 128, 31, 0},
        {129, 128, 31, 127}, {129, 128, 63, 127}, {127, 128, 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AlphaWipeWeight(c.alpha, c.threshold, c.softness), c.expected)
            << c.alpha << " " << c.threshold << " " << c.softness;
}

TEST(BlendRaster, AlphaWipeDraw)
{
    TARGB8888 source, image;
    Random(source, 5, 2, 7);
    Solid(image, 6, 2, 0xFF808080);
    DrawAlphaWipe(source, image, 0, 0, 0, 0, 5, 2, 0, 2, 0, 0); // threshold 0: nothing
    EXPECT_EQ(Coverage(image, 0xFF808080), std::vector<std::string>(2, "......"));
    DrawAlphaWipe(source, image, 1, 0, 0, 0, 5, 2, 0, 1, 255, 2); // row 0, 4 of 5 columns
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(image, 1 + x, 0), PixelAt(source, x, 0));
    EXPECT_EQ(PixelAt(image, 5, 0), 0xFF808080u);
    EXPECT_EQ(PixelAt(image, 1, 1), 0xFF808080u);
    // Threshold 128, softness 0: weight alpha >> 1 towards the destination.
    TARGB8888 one;
    Solid(one, 2, 1, 0xC8FF0000);
    Solid(image, 2, 1, 0xFF0000FF);
    DrawAlphaWipe(one, image, 0, 0, 0, 0, 2, 1, 0, 1, 128, 0);
    EXPECT_EQ(PixelAt(image, 0, 0), 0xF23700C7u);
    Solid(one, 1, 1, 0xFFFFFFFF);
    DrawAlphaWipe(one, image, 0, 0, 0, 0, 1, 1, 0, 1, 255, 0); // width 1: nothing
    EXPECT_EQ(PixelAt(image, 0, 0), 0xF23700C7u);
}

} // namespace
} // namespace tsukimi
