// The image cache: sharing by payload name, run-time names, failures that
// still leave the stream after the payload, release and trimming, and
// loading by name through the data locator.
#include "graphics/ARGB8888Manager.h"
#include "data/FakeFileSystem.h"
#include "data/GameData.h"
#include "data/PackWriter.h"
#include "graphics/ImageFixtures.h"

#include <png.h>

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using namespace testing;

Bytes SmallPng(int w, int h, int seed = 0)
{
    PngLayout s;
    s.width = w;
    s.height = h;
    s.colorType = PNG_COLOR_TYPE_RGB;
    for (uint8_t v : Pattern(w, h, 3, seed))
        s.samples.push_back(v);
    return MakePng(s);
}

// An "animation" stream: a header, the payload, then a trailer.
TMemoryStream Embedded(const Bytes& payload)
{
    TMemoryStream stream;
    stream.WriteChars("HEAD");
    stream.WriteBytes(payload);
    stream.WriteChars("TAIL");
    stream.Seek(4);
    return stream;
}

TEST(ARGB8888Manager, SameNameSharesOneImageAndTrustsTheName)
{
    TARGB8888Manager cache(1 << 20);
    const Bytes png = SmallPng(4, 3);
    TMemoryStream first = Embedded(png);
    auto a = cache.GetImage(first, png.size(), "anime\\one.b", "Cell01.PNG");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Width(), 4);
    EXPECT_EQ(first.Position(), 4 + png.size());
    EXPECT_EQ(cache.Entries()[0].data, "anime\\one.b");
    EXPECT_EQ(cache.Entries()[0].size, 4u * 3 * 4);

    // Garbage bytes under the same name (any case): not decoded again.
    const Bytes garbage(png.size(), 0xEE);
    TMemoryStream second = Embedded(garbage);
    auto b = cache.GetImage(second, garbage.size(), "anime\\two.b", "cell01.png");
    EXPECT_EQ(a, b);
    EXPECT_EQ(second.Position(), 4 + garbage.size());
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Entries()[0].inUse, 2);
}

TEST(ARGB8888Manager, RunTimeNamesAreNeverCached)
{
    TARGB8888Manager cache(1 << 20);
    const Bytes png = SmallPng(2, 2);
    TMemoryStream s1 = Embedded(png), s2 = Embedded(png);
    auto a = cache.GetImage(s1, png.size(), "", "$$$capture.png");
    auto b = cache.GetImage(s2, png.size(), "", "$$$capture.png");
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a, b);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(s2.Position(), 4 + png.size());
    cache.Release(a); // not held by the cache: nothing happens
    EXPECT_EQ(cache.Count(), 0u);
}

TEST(ARGB8888Manager, FailuresYieldNothingAndLeaveTheStreamAfterThePayload)
{
    TARGB8888Manager cache(1 << 20);
    const Bytes png = SmallPng(2, 2);
    Bytes broken = png;
    broken.resize(png.size() / 2);
    const Bytes badJpeg(40, 0x11);
    struct Case
    {
        const char* name;
        Bytes payload;
    };
    const Case cases[] = {
        {"cell.gif", png},     // unknown extension
        {"cell.png", broken},  // decoding error
        {"cell.jpg", badJpeg}, // JPEG failure: no pixels
        {"cell.bmp", {}},      // empty payload
    };
    for (const Case& c : cases) {
        TMemoryStream stream = Embedded(c.payload);
        EXPECT_FALSE(cache.GetImage(stream, c.payload.size() ? c.payload.size() : 1, "", c.name))
            << c.name;
        EXPECT_EQ(stream.Position(), 4 + (c.payload.size() ? c.payload.size() : 1)) << c.name;
    }
    EXPECT_EQ(cache.Count(), 0u);
    // A length beyond the stream stops at its end.
    TMemoryStream stream = Embedded(png);
    EXPECT_TRUE(cache.GetImage(stream, 1 << 20, "", "whole.png"));
    EXPECT_TRUE(stream.AtEnd());
}

TEST(ARGB8888Manager, ReleaseAndTrimming)
{
    TARGB8888Manager cache(0); // CacheSize 0
    const Bytes png = SmallPng(8, 8);
    TMemoryStream s1 = Embedded(png);
    auto image = cache.GetImage(s1, png.size(), "", "a.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(cache.Count(), 1u); // in use: kept over the budget
    cache.Release(image);
    EXPECT_EQ(cache.Count(), 0u); // idle and over the budget: dropped
    EXPECT_EQ(image->Width(), 8); // the caller's pointer stays valid

    // With a budget for one image, the least fresh idle one goes first.
    TARGB8888Manager sized(8 * 8 * 4);
    for (const char* name : {"x.png", "y.png"}) {
        TMemoryStream s = Embedded(png);
        sized.Release(sized.GetImage(s, png.size(), "", name));
    }
    ASSERT_EQ(sized.Count(), 1u);
    EXPECT_EQ(sized.Entries()[0].key, "y.png");
    sized.SetLimit(0);
    EXPECT_EQ(sized.Count(), 0u);
}

TEST(ARGB8888Manager, LoadsByNameThroughTheLocator)
{
    FakeFileSystem files;
    const Bytes png = SmallPng(5, 4, 1);
    const Bytes jpeg = MakeJpeg(6, 2, 3, Pattern(6, 2, 3));
    const std::vector<TPackSource> entries = {{"image\\bg\\sky.png", png},
                                              {"image\\photo.jpg", jpeg}};
    files.Put("GameData\\data0.pack", BuildPack(entries, TPackWriteOptions{}).pack);
    TGameData data(files);
    ASSERT_EQ(data.OpenPacks("GameData\\"), 1) << data.LastError();

    TARGB8888Manager cache(1 << 20);
    auto sky = cache.LoadImage(data, "Image/BG/Sky.png");
    ASSERT_TRUE(sky);
    EXPECT_EQ(sky->Width(), 5);
    TARGB8888 direct;
    TMemoryStream bare(png);
    direct.LoadPng(bare);
    EXPECT_EQ(PixelsOf(*sky), PixelsOf(direct));
    EXPECT_EQ(cache.LoadImage(data, "image\\bg\\sky.png"), sky);
    auto photo = cache.LoadImage(data, "image\\photo.jpg");
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->Height(), 2);
    EXPECT_FALSE(cache.LoadImage(data, "image\\missing.png"));
    EXPECT_EQ(cache.Count(), 2u);
}

} // namespace
} // namespace tsukimi
