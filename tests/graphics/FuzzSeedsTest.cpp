// The seed corpora of the image fuzz targets (fuzz/corpus/LoadBmp, LoadPng,
// LoadJpeg, LoadArgb). Every seed must decode. With
// TSUKIMI_WRITE_FUZZ_CORPUS=<folder> set, the seeds are (re)written to
// <folder>/<target>/.
#include "graphics/ARGB8888.h"
#include "graphics/ImageFixtures.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tsukimi {
namespace {

using namespace testing;

struct Seed
{
    std::string target, file;
    Bytes bytes;
};

Bytes Bmp(int bits, uint32_t compression, Bytes pixels, int w, int h,
          std::vector<uint32_t> palette = {})
{
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bits = static_cast<uint16_t>(bits);
    s.compression = compression;
    s.colorsUsed = static_cast<uint32_t>(palette.size());
    s.palette = std::move(palette);
    s.pixels = std::move(pixels);
    return MakeBmp(s);
}

std::vector<uint32_t> Values(int count, uint32_t mask)
{
    std::vector<uint32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back((static_cast<uint32_t>(i) * 0x9E3779B1u >> 7) & mask);
    return out;
}

Bytes Png(int type, int depth, int w, int h, bool interlace = false)
{
    PngLayout s;
    s.width = w;
    s.height = h;
    s.colorType = type;
    s.bitDepth = depth;
    s.interlace = interlace;
    const int channels = type == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : type == PNG_COLOR_TYPE_RGB     ? 3
                         : type == 4                      ? 2
                                                          : 1;
    const uint16_t top =
        static_cast<uint16_t>(type == PNG_COLOR_TYPE_PALETTE ? 3 : (1u << depth) - 1);
    for (uint8_t v : Pattern(w, h, channels))
        s.samples.push_back(static_cast<uint16_t>(v * 257u % (top + 1u)));
    if (type == PNG_COLOR_TYPE_PALETTE) {
        s.palette = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
        s.trnsAlpha = {0, 128};
    }
    return MakePng(s);
}

std::vector<Seed> Seeds()
{
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<Seed> seeds;
    seeds.push_back({"LoadBmp", "1bit.bmp",
                     Bmp(1, 0, PackRows(1, 9, 3, Values(27, 1), false), 9, 3, {0, 0xFFFFFF})});
    seeds.push_back(
        {"LoadBmp", "4bit.bmp", Bmp(4, 0, PackRows(4, 5, 3, Values(15, 3), false), 5, 3, palette)});
    seeds.push_back(
        {"LoadBmp", "8bit.bmp", Bmp(8, 0, PackRows(8, 5, 3, Values(15, 3), false), 5, 3, palette)});
    seeds.push_back(
        {"LoadBmp", "16bit.bmp", Bmp(16, 0, PackRows(16, 4, 2, Values(8, 0x7FFF), false), 4, 2)});
    seeds.push_back({"LoadBmp", "24bit.bmp",
                     Bmp(24, 0, PackRows(24, 5, 3, Values(15, 0xFFFFFF), false), 5, -3)});
    seeds.push_back({"LoadBmp", "32bit.bmp",
                     Bmp(32, 0, PackRows(32, 3, 3, Values(9, 0xFFFFFFFF), false), 3, 3)});
    seeds.push_back(
        {"LoadBmp", "rle8.bmp",
         Bmp(8, 1, {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1}, 6, 2, palette)});
    seeds.push_back({"LoadBmp", "rle4.bmp",
                     Bmp(4, 2, {4, 0x12, 0, 3, 0x34, 0x10, 0, 0, 2, 0x44, 0, 1}, 7, 2, palette)});

    seeds.push_back({"LoadPng", "rgb.png", Png(PNG_COLOR_TYPE_RGB, 8, 6, 4)});
    seeds.push_back(
        {"LoadPng", "rgba-interlaced.png", Png(PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 9, true)});
    seeds.push_back({"LoadPng", "palette.png", Png(PNG_COLOR_TYPE_PALETTE, 2, 5, 3)});
    seeds.push_back({"LoadPng", "grey16.png", Png(PNG_COLOR_TYPE_GRAY, 16, 4, 4)});
    seeds.push_back({"LoadPng", "greyalpha.png", Png(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 3, 3)});
    Bytes prefixed = {'A', 'B', 'C', 'D'};
    const Bytes rgb = Png(PNG_COLOR_TYPE_RGB, 8, 3, 2);
    prefixed.insert(prefixed.end(), rgb.begin(), rgb.end());
    seeds.push_back({"LoadPng", "prefixed.png", prefixed});

    const Bytes jpeg = MakeJpeg(17, 9, 3, Pattern(17, 9, 3), 70);
    const Bytes greyJpeg = MakeJpeg(17, 9, 1, Pattern(17, 9, 1), 70);
    seeds.push_back({"LoadJpeg", "baseline.jpg", jpeg});
    seeds.push_back(
        {"LoadJpeg", "progressive.jpg", MakeJpeg(17, 9, 3, Pattern(17, 9, 3), 70, true)});
    seeds.push_back({"LoadJpeg", "grey.jpg", greyJpeg});

    const Bytes colourPng = Png(PNG_COLOR_TYPE_RGB, 8, 17, 9);
    const char* magic = "ARGBSaveData1";
    seeds.push_back({"LoadArgb", "type0.argb", MakeArgb(magic, 0, seeds[4].bytes, {})});
    seeds.push_back({"LoadArgb", "type1.argb", MakeArgb(magic, 1, seeds[9].bytes, {})});
    seeds.push_back({"LoadArgb", "type2.argb", MakeArgb(magic, 2, jpeg, greyJpeg)});
    seeds.push_back({"LoadArgb", "type3.argb", MakeArgb(magic, 3, jpeg, colourPng)});
    seeds.push_back({"LoadArgb", "type4.argb", MakeArgb(magic, 4, colourPng, greyJpeg)});
    return seeds;
}

std::string ExtensionFor(const std::string& target)
{
    if (target == "LoadBmp") return ".bmp";
    if (target == "LoadPng") return ".png";
    if (target == "LoadJpeg") return ".jpg";
    return ".argb";
}

TEST(FuzzSeeds, EverySeedDecodes)
{
    const char* out = std::getenv("TSUKIMI_WRITE_FUZZ_CORPUS");
    for (const Seed& seed : Seeds()) {
        TARGB8888 image;
        EXPECT_NO_THROW(image.LoadFromBytes(seed.bytes, ExtensionFor(seed.target))) << seed.file;
        EXPECT_NE(image.Buffer(), nullptr) << seed.file;
        EXPECT_LT(seed.bytes.size(), 4096u) << seed.file;
        if (out && *out) {
            const std::filesystem::path folder = std::filesystem::path(out) / seed.target;
            std::filesystem::create_directories(folder);
            std::ofstream(folder / seed.file, std::ios::binary)
                .write(reinterpret_cast<const char*>(seed.bytes.data()),
                       static_cast<std::streamsize>(seed.bytes.size()));
        }
    }
}

} // namespace
} // namespace tsukimi
