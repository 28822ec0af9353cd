// The composition of one pixel pinned by exact values: a 2 x 2 source of
// one colour drawn with DrawRect onto a 2 x 2 destination of one colour,
// through every composition class (copy, opaque, alpha blend, general with
// each operator and with a mask).
#include "graphics/BlendOps.h"
#include "graphics/BlendTestImages.h"
#include "graphics/DrawQuad.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using testing::PixelAt;
using testing::Solid;

struct TPixelCase
{
    const char* name;
    uint32_t source, destination;
    int mode, opacity;
    uint32_t multiply, add;
    int mask; // blue byte of the destination mask, -1 = none
    uint32_t expected;
    bool flaggedTransparent = false; // forces the alpha-blend kernel for an opaque source
};

const TPixelCase PixelCases[] = {
    {"opaque copy", 0xFF123456, 0x80FFFFFF, 0, 255, 0xFFFFFF, 0, -1, 0xFF123456},
    {"multiply FFFFFE on white", 0xFFFFFFFF, 0x00000000, 0, 255, 0xFFFFFE, 0, -1, 0xFEFEFEFD},
    {"add colour saturates", 0xFF102030, 0, 0, 255, 0xFFFFFF, 0x0000F0F0, -1, 0xFF10FFFF},
    {"alpha 255 replaces", 0xFF102030, 0x80A0B0C0, 2, 255, 0xFFFFFF, 0, -1, 0xFF102030, true},
    {"alpha 0 keeps", 0x00FFFFFF, 0x80A0B0C0, 0, 255, 0xFFFFFF, 0, -1, 0x80A0B0C0},
    {"alpha 128 onto alpha 0", 0x80FFFFFF, 0x00000000, 0, 255, 0xFFFFFF, 0, -1, 0x407F7F7F},
    {"opacity 128", 0xFEFFFFFF, 0xFF000000, 0, 128, 0xFFFFFF, 0, -1, 0xC07D7D7D},
    {"mask 128", 0xFFFFFFFF, 0xFF000000, 0, 255, 0xFFFFFF, 0, 128, 0xBF7F7F7F},
    {"mask 0", 0xFFFFFFFF, 0xFF000000, 0, 255, 0xFFFFFF, 0, 0, 0xFF000000},
    {"add white saturates", 0xFFFFFFFF, 0x80102030, 9, 255, 0xFFFFFF, 0, -1, 0xFFFFFFFF},
    {"subtract white gives 0", 0xFFFFFFFF, 0xFF102030, 10, 255, 0xFFFFFF, 0, -1, 0x00000000},
    {"screen", 0xFF808080, 0xFF808080, 4, 255, 0xFFFFFF, 0, -1, 0xFFC0C0C0},
    {"screen half alpha", 0x80FFFFFF, 0xFF000000, 4, 255, 0xFFFFFF, 0, -1, 0xFF808080},
    {"multiply", 0xFF808080, 0xFF808080, 5, 255, 0xFFFFFF, 0, -1, 0xFF404040},
    {"multiply alpha 0 keeps", 0x00123456, 0xFF9ABCDE, 5, 255, 0xFFFFFF, 0, -1, 0xFF9ABCDE},
    {"multiply half alpha", 0x80000000, 0xFFFFFFFF, 5, 255, 0xFFFFFF, 0, -1, 0xBE7C7C7C},
    {"difference", 0xFF204060, 0xFF604020, 6, 255, 0xFFFFFF, 0, -1, 0x00400040},
    {"lighten", 0xFF204060, 0x80604020, 7, 255, 0xFFFFFF, 0, -1, 0xFF604060},
    {"darken", 0xFF204060, 0x80604020, 8, 255, 0xFFFFFF, 0, -1, 0x80204020},
    {"darken half alpha", 0x80000000, 0xFFFFFFFF, 8, 255, 0xFFFFFF, 0, -1, 0xBE7D7D7D},
    {"add half alpha", 0x80FF0000, 0xFF000000, 9, 255, 0xFFFFFF, 0, -1, 0xFF800000},
    {"subtract half alpha", 0x80FFFFFF, 0xFF808080, 10, 255, 0xFFFFFF, 0, -1, 0xBF000000},
    {"mode byte: high bit ignored", 0xFFFFFFFF, 0x80102030, 0x89, 255, 0xFFFFFF, 0, -1, 0xFFFFFFFF},
    {"mode 11 is normal", 0x80FFFFFF, 0x00000000, 11, 255, 0xFFFFFF, 0, -1, 0x407F7F7F},
};

TEST(BlendPixel, CompositionTable)
{
    for (const TPixelCase& c : PixelCases) {
        SCOPED_TRACE(c.name);
        TARGB8888 source, destination, mask;
        Solid(source, 2, 2, c.source);
        Solid(destination, 2, 2, c.destination);
        if (c.flaggedTransparent) source.SetTransparencyProvider([] { return true; });
        if (c.mask >= 0) {
            Solid(mask, 2, 2, 0xFF000000u | static_cast<uint32_t>(c.mask));
            destination.Buffer()->SetMaskLink(mask.Buffer());
        }
        DrawRect(source, destination, 0, 0, 0, 0, 2, 2, 0, 2, c.mode, c.opacity, c.multiply, c.add);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(PixelAt(destination, x, y), c.expected) << std::hex << x << "," << y;
    }
}

// A mask link of another size is not used.
TEST(BlendPixel, MaskOfOtherSizeIgnored)
{
    TARGB8888 source, destination, mask;
    Solid(source, 2, 2, 0xFFFFFFFF);
    Solid(destination, 2, 2, 0xFF000000);
    Solid(mask, 3, 2, 0xFF000000);
    destination.Buffer()->SetMaskLink(mask.Buffer());
    DrawRect(source, destination, 0, 0, 0, 0, 2, 2, 0, 2, 0, 255, 0xFFFFFF, 0);
    EXPECT_EQ(PixelAt(destination, 1, 1), 0xFFFFFFFFu);
}

TEST(BlendPixel, Operations)
{
    using namespace blend;
    // Bilinear halves round towards minus infinity on both sides.
    EXPECT_EQ(Bilinear(0xFF000000, 0xFF0000FF, 0xFF000000, 0xFF0000FF, 64, 0), 0xFF00007Fu);
    EXPECT_EQ(Bilinear(0xFF0000FF, 0xFF000000, 0xFF0000FF, 0xFF000000, 64, 0), 0xFF00007Fu);
    EXPECT_EQ(Bilinear(0x00000000, 0x00000000, 0xFFFFFFFF, 0xFFFFFFFF, 0, 127), 0xFDFDFDFDu);
    EXPECT_EQ(SumColour(0x00F08010, 0x00204030, 0x1FF), 0xFFFFC040u);
    EXPECT_EQ(BlendOperator(0x84), 4);
    EXPECT_EQ(BlendOperator(3), 0);
}

TEST(BlendPixel, DrawNothingCases)
{
    TARGB8888 source, destination, empty;
    Solid(source, 2, 2, 0xFFFFFFFF);
    Solid(destination, 2, 2, 0xFF123456);
    DrawRect(source, destination, 0, 0, 0, 0, 2, 2, 0, 2, 0, 0, 0xFFFFFF, 0);
    DrawRect(source, destination, 0, 0, 0, 0, 2, 2, 0, 2, 0, -5, 0xFFFFFF, 0);
    DrawRect(empty, destination, 0, 0, 0, 0, 2, 2, 0, 2, 0, 255, 0xFFFFFF, 0);
    DrawRect(source, empty, 0, 0, 0, 0, 2, 2, 0, 2, 0, 255, 0xFFFFFF, 0);
    DrawRect(source, destination, 0, 0, 0, 0, 2, 2, 1, 1, 0, 255, 0xFFFFFF, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(PixelAt(destination, x, y), 0xFF123456u);
}

} // namespace
} // namespace tsukimi
