// Whole-image operations on small images with exact pixels: sizes and the
// border, fills and alpha rectangles (pairs of pixels), unscaled copies and
// their clipping, the transparent flag, pixel reads, digests, buffers,
// providers and serials.
#include "graphics/ARGB8888.h"
#include "data/Sha256.h"
#include "graphics/ImageFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tsukimi {
namespace {

using testing::PixelsOf;

// A w x h image whose pixel (x, y) is 0xFF000000 | y << 8 | x.
void Numbered(TARGB8888& image, int w, int h, uint32_t alpha = 0xFF)
{
    image.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.Buffer()->Row(y)[x] = alpha << 24 | static_cast<uint32_t>(y << 8 | x);
    image.UpdateBorder();
    image.UpdateTransparency();
}

TEST(ALSGBitmap, LayoutAndBorder)
{
    TALSGBitmap fresh;
    EXPECT_EQ(fresh.Width(), 2);
    EXPECT_EQ(fresh.Height(), 2);
    EXPECT_EQ(fresh.Transparent(), 1);
    EXPECT_EQ(fresh.MaskLink(), nullptr);
    EXPECT_EQ(fresh.LineParity(), -1);

    TALSGBitmap b;
    ASSERT_TRUE(b.SetSize(3, 2));
    EXPECT_EQ(b.RowStep() % 32, 0);
    ASSERT_EQ(b.Rows().size(), 2u);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Row(y)) % 32, 0u);
        EXPECT_EQ(b.Rows()[static_cast<size_t>(y)], b.Row(y));
    }
    EXPECT_EQ(b.Row(1) - b.Row(0), b.StridePixels());
    uint32_t v = 1;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            b.Row(y)[x] = v++;
    b.UpdateBorder();
    const ptrdiff_t s = b.StridePixels();
    const uint32_t* r0 = b.Row(0);
    const uint32_t* r1 = b.Row(1);
    // Corners, edges above and below, columns left and right.
    EXPECT_EQ(r0[-s - 1], 1u);
    EXPECT_EQ(r0[-s + 1], 2u);
    EXPECT_EQ(r0[-s + 3], 3u);
    EXPECT_EQ(r0[-1], 1u);
    EXPECT_EQ(r0[3], 3u);
    EXPECT_EQ(r1[-1], 4u);
    EXPECT_EQ(r1[3], 6u);
    EXPECT_EQ(r1[s - 1], 4u);
    EXPECT_EQ(r1[s + 2], 6u);
    EXPECT_EQ(r1[s + 3], 6u);

    // The same size keeps the buffer; a limit refuses without changing it.
    const uint32_t* before = b.Row(0);
    EXPECT_TRUE(b.SetSize(3, 2));
    EXPECT_EQ(b.Row(0), before);
    EXPECT_FALSE(b.SetSize(16385, 1));
    EXPECT_FALSE(b.SetSize(-1, 4));
    EXPECT_FALSE(b.SetSize(16384, 16385));
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.EdgeTable().size(), 2u);
}

TEST(ALSGBitmap, TransparencyScan)
{
    struct Case
    {
        int w, h;
        uint32_t fill;
        int oddX, oddY;
        uint32_t odd;
        uint8_t expected;
    };
    const Case cases[] = {
        {1, 1, 0xFF000000, -1, -1, 0, 1},        // 1 x 1: always transparent
        {5, 1, 0xFFFFFFFF, -1, -1, 0, 1},        // one row: always transparent
        {3, 3, 0xFF123456, -1, -1, 0, 0},        // all opaque
        {3, 3, 0xFF123456, 2, 2, 0xFE123456, 1}, // last pixel 254
        {4, 2, 0xFFFFFFFF, 3, 0, 0x7FFFFFFF, 1}, // odd column of a pair
        {2, 2, 0x80FFFFFF, -1, -1, 0, 1},
    };
    for (const Case& c : cases) {
        TALSGBitmap b;
        b.SetSize(c.w, c.h);
        b.Fill(c.fill);
        if (c.oddX >= 0) b.Row(c.oddY)[c.oddX] = c.odd;
        b.SetTransparent(c.expected == 0);
        b.ComputeTransparency();
        EXPECT_EQ(b.Transparent(), c.expected) << c.w << "x" << c.h;
    }
}

TEST(ARGB8888, NewImagesAndSizes)
{
    TARGB8888 image;
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_TRUE(image.IsTransparent());
    EXPECT_EQ(image.Buffer(), nullptr);
    image.FillRect(0, 0, 0xFFFFFFFF, 4, 4); // no buffer: nothing
    EXPECT_EQ(image.GetPixel(0, 0), 0u);

    ASSERT_TRUE(image.SetSize(3, 2));
    EXPECT_EQ(PixelsOf(image), std::vector<uint32_t>(6, 0));
    EXPECT_TRUE(image.IsTransparent());
    EXPECT_EQ(image.Buffer()->Row(0)[-1], 0u);
    EXPECT_FALSE(image.SetSize(20000, 2));
    EXPECT_EQ(image.Width(), 3);
}

TEST(ARGB8888, FillRectClipsAndSetsTheFlag)
{
    TARGB8888 image;
    image.SetSize(4, 3);
    // One opaque pixel marks the whole image opaque.
    image.FillRect(1, 1, 0xFF0000FF, 2, 2);
    EXPECT_FALSE(image.IsTransparent());
    EXPECT_EQ(image.GetPixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(image.GetPixel(0, 0), 0u);
    // Clipped to the image; negative corners become 0.
    image.FillRect(-5, -5, 0x11223344, 1, 100);
    EXPECT_TRUE(image.IsTransparent());
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(image.GetPixel(x, 0), 0x11223344u);
    EXPECT_EQ(image.GetPixel(0, 1), 0u);
    // Reversed corners are empty for FillRect.
    image.FillRect(3, 3, 0xFFFFFFFF, 0, 0);
    EXPECT_EQ(image.GetPixel(1, 1), 0xFF0000FFu);
    EXPECT_TRUE(image.IsTransparent());
}

TEST(ARGB8888, SetAlphaRectWorksOnPairs)
{
    struct Case
    {
        int left, top, alpha, bottom, right;
        int changedColumns; // from `left`, row 0
    };
    const Case cases[] = {
        {0, 0, 0x40, 1, 5, 4},                        // 5 wide: 4 columns
        {2, 0, 0x40, 1, 3, 0},                        // 1 wide: nothing
        {4, 0, 0x40, 1, 0, 4},                        // reversed corners are swapped
        {-3, 0, 0x40, 1, 2, 2}, {0, 0, 300, 1, 6, 6}, // alpha clamped to 255
    };
    for (const Case& c : cases) {
        TARGB8888 image;
        Numbered(image, 6, 2, 0x80);
        image.SetAlphaRect(c.left, c.top, c.alpha, c.bottom, c.right);
        const int first = std::max(0, std::min(c.left, c.right));
        const uint32_t a = static_cast<uint32_t>(std::min(c.alpha, 255)) << 24;
        for (int x = 0; x < 6; ++x) {
            const bool changed = x >= first && x < first + c.changedColumns;
            EXPECT_EQ(image.GetPixel(x, 0), (changed ? a : 0x80000000u) | static_cast<uint32_t>(x))
                << x;
            EXPECT_EQ(image.GetPixel(x, 1) >> 24, 0x80u);
        }
    }
    // Alpha 255 over the whole image clears the flag; below 255 sets it.
    TARGB8888 image;
    Numbered(image, 3, 2, 0x10);
    image.SetAlphaRect(0, 0, 255, 2, 3);
    EXPECT_FALSE(image.IsTransparent());
    EXPECT_EQ(image.GetPixel(2, 0) >> 24, 0x10u); // the odd last column
    image.SetAlphaRect(0, 0, 254, 1, 2);
    EXPECT_TRUE(image.IsTransparent());
    image.SetAlphaRect(0, 0, 255, 1, 2); // partial: flag unchanged
    EXPECT_TRUE(image.IsTransparent());
}

struct CopyCase
{
    const char* name;
    int dx, dy, sl, st, sr, sb;
    // Expected destination pixel (x, y) for a 4 x 3 destination: -1 when
    // untouched, else the source pixel's number y << 8 | x.
    std::vector<int> expected;
};

TEST(ARGB8888, CopyToClipping)
{
    const int U = -1;
    const CopyCase cases[] = {
        {"whole",
         0,
         0,
         0,
         0,
         4,
         3,
         {0x000, 0x001, 0x002, 0x003, 0x100, 0x101, 0x102, 0x103, 0x200, 0x201, 0x202, 0x203}},
        {"offset, cut by the destination",
         2,
         1,
         0,
         0,
         4,
         3,
         {U, U, U, U, U, U, 0x000, 0x001, U, U, 0x100, 0x101}},
        {"negative destination",
         -1,
         -2,
         0,
         0,
         4,
         3,
         {0x201, 0x202, 0x203, U, U, U, U, U, U, U, U, U}},
        {"negative source", 0, 0, -2, -1, 2, 1, {U, U, U, U, U, U, 0x000, 0x001, U, U, U, U}},
        {"reversed corners", 1, 0, 2, 1, 0, 0, {U, 0x000, 0x001, U, U, U, U, U, U, U, U, U}},
        {"source past the image", 0, 0, 3, 2, 10, 10, {0x203, U, U, U, U, U, U, U, U, U, U, U}},
        {"wholly outside", 0, 0, 4, 0, 8, 3, std::vector<int>(12, U)},
        {"empty", 0, 0, 1, 1, 1, 3, std::vector<int>(12, U)},
        {"destination past the image", 4, 0, 0, 0, 4, 3, std::vector<int>(12, U)},
    };
    for (const CopyCase& c : cases) {
        TARGB8888 source, destination;
        Numbered(source, 4, 3);
        destination.SetSize(4, 3);
        destination.FillRect(0, 0, 0x00ABCDEF, 3, 4);
        source.CopyTo(destination, c.dx, c.dy, c.sl, c.st, c.sr, c.sb, 0);
        std::vector<int> got;
        for (uint32_t p : PixelsOf(destination))
            got.push_back(p == 0x00ABCDEF ? U : static_cast<int>(p & 0xFFFF));
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(ARGB8888, CopyToAlphaMaskAndFlag)
{
    TARGB8888 source, destination;
    Numbered(source, 2, 2, 0x00);
    destination.SetSize(3, 3);
    // A partial opaque copy leaves the flag; a transparent word sets it.
    source.CopyTo(destination, 0, 0, 0, 0, 2, 2, 0xFF000000);
    EXPECT_EQ(destination.GetPixel(1, 1), 0xFF000101u);
    EXPECT_TRUE(destination.IsTransparent());
    // A copy covering the whole destination at (0, 0) decides the flag.
    TARGB8888 small;
    small.SetSize(2, 2);
    source.CopyTo(small, 0, 0, 0, 0, 2, 2, 0xFF000000);
    EXPECT_FALSE(small.IsTransparent());
    source.CopyTo(small, 0, 0, 0, 0, 1, 1, 0);
    EXPECT_TRUE(small.IsTransparent());
    EXPECT_EQ(small.GetPixel(0, 0), 0x00000000u);
}

TEST(ARGB8888, CopyAlphaFromAndScroll)
{
    TARGB8888 image, mask;
    Numbered(image, 3, 2);
    mask.SetSize(2, 3);
    mask.FillRect(0, 0, 0xFF808040, 3, 2);
    image.CopyAlphaFrom(mask);
    EXPECT_EQ(image.GetPixel(1, 1), 0x40000101u); // blue byte of the mask
    EXPECT_EQ(image.GetPixel(2, 0), 0xFF000002u); // outside the mask
    EXPECT_TRUE(image.IsTransparent());

    TARGB8888 scrolled;
    Numbered(scrolled, 3, 2);
    scrolled.Scroll(1, -1, 0xFFEEEEEE);
    EXPECT_EQ(PixelsOf(scrolled), (std::vector<uint32_t>{0xFFEEEEEE, 0xFF000100, 0xFF000101,
                                                         0xFFEEEEEE, 0xFFEEEEEE, 0xFFEEEEEE}));
}

TEST(ARGB8888, GetPixelRounding)
{
    TARGB8888 image;
    Numbered(image, 3, 3);
    EXPECT_EQ(image.GetPixel(-0.4, 0), 0xFF000000u);
    EXPECT_EQ(image.GetPixel(-0.6, 0), 0u);
    EXPECT_EQ(image.GetPixel(1.5, 0.49), 0xFF000002u);
    EXPECT_EQ(image.GetPixel(2.49, 2.5), 0u);
    EXPECT_EQ(image.GetPixel(std::nan(""), 1), 0xFF000100u);
    EXPECT_EQ(image.GetPixel(1e300, 0), 0u);
    EXPECT_EQ(RoundCoordinate(-2.5), -3);
    EXPECT_EQ(RoundCoordinate(-1e300), INT32_MIN);
}

TEST(ARGB8888, DigestHashesTheRows)
{
    TARGB8888 image;
    Numbered(image, 3, 2);
    std::vector<uint32_t> pixels = PixelsOf(image);
    EXPECT_EQ(image.Digest(), Sha256Hex(pixels.data(), pixels.size() * 4));
    EXPECT_EQ(image.Digest().size(), 64u);
}

TEST(ARGB8888, AssignBuffersAndMask)
{
    TARGB8888 source, mask;
    Numbered(source, 3, 2, 0x80);
    mask.SetSize(3, 2);
    source.SetMask(&mask);
    EXPECT_EQ(source.Buffer()->MaskLink(), mask.Buffer());

    TARGB8888 copy;
    copy.Assign(source);
    EXPECT_EQ(PixelsOf(copy), PixelsOf(source));
    EXPECT_NE(copy.Buffer(), source.Buffer());
    EXPECT_EQ(copy.Buffer()->MaskLink(), mask.Buffer());
    EXPECT_TRUE(copy.IsTransparent());
    EXPECT_EQ(copy.Buffer()->Row(0)[-1], source.Buffer()->Row(0)[0]);
    source.SetTransparencyProvider([] { return false; });
    copy.Assign(source);
    EXPECT_FALSE(copy.IsTransparent());

    // The external buffer wins while set and is never freed by the image.
    TALSGBitmap frame;
    frame.SetSize(5, 4);
    frame.Fill(0xFF112233);
    copy.SetExternalBuffer(&frame);
    EXPECT_EQ(copy.Width(), 5);
    EXPECT_EQ(copy.GetPixel(4, 3), 0xFF112233u);
    copy.SetExternalBuffer(nullptr);
    EXPECT_EQ(copy.Width(), 3);
    copy.SetExternalBuffer(&frame);
    copy.Clear();
    EXPECT_EQ(copy.Buffer(), nullptr);
    EXPECT_EQ(frame.Width(), 5);
}

TEST(ARGB8888, ProvidersHooksAndSerials)
{
    TARGB8888 image;
    image.SetSize(2, 2);
    int hooked = 0;
    image.SetFrameHook([&](int v) { hooked = v; });
    image.SetWidthProvider([] { return 640; });
    image.SetHeightProvider([] { return 480; });
    image.SetTransparencyProvider([] { return false; });
    image.CallFrameHook(7);
    EXPECT_EQ(hooked, 7);
    EXPECT_EQ(image.Width(), 640);
    EXPECT_EQ(image.Height(), 480);
    EXPECT_FALSE(image.IsTransparent());

    const uint32_t first = image.Serial();
    image.Touch();
    const uint32_t second = image.Serial();
    EXPECT_NE(first, second);
    EXPECT_LE(second, TARGB8888::SerialMask);
    image.Clear();
    EXPECT_NE(image.Serial(), second);
    EXPECT_EQ(image.Width(), 0); // providers dropped
    EXPECT_TRUE(image.IsTransparent());
    image.CallFrameHook(9);
    EXPECT_EQ(hooked, 7);
    TARGB8888 other;
    EXPECT_EQ(other.Serial(), (image.Serial() + 1) & TARGB8888::SerialMask);
}

TEST(ARGB8888, UnknownExtensionsDecodeNothing)
{
    TARGB8888 image;
    image.SetSize(2, 2);
    TMemoryStream stream(std::string("whatever"));
    EXPECT_TRUE(image.LoadFromStream(stream, "picture.gif"));
    EXPECT_EQ(image.Buffer(), nullptr);
    EXPECT_TRUE(stream.AtEnd());
    TMemoryStream none(std::string("x"));
    EXPECT_TRUE(image.LoadFromStream(none, "noextension"));
}

} // namespace
} // namespace tsukimi
