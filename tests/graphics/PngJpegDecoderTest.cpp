// PNG and JPEG decoding through the engine's loader: colour types, bit
// depths and the 4-byte prefix for PNG; the exact libjpeg settings, the
// message box and the encoder for JPEG; damaged and oversized files.
#include "graphics/ARGB8888.h"
#include "graphics/ImageFixtures.h"
#include "graphics/JpegCodec.h"
#include "platform/Dialogs.h"

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using namespace testing;

std::unique_ptr<TARGB8888> LoadAs(const Bytes& bytes, const std::string& name,
                                  TImageLoadOptions options = {})
{
    auto image = std::make_unique<TARGB8888>();
    TMemoryStream stream(bytes);
    image->LoadFromStream(stream, name, options);
    return image;
}

struct PngCase
{
    const char* name;
    PngLayout layout;
    std::vector<uint32_t> expected;
};

PngLayout Png(int width, int height, int type, int depth, std::vector<uint16_t> samples)
{
    PngLayout s;
    s.width = width;
    s.height = height;
    s.colorType = type;
    s.bitDepth = depth;
    s.samples = std::move(samples);
    return s;
}

std::vector<PngCase> PngCases()
{
    std::vector<PngCase> cases;
    cases.push_back({"RGB",
                     Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 250, 251, 252}),
                     {0xFF010203, 0xFFFAFBFC}});
    cases.push_back({"RGBA",
                     Png(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 0, 4, 5, 6, 128}),
                     {0x00010203, 0x80040506}});
    cases.push_back(
        {"grey", Png(2, 1, PNG_COLOR_TYPE_GRAY, 8, {0x10, 0xF0}), {0xFF101010, 0xFFF0F0F0}});
    cases.push_back({"grey 1 bit",
                     Png(3, 1, PNG_COLOR_TYPE_GRAY, 1, {1, 0, 1}),
                     {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}});
    cases.push_back({"grey and alpha",
                     Png(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0x20, 0x40, 0x60, 0xFF}),
                     {0x40202020, 0xFF606060}});
    {
        PngLayout s = Png(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1});
        s.palette = {0x112233, 0x445566, 0x778899};
        cases.push_back({"palette", s, {0xFF778899, 0xFF112233, 0xFF445566}});
    }
    {
        PngLayout s = Png(3, 1, PNG_COLOR_TYPE_PALETTE, 4, {2, 0, 1});
        s.palette = {0x112233, 0x445566, 0x778899};
        s.trnsAlpha = {0, 0x80};
        cases.push_back({"palette with transparency", s, {0xFF778899, 0x00112233, 0x80445566}});
    }
    {
        PngLayout s = Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {9, 9, 9, 7, 7, 7});
        s.trnsColour = true;
        s.trnsR = s.trnsG = s.trnsB = 7;
        cases.push_back({"RGB with transparent colour", s, {0xFF090909, 0x00070707}});
    }
    // 16-bit samples keep their high byte.
    cases.push_back(
        {"RGB 16 bits", Png(1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12FF, 0x3400, 0xAB80}), {0xFF1234AB}});
    cases.push_back({"RGBA 16 bits",
                     Png(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {0x12FF, 0x3400, 0xAB80, 0x7FFF}),
                     {0x7F1234AB}});
    cases.push_back({"grey 16 bits", Png(1, 1, PNG_COLOR_TYPE_GRAY, 16, {0xC0FF}), {0xFFC0C0C0}});
    return cases;
}

TEST(PngDecoder, ColourTypesAndDepths)
{
    for (const PngCase& c : PngCases()) {
        auto image = LoadAs(MakePng(c.layout), "x.png");
        EXPECT_EQ(PixelsOf(*image), c.expected) << c.name;
    }
}

TEST(PngDecoder, InterlacedAndPrefixedFilesDecodeLikeThePlainOne)
{
    const int w = 13, h = 9;
    std::vector<uint16_t> samples;
    for (uint8_t v : Pattern(w, h, 4))
        samples.push_back(v);
    PngLayout plain = Png(w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, samples);
    PngLayout interlaced = plain;
    interlaced.interlace = true;
    const Bytes bare = MakePng(plain);
    const std::vector<uint32_t> expected = PixelsOf(*LoadAs(bare, "a.png"));
    ASSERT_EQ(expected.size(), size_t{w * h});
    EXPECT_EQ(expected[0], 0x9F00356Au); // R 0x00, G 0x35, B 0x6A, A 0x9F
    EXPECT_EQ(PixelsOf(*LoadAs(MakePng(interlaced), "a.png")), expected);

    Bytes prefixed = {'x', 'y', 'z', 0};
    prefixed.insert(prefixed.end(), bare.begin(), bare.end());
    EXPECT_EQ(PixelsOf(*LoadAs(prefixed, "a.PNG")), expected);
}

// Sets the IHDR size of a PNG and mends the chunk's checksum.
Bytes WithSize(Bytes png, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return png;
}

TEST(PngDecoder, DamagedFilesFailCleanly)
{
    const Bytes good =
        MakePng(Png(8, 8, PNG_COLOR_TYPE_RGB, 8, std::vector<uint16_t>(8 * 8 * 3, 77)));
    std::vector<std::pair<const char*, Bytes>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"three bytes", Bytes(good.begin(), good.begin() + 3)});
    cases.push_back({"signature only", Bytes(good.begin(), good.begin() + 8)});
    cases.push_back({"cut in the data", Bytes(good.begin(), good.end() - 20)});
    Bytes crc = good;
    crc[30] ^= 0xFF;
    cases.push_back({"bad header checksum", crc});
    cases.push_back({"65500 x 65500", WithSize(good, 65500, 65500)});
    // Within the side cap but far more pixels than the data can hold.
    cases.push_back({"16000 x 16000 from 100 bytes", WithSize(good, 16000, 16000)});
    cases.push_back({"zero width", WithSize(good, 0, 8)});
    for (const auto& [name, bytes] : cases) {
        TARGB8888 image;
        TMemoryStream stream(bytes);
        EXPECT_THROW(image.LoadFromStream(stream, "p.png"), ImageLoadError) << name;
        EXPECT_EQ(image.Buffer(), nullptr) << name;
    }
}

// --- JPEG -----------------------------------------------------------------

std::vector<uint32_t> FromRgb(const std::vector<uint8_t>& rgb, int components)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < rgb.size(); i += static_cast<size_t>(components)) {
        const uint32_t r = rgb[i], g = rgb[i + (components == 3 ? 1 : 0)],
                       b = rgb[i + (components == 3 ? 2 : 0)];
        out.push_back(0xFF000000u | r << 16 | g << 8 | b);
    }
    return out;
}

TEST(JpegDecoder, MatchesTheAccurateIntegerDecode)
{
    const int w = 13, h = 7;
    for (bool progressive : {false, true}) {
        const Bytes jpeg = MakeJpeg(w, h, 3, Pattern(w, h, 3), 75, progressive);
        auto image = LoadAs(jpeg, "c.JPG");
        ASSERT_EQ(image->Width(), w);
        ASSERT_EQ(image->Height(), h);
        EXPECT_EQ(PixelsOf(*image), FromRgb(ReferenceJpegDecode(jpeg, 3), 3)) << progressive;
        EXPECT_FALSE(image->IsTransparent());
    }
    const Bytes grey = MakeJpeg(w, h, 1, Pattern(w, h, 1), 80);
    EXPECT_EQ(PixelsOf(*LoadAs(grey, "g.jpg")), FromRgb(ReferenceJpegDecode(grey, 1), 1));
}

class FakeDialogs : public platform::Dialogs
{
public:
    int Show(std::string_view caption, std::string_view text,
             const std::vector<std::string>& buttons) override
    {
        shown.push_back({std::string(caption), std::string(text), buttons});
        return 0;
    }
    struct Shown
    {
        std::string caption, text;
        std::vector<std::string> buttons;
    };
    std::vector<Shown> shown;
};

TEST(JpegDecoder, BadFilesShowTheMessageAndLeaveTheImageEmpty)
{
    const Bytes good = MakeJpeg(16, 16, 3, Pattern(16, 16, 3));
    Bytes oversized = good;
    // SOF0 of libjpeg's output: FF C0, length, precision, height, width.
    for (size_t i = 0; i + 8 < oversized.size(); ++i) {
        if (oversized[i] == 0xFF && oversized[i + 1] == 0xC0) {
            oversized[i + 5] = oversized[i + 7] = 0xFF;
            oversized[i + 6] = oversized[i + 8] = 0xDC;
            break;
        }
    }
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"not a JPEG", Bytes(100, 0x42)},
        {"header cut", Bytes(good.begin(), good.begin() + 30)},
        {"65500 x 65500", oversized},
    };
    for (const auto& [name, bytes] : cases) {
        FakeDialogs dialogs;
        TImageLoadOptions options;
        options.message = ImageMessagesTo(&dialogs, "Game");
        auto image = LoadAs(bytes, "broken.jpg", options);
        EXPECT_EQ(image->Buffer(), nullptr) << name;
        ASSERT_EQ(dialogs.shown.size(), 1u) << name;
        EXPECT_EQ(dialogs.shown[0].text, texts::kBadJpeg);
        EXPECT_EQ(dialogs.shown[0].caption, "Game");
        EXPECT_EQ(dialogs.shown[0].buttons, std::vector<std::string>{"OK"});
        // No sink: no message, no error.
        EXPECT_EQ(LoadAs(bytes, "broken.jpg")->Buffer(), nullptr);
    }
    EXPECT_FALSE(ImageMessagesTo(nullptr, "x"));
}

TEST(JpegEncoder, WritesABaselineJpegOfTheColours)
{
    TARGB8888 image;
    image.SetSize(20, 10);
    image.FillRect(0, 0, 0x00FF8040, 10, 10);
    image.FillRect(10, 0, 0x800040FF, 10, 20);
    for (int quality : {0, 50, 100, 300}) {
        TMemoryStream out;
        ASSERT_TRUE(image.SaveJpeg(&out, quality));
        Bytes bytes(out.Data(), out.Data() + out.Size());
        int w = 0, h = 0;
        const std::vector<uint8_t> rgb = ReferenceJpegDecode(bytes, 3, &w, &h);
        ASSERT_EQ(w, 20);
        ASSERT_EQ(h, 10);
        bool baseline = false, progressive = false;
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            baseline |= bytes[i] == 0xFF && bytes[i + 1] == 0xC0;
            progressive |= bytes[i] == 0xFF && bytes[i + 1] == 0xC2;
        }
        EXPECT_TRUE(baseline);
        EXPECT_FALSE(progressive);
        if (quality >= 100) {
            // Alpha is dropped; the colours survive nearly exactly.
            EXPECT_NEAR(rgb[0], 0xFF, 2);
            EXPECT_NEAR(rgb[1], 0x80, 2);
            EXPECT_NEAR(rgb[2], 0x40, 2);
            EXPECT_NEAR(rgb[(19) * 3 + 2], 0xFF, 2);
        }
    }
    TMemoryStream out;
    EXPECT_FALSE(TARGB8888().SaveJpeg(&out, 90));
    EXPECT_FALSE(image.SaveJpeg(nullptr, 90));
}

} // namespace
} // namespace tsukimi
