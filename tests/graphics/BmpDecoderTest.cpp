// The BMP reader: every depth and compression against exact pixels, the
// alpha rules, and hostile headers and RLE streams.
#include "graphics/ARGB8888.h"
#include "graphics/BmpCodec.h"
#include "graphics/ImageFixtures.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using testing::BmpLayout;
using testing::Bytes;
using testing::MakeBmp;
using testing::PackRows;

std::vector<uint32_t> Pixels(const TARGB8888& image)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            out.push_back(image.Buffer()->Row(y)[x]);
    return out;
}

std::vector<uint32_t> Load(const Bytes& file, const std::string& name = "a.bmp")
{
    TARGB8888 img;
    TMemoryStream stream(file.data(), file.size());
    img.LoadFromStream(stream, name);
    return Pixels(img);
}

const std::vector<uint32_t> Palette4 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                        0xFFFFFF, 0x123456, 0x808080, 0xABCDEF};
// A 3 x 2 image of palette indices, top row first.
const std::vector<uint32_t> Indices = {1, 2, 3, 4, 5, 6};

uint32_t Opaque(uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

std::vector<uint32_t> PaletteImage(const std::vector<uint32_t>& indices)
{
    std::vector<uint32_t> out;
    for (uint32_t i : indices)
        out.push_back(Opaque(Palette4[i]));
    return out;
}

struct DepthCase
{
    const char* name;
    BmpLayout layout;
    std::vector<uint32_t> expected;
};

std::vector<DepthCase> DepthCases()
{
    std::vector<DepthCase> cases;
    {
        BmpLayout s;
        s.width = 3;
        s.height = 2;
        s.bits = 1;
        s.palette = {0x102030, 0xFFEEDD};
        s.pixels = PackRows(1, 3, 2, {1, 0, 1, 0, 1, 1}, false);
        cases.push_back(
            {"1 bit", s, {0xFFFFEEDD, 0xFF102030, 0xFFFFEEDD, 0xFF102030, 0xFFFFEEDD, 0xFFFFEEDD}});
    }
    {
        BmpLayout s;
        s.width = 3;
        s.height = 2;
        s.bits = 4;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = PackRows(4, 3, 2, Indices, false);
        cases.push_back({"4 bits", s, PaletteImage(Indices)});
    }
    {
        BmpLayout s;
        s.width = 3;
        s.height = 2;
        s.bits = 8;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = PackRows(8, 3, 2, Indices, false);
        cases.push_back({"8 bits", s, PaletteImage(Indices)});
    }
    {
        // Core header: 3-byte palette entries, 16-bit sizes.
        BmpLayout s;
        s.headerSize = 12;
        s.width = 3;
        s.height = 2;
        s.bits = 8;
        s.palette = Palette4;
        s.palette.resize(256);
        s.pixels = PackRows(8, 3, 2, Indices, false);
        cases.push_back({"core 8 bits", s, PaletteImage(Indices)});
    }
    {
        // 5-5-5: 0x7C00 red, 0x03E0 green, 0x001F blue; 5 bits scaled to 8.
        BmpLayout s;
        s.width = 3;
        s.height = 1;
        s.bits = 16;
        s.pixels = PackRows(16, 3, 1, {0x7C00, 0x03E0, 0x0421}, false);
        cases.push_back({"16 bits", s, {0xFFFF0000, 0xFF00FF00, 0xFF080808}});
    }
    {
        BmpLayout s;
        s.width = 2;
        s.height = 1;
        s.bits = 16;
        s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = PackRows(16, 2, 1, {0xF800, 0x07E0}, false);
        cases.push_back({"16 bits 5-6-5", s, {0xFFFF0000, 0xFF00FF00}});
    }
    {
        BmpLayout s;
        s.width = 3;
        s.height = 2;
        s.bits = 24;
        s.pixels =
            PackRows(24, 3, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}, false);
        cases.push_back({"24 bits",
                         s,
                         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112}});
    }
    {
        BmpLayout s;
        s.width = 3;
        s.height = -2;
        s.bits = 24;
        s.pixels =
            PackRows(24, 3, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}, true);
        cases.push_back({"24 bits top-down",
                         s,
                         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112}});
    }
    {
        BmpLayout s;
        s.headerSize = 124;
        s.width = 2;
        s.height = 1;
        s.bits = 24;
        s.pixels = PackRows(24, 2, 1, {0xABCDEF, 0x123456}, false);
        cases.push_back({"24 bits version 5 header", s, {0xFFABCDEF, 0xFF123456}});
    }
    {
        BmpLayout s;
        s.width = 2;
        s.height = 2;
        s.bits = 32;
        s.pixels = PackRows(32, 2, 2, {0x80112233, 0x00445566, 0xFF778899, 0x7FAABBCC}, false);
        cases.push_back(
            {"32 bits keeps alpha", s, {0x80112233, 0x00445566, 0xFF778899, 0x7FAABBCC}});
    }
    {
        // Version 4 header with bit fields in another order: 0xRRGGBBAA.
        BmpLayout s;
        s.headerSize = 108;
        s.width = 2;
        s.height = 1;
        s.bits = 32;
        s.compression = 3;
        s.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
        s.pixels = PackRows(32, 2, 1, {0x11223344, 0xAABBCCDD}, false);
        cases.push_back({"32 bits bit fields", s, {0x44112233, 0xDDAABBCC}});
    }
    {
        // RLE8, bottom row first: two runs, end of line; a delta over one
        // pixel, a run, end of bitmap. The skipped pixel is black.
        BmpLayout s;
        s.width = 4;
        s.height = 2;
        s.bits = 8;
        s.compression = 1;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = {2, 1, 2, 2, 0, 0, 0, 2, 1, 0, 3, 5, 0, 1};
        cases.push_back({"RLE8",
                         s,
                         {0xFF000000, Opaque(0x123456), Opaque(0x123456), Opaque(0x123456),
                          Opaque(0xFF0000), Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x00FF00)}});
    }
    {
        // RLE8 absolute block of 3 (padded to 4 bytes).
        BmpLayout s;
        s.width = 3;
        s.height = 1;
        s.bits = 8;
        s.compression = 1;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = {0, 3, 4, 5, 6, 0, 0, 1};
        cases.push_back({"RLE8 absolute", s, PaletteImage({4, 5, 6})});
    }
    {
        // RLE4: run of 3 alternating 1 and 2; absolute 3 nibbles 4 5 6
        // (2 bytes, already even).
        BmpLayout s;
        s.width = 6;
        s.height = 1;
        s.bits = 4;
        s.compression = 2;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 1};
        cases.push_back({"RLE4", s, PaletteImage({1, 2, 1, 4, 5, 6})});
    }
    return cases;
}

TEST(BmpDecoder, DecodesEveryDepthAndCompression)
{
    for (const DepthCase& c : DepthCases()) {
        EXPECT_EQ(Load(MakeBmp(c.layout)), c.expected) << c.name;
    }
}

TEST(BmpDecoder, AlphaRules)
{
    // A 32-bit file whose fourth bytes are 0 loads fully transparent.
    BmpLayout s32;
    s32.width = 2;
    s32.height = 2;
    s32.bits = 32;
    s32.pixels = PackRows(32, 2, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC}, false);
    TARGB8888 image;
    TMemoryStream stream(MakeBmp(s32));
    image.LoadFromStream(stream, "Zero.BMP");
    ASSERT_EQ(image.Width(), 2);
    EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{0x112233, 0x445566, 0x778899, 0xAABBCC}));
    EXPECT_TRUE(image.IsTransparent());

    // Other depths: alpha 255 for files, the given alpha inside containers.
    BmpLayout s24;
    s24.width = 2;
    s24.height = 2;
    s24.bits = 24;
    s24.pixels = PackRows(24, 2, 2, {1, 2, 3, 4}, false);
    const Bytes file = MakeBmp(s24);
    TMemoryStream stream24(file);
    image.LoadBmp(stream24);
    EXPECT_FALSE(image.IsTransparent());
    EXPECT_EQ(Pixels(image),
              (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004}));
    EXPECT_EQ(DecodeBmp(file, 0)->Row(1)[1], 0x00000004u);
}

TEST(BmpDecoder, BorderIsUpdatedAfterLoading)
{
    BmpLayout s;
    s.width = 2;
    s.height = 1;
    s.bits = 24;
    s.pixels = PackRows(24, 2, 1, {0x111111, 0x222222}, false);
    TARGB8888 image;
    TMemoryStream stream(MakeBmp(s));
    image.LoadBmp(stream);
    const uint32_t* row = image.Buffer()->Row(0);
    EXPECT_EQ(row[-1], 0xFF111111u);
    EXPECT_EQ(row[2], 0xFF222222u);
    EXPECT_EQ(row[-image.Buffer()->StridePixels() - 1], 0xFF111111u);
    EXPECT_EQ(row[image.Buffer()->StridePixels() + 2], 0xFF222222u);
}

TEST(BmpDecoder, EncoderRoundTrip)
{
    TARGB8888 image;
    image.SetSize(3, 2);
    image.FillRect(0, 0, 0x80FF0000, 1, 3);
    image.FillRect(1, 1, 0xFF00FF00, 2, 2);
    TMemoryStream out;
    ASSERT_TRUE(image.SaveBmp(&out));
    EXPECT_EQ(out.Size(), 54u + 3 * 2 * 4);
    out.Rewind();
    TARGB8888 back;
    back.LoadBmp(out);
    EXPECT_EQ(Pixels(back), Pixels(image));
    EXPECT_FALSE(TARGB8888().SaveBmp(&out));
    EXPECT_FALSE(image.SaveBmp(nullptr));
}

Bytes Valid8Bit()
{
    BmpLayout s;
    s.width = 3;
    s.height = 2;
    s.bits = 8;
    s.colorsUsed = 8;
    s.palette = Palette4;
    s.pixels = PackRows(8, 3, 2, Indices, false);
    return MakeBmp(s);
}

void Poke32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct HostileCase
{
    const char* name;
    Bytes file;
};

std::vector<HostileCase> HostileCases()
{
    std::vector<HostileCase> cases;
    const Bytes good = Valid8Bit();
    for (size_t cut :
         {size_t{0}, size_t{1}, size_t{10}, size_t{20}, size_t{54}, size_t{80}, good.size() - 1})
        cases.push_back(
            {"truncated", Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut))});
    auto patched = [&](const char* name, size_t at, uint32_t value) {
        Bytes b = good;
        Poke32(b, at, value);
        cases.push_back({name, b});
    };
    patched("65500 x 65500", 18, 65500);
    cases.back().file[22] = 0xDC;
    cases.back().file[23] = 0xFF;
    patched("width 0", 18, 0);
    patched("height 0", 22, 0);
    patched("negative width", 18, 0xFFFFFFFD);
    patched("height INT_MIN", 22, 0x80000000);
    patched("header size 41", 14, 41);
    patched("header size huge", 14, 0xFFFFFFF0);
    patched("palette overflow", 46, 300);
    patched("palette past the pixels", 46, 200);
    patched("pixel offset past the end", 10, 5000);
    patched("pixel offset inside the header", 10, 20);
    patched("depth 7", 28, 7);
    patched("compression 4", 30, 4);
    patched("RLE4 with 8 bits", 30, 2);
    {
        BmpLayout s;
        s.width = 20000;
        s.height = 20000;
        s.bits = 24;
        cases.push_back({"over the side cap", MakeBmp(s)});
    }
    {
        BmpLayout s;
        s.width = 16384;
        s.height = 16384;
        s.bits = 32;
        s.pixels.resize(1000);
        cases.push_back({"rows past the end", MakeBmp(s)});
    }
    auto rle = [&](const char* name, Bytes stream, int32_t height = 2) {
        BmpLayout s;
        s.width = 4;
        s.height = height;
        s.bits = 8;
        s.compression = 1;
        s.colorsUsed = 8;
        s.palette = Palette4;
        s.pixels = std::move(stream);
        cases.push_back({name, MakeBmp(s)});
    };
    rle("RLE run past the row", {5, 1, 0, 1});
    rle("RLE absolute past the row", {0, 5, 1, 2, 3, 4, 5, 0, 0, 1});
    rle("RLE absolute past the data", {0, 4, 1, 2});
    rle("RLE delta past the image", {0, 2, 9, 0, 0, 1});
    rle("RLE rows past the image", {0, 0, 0, 0, 0, 0, 1, 1, 0, 1});
    rle("RLE without end", {4, 1});
    rle("RLE top-down", {4, 1, 0, 1}, -2);
    return cases;
}

TEST(BmpDecoder, HostileFilesFailCleanly)
{
    for (const HostileCase& c : HostileCases()) {
        TARGB8888 img;
        img.SetSize(1, 1);
        TMemoryStream stream(c.file.data(), c.file.size());
        try {
            img.LoadFromStream(stream, "bad.bmp");
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const ImageLoadError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("bad.bmp") + texts::kLoadFailedSuffix)
                << c.name;
        }
        EXPECT_EQ(img.Buffer(), nullptr) << c.name;
        EXPECT_EQ(img.Width(), 0) << c.name;
    }
}

TEST(BmpDecoder, RawDecoderReportsTheBitmapFailure)
{
    try {
        DecodeBmp(Bytes{'B', 'M'}, 255);
        ADD_FAILURE();
    } catch (const ImageDecodeError& e) {
        EXPECT_STREQ(e.what(), texts::kBitmapReadFailed);
    }
}

} // namespace
} // namespace tsukimi
