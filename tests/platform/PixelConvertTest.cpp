#include "platform/PixelConvert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tsukimi::platform {
namespace {

TEST(PixelConvert, KnownPixels)
{
    const uint32_t pixel = 0xFFFF8040u;
    uint16_t out16 = 0;
    ConvertRowScalar(SurfaceFormat::Rgb565, &pixel, &out16, 1);
    EXPECT_EQ(out16, 0xFC08);
    ConvertRowScalar(SurfaceFormat::Rgb555, &pixel, &out16, 1);
    EXPECT_EQ(out16, (31 << 10) | (16 << 5) | 8);
    uint8_t out24[3];
    ConvertRowScalar(SurfaceFormat::Rgb888, &pixel, out24, 1);
    EXPECT_EQ(out24[0], 0x40);
    EXPECT_EQ(out24[1], 0x80);
    EXPECT_EQ(out24[2], 0xFF);
    const uint32_t clear = 0x00123456u;
    uint32_t out32 = 0;
    ConvertRowScalar(SurfaceFormat::Xrgb8888, &clear, &out32, 1);
    EXPECT_EQ(out32, 0xFF123456u);
}

TEST(PixelConvert, EveryColumnAtOddWidthsAndTheFastLevelMatchesTheScalarOne)
{
    std::mt19937 random(7);
    std::vector<uint32_t> source(67);
    for (auto& p : source)
        p = random();
    for (SurfaceFormat format :
         {SurfaceFormat::Xrgb8888, SurfaceFormat::Rgb888, SurfaceFormat::Rgb565, SurfaceFormat::Rgb555}) {
        const size_t bpp = static_cast<size_t>(BytesPerPixel(format));
        for (size_t width = 1; width <= source.size(); ++width) {
            // One guard byte past the row shows nothing is written beyond it.
            std::vector<uint8_t> slow(width * bpp + 1, 0xAB), fast(width * bpp + 1, 0xCD);
            ConvertRowScalar(format, source.data(), slow.data(), width);
            ConvertRow(format, source.data(), fast.data(), width);
            EXPECT_EQ(std::memcmp(slow.data(), fast.data(), width * bpp), 0) << int(format) << " width " << width;
            EXPECT_EQ(slow.back(), 0xAB);
            EXPECT_EQ(fast.back(), 0xCD);
            // The last column is written (no step remainder left out).
            std::vector<uint8_t> single(bpp);
            ConvertRowScalar(format, &source[width - 1], single.data(), 1);
            EXPECT_EQ(std::memcmp(single.data(), fast.data() + (width - 1) * bpp, bpp), 0);
        }
    }
}

} // namespace
} // namespace tsukimi::platform
