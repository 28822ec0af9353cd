#include "graphics/IcoDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace tsukimi {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// One bitmap image of an icon: header, palette (8-bit), colour rows
// bottom-up, then the transparency mask.
std::vector<uint8_t> Dib(int size, int bits, uint32_t colour, bool maskTopLeft)
{
    std::vector<uint8_t> d;
    Put32(d, 40);
    Put32(d, static_cast<uint32_t>(size));
    Put32(d, static_cast<uint32_t>(size * 2));
    Put16(d, 1);
    Put16(d, static_cast<uint32_t>(bits));
    for (int i = 0; i < 6; ++i)
        Put32(d, 0);
    if (bits == 8) {
        Put32(d, 0);      // palette entry 0: black
        Put32(d, colour); // entry 1
        for (int i = 2; i < 256; ++i)
            Put32(d, 0);
    }
    const int rowBytes = ((size * bits + 31) / 32) * 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < rowBytes; ++x)
            d.push_back(bits == 32 ? static_cast<uint8_t>(colour >> (8 * (x % 4))) : static_cast<uint8_t>(x < size));
    const int maskRow = ((size + 31) / 32) * 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < maskRow; ++x)
            // The last row in the file is the top row of the image.
            d.push_back(maskTopLeft && y == size - 1 && x == 0 ? 0x80 : 0);
    return d;
}

std::vector<uint8_t> Ico(const std::vector<std::pair<int, std::vector<uint8_t>>>& images, int bits)
{
    std::vector<uint8_t> f;
    Put16(f, 0);
    Put16(f, 1);
    Put16(f, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (const auto& [size, dib] : images) {
        f.push_back(static_cast<uint8_t>(size));
        f.push_back(static_cast<uint8_t>(size));
        f.push_back(0);
        f.push_back(0);
        Put16(f, 1);
        Put16(f, static_cast<uint32_t>(bits));
        Put32(f, static_cast<uint32_t>(dib.size()));
        Put32(f, offset);
        offset += static_cast<uint32_t>(dib.size());
    }
    for (const auto& image : images)
        f.insert(f.end(), image.second.begin(), image.second.end());
    return f;
}

TEST(IcoDecoder, TakesTheLargestImageWithItsAlpha)
{
    const auto file = Ico({{16, Dib(16, 32, 0x80FF0000u, false)}, {32, Dib(32, 32, 0xFF00FF00u, false)}}, 32);
    const auto icon = DecodeIco(file);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Width, 32);
    EXPECT_EQ(icon->Pixels[0], 0xFF00FF00u);
}

TEST(IcoDecoder, EightBitImagesUseThePaletteAndTheMask)
{
    const auto file = Ico({{8, Dib(8, 8, 0x00336699u, true)}}, 8);
    const auto icon = DecodeIco(file);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Pixels[0] >> 24, 0u) << "masked top-left pixel";
    EXPECT_EQ(icon->Pixels[1], 0xFF336699u);
}

TEST(IcoDecoder, DamagedFilesGiveNothing)
{
    auto file = Ico({{16, Dib(16, 32, 0xFF000000u, false)}}, 32);
    EXPECT_FALSE(DecodeIco(std::vector<uint8_t>(file.begin(), file.begin() + 30)));
    EXPECT_FALSE(DecodeIco(std::vector<uint8_t>(file.begin(), file.end() - 200)));
    auto bad = file;
    bad[4] = 0xFF; // 255 entries announced
    EXPECT_FALSE(DecodeIco(bad));
    bad = file;
    bad[18] = 0xFF; // an offset far past the end
    bad[19] = 0xFF;
    EXPECT_FALSE(DecodeIco(bad));
    EXPECT_FALSE(DecodeIco(Ico({{16, Dib(16, 4, 0, false)}}, 4))) << "4-bit images are not used";
}

} // namespace
} // namespace tsukimi
