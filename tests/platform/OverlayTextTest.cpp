#include "platform/FreeTypeOverlayText.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace tsukimi::platform {
namespace {

constexpr uint32_t kBack = 0xFF000040;
constexpr uint32_t kFore = 0xFFFFFFFF;
constexpr uint32_t kUntouched = 0x12345678;

struct Canvas
{
    int width = 120, height = 40;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(120 * 40, kUntouched);
    MutableFrame Frame() { return {pixels.data(), width, height, width}; }
    size_t Count(uint32_t value) const { return std::count(pixels.begin(), pixels.end(), value); }
};

TEST(OverlayTextTest, DrawsGlyphsOverTheBackgroundBox)
{
    int index = 0;
    if (FindJapaneseFont("IPAGothic", &index).empty()) GTEST_SKIP() << "no Japanese font installed";
    auto overlay = CreateOverlayText("IPAGothic");
    Canvas canvas;
    // "停止中"
    const int width =
        overlay->Draw(canvas.Frame(), 4, 2, "\x92\xE2\x8E\x7E\x92\x86", 16, kFore, kBack);
    EXPECT_GE(width, 3 * 12);
    EXPECT_LE(width, 3 * 20);
    size_t glyphPixels = 0;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const uint32_t p = canvas.pixels[y * canvas.width + x];
            const bool inside = x >= 4 && x < 4 + width && y >= 2 && y < 18;
            if (!inside)
                ASSERT_EQ(p, kUntouched) << x << "," << y;
            else if (p != kBack)
                ++glyphPixels;
        }
    EXPECT_GT(glyphPixels, 30u);
}

TEST(OverlayTextTest, ClipsToTheFrame)
{
    auto overlay = CreateOverlayText("IPAGothic");
    Canvas canvas;
    // Partly off every edge: nothing is written outside the buffer (the
    // sanitizers watch), and what is inside is drawn.
    overlay->Draw(canvas.Frame(), -10, -5, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 24, kFore, kBack);
    overlay->Draw(canvas.Frame(), 100, 30, "\x92\xE2\x8E\x7E\x92\x86", 24, kFore, kBack);
    EXPECT_GT(canvas.Count(kBack), 0u);
    EXPECT_EQ(overlay->Draw(canvas.Frame(), 0, 0, "", 16, kFore, kBack), 0);
    EXPECT_EQ(overlay->Draw(canvas.Frame(), 0, 0, "A", 0, kFore, kBack), 0);
}

TEST(OverlayTextTest, WithoutAFontDrawsBoxesOnly)
{
    FreeTypeOverlayText overlay("", 0);
    Canvas canvas;
    EXPECT_EQ(overlay.Draw(canvas.Frame(), 1, 1, "abcd", 10, kFore, kBack), 20);
    EXPECT_EQ(canvas.Count(kBack), 20u * 10u);
    EXPECT_EQ(canvas.Count(kFore), 0u);
}

} // namespace
} // namespace tsukimi::platform
