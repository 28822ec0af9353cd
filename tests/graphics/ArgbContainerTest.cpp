// The ".argb" container: each payload type, the magic rule, and damaged
// containers (mismatched masks, payloads past the end).
#include "graphics/ARGB8888.h"
#include "graphics/ImageFixtures.h"

#include <png.h>

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using namespace testing;

constexpr const char* Magic = "ARGBSaveData1";
constexpr int W = 5, H = 3;

Bytes Bmp24()
{
    BmpLayout s;
    s.width = W;
    s.height = H;
    s.bits = 24;
    std::vector<uint32_t> values;
    for (int i = 0; i < W * H; ++i)
        values.push_back(0x010203u * static_cast<uint32_t>(i + 1));
    s.pixels = PackRows(24, W, H, values, false);
    return MakeBmp(s);
}

Bytes PngOf(int type, int w, int h, int seed)
{
    PngLayout s;
    s.width = w;
    s.height = h;
    s.colorType = type;
    const int channels = type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    for (uint8_t v : Pattern(w, h, channels, seed))
        s.samples.push_back(v);
    return MakePng(s);
}

std::vector<uint32_t> Load(const Bytes& bytes, const std::string& name, bool* threw = nullptr)
{
    TARGB8888 image;
    TMemoryStream stream(bytes);
    try {
        image.LoadFromStream(stream, name);
        if (threw) *threw = false;
    } catch (const ImageLoadError&) {
        if (threw) *threw = true;
    }
    return PixelsOf(image);
}

std::vector<uint32_t> WithAlpha(std::vector<uint32_t> colour, const std::vector<uint8_t>& alpha)
{
    for (size_t i = 0; i < colour.size(); ++i)
        colour[i] = (colour[i] & 0xFFFFFF) | uint32_t{alpha[i]} << 24;
    return colour;
}

std::vector<uint8_t> GreenBytes(const std::vector<uint32_t>& pixels)
{
    std::vector<uint8_t> out;
    for (uint32_t p : pixels)
        out.push_back(static_cast<uint8_t>(p >> 8));
    return out;
}

TEST(ArgbContainer, EachPayloadType)
{
    const Bytes bmp = Bmp24();
    const Bytes jpeg = MakeJpeg(W, H, 3, Pattern(W, H, 3), 90);
    const Bytes greyJpeg = MakeJpeg(W, H, 1, Pattern(W, H, 1, 5), 90);
    const Bytes rgbPng = PngOf(PNG_COLOR_TYPE_RGB, W, H, 1);
    const Bytes rgbaPng = PngOf(PNG_COLOR_TYPE_RGB_ALPHA, W, H, 2);
    const Bytes maskPng = PngOf(PNG_COLOR_TYPE_RGB, W, H, 3);

    const std::vector<uint32_t> bmpPixels = Load(bmp, "a.bmp");
    const std::vector<uint32_t> jpegPixels = Load(jpeg, "a.jpg");
    std::vector<uint8_t> greyMask;
    for (uint8_t g : ReferenceJpegDecode(greyJpeg, 1))
        greyMask.push_back(g);

    // Type 0: a 24-bit BMP gets alpha 0 (as a file it has alpha 255).
    EXPECT_EQ(Load(MakeArgb(Magic, 0, bmp, {}), "a.argb"),
              WithAlpha(bmpPixels, std::vector<uint8_t>(W * H, 0)));
    // Type 1: the PNG as it loads on its own.
    EXPECT_EQ(Load(MakeArgb(Magic, 1, rgbaPng, {}), "a.argb"), Load(rgbaPng, "a.png"));
    // Type 2: JPEG colour, alpha from the grey JPEG.
    EXPECT_EQ(Load(MakeArgb(Magic, 2, jpeg, greyJpeg), "a.argb"), WithAlpha(jpegPixels, greyMask));
    // Type 3: JPEG colour, alpha from the PNG mask's green bytes.
    EXPECT_EQ(Load(MakeArgb(Magic, 3, jpeg, maskPng), "a.argb"),
              WithAlpha(jpegPixels, GreenBytes(Load(maskPng, "m.png"))));
    // Type 4: PNG colour, the mask OR-ed into its alpha (0 for an RGB PNG).
    EXPECT_EQ(Load(MakeArgb(Magic, 4, rgbPng, greyJpeg), "a.argb"),
              WithAlpha(Load(rgbPng, "c.png"), greyMask));
    std::vector<uint32_t> combined = Load(rgbaPng, "c.png");
    for (size_t i = 0; i < combined.size(); ++i)
        combined[i] |= uint32_t{greyMask[i]} << 24;
    EXPECT_EQ(Load(MakeArgb(Magic, 4, rgbaPng, greyJpeg), "a.argb"), combined);
}

TEST(ArgbContainer, MagicAndType)
{
    const Bytes png = PngOf(PNG_COLOR_TYPE_RGB, 2, 2, 0);
    const std::vector<uint32_t> expected = Load(png, "a.png");
    bool threw = true;
    EXPECT_EQ(Load(MakeArgb("argbsavedata1", 1, png, {}), "A.ARGB", &threw), expected);
    EXPECT_FALSE(threw);
    // Wrong magics and unknown types: no image, no error.
    for (const Bytes& bytes :
         {MakeArgb("ARGBSaveData1x", 1, png, {}), MakeArgb("ARGBSaveData", 1, png, {}),
          MakeArgb("ARGBSaveData2", 1, png, {}), MakeArgb(Magic, 5, png, {})}) {
        EXPECT_TRUE(Load(bytes, "a.argb", &threw).empty());
        EXPECT_FALSE(threw);
    }
}

TEST(ArgbContainer, DamagedContainersFailWithoutReadingPastTheData)
{
    const Bytes jpeg = MakeJpeg(W, H, 3, Pattern(W, H, 3));
    const Bytes png = PngOf(PNG_COLOR_TYPE_RGB, W, H, 0);
    const Bytes bigMask = MakeJpeg(W + 1, H, 1, Pattern(W + 1, H, 1));
    const Bytes lowMaskPng = PngOf(PNG_COLOR_TYPE_RGB, W, H - 1, 0);
    const Bytes full = MakeArgb(Magic, 2, jpeg, MakeJpeg(W, H, 1, Pattern(W, H, 1)));
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"mask wider than the colour", MakeArgb(Magic, 2, jpeg, bigMask)},
        {"mask lower than the colour", MakeArgb(Magic, 3, jpeg, lowMaskPng)},
        {"mask narrower (type 4)",
         MakeArgb(Magic, 4, png, MakeJpeg(W - 1, H, 1, Pattern(W - 1, H, 1)))},
        {"payload 1 past the end",
         MakeArgb(Magic, 1, png, {}, static_cast<int64_t>(png.size()) + 1)},
        {"payload 1 of 2 GiB", MakeArgb(Magic, 1, png, {}, 0x7FFFFFFF)},
        {"payload 2 past the end", MakeArgb(Magic, 2, jpeg, bigMask, -1, 100000)},
        {"negative length: empty payload", MakeArgb(Magic, 0, png, {}, -5)},
        {"missing mask", MakeArgb(Magic, 2, jpeg, {})},
        {"header cut", Bytes(full.begin(), full.begin() + 20)},
        {"magic cut", Bytes(full.begin(), full.begin() + 10)},
        {"colour cut", Bytes(full.begin(), full.begin() + 200)},
    };
    for (const auto& [name, bytes] : cases) {
        bool threw = false;
        EXPECT_TRUE(Load(bytes, "d.argb", &threw).empty()) << name;
        EXPECT_TRUE(threw) << name;
    }
}

} // namespace
} // namespace tsukimi
