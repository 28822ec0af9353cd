#include "data/Cache.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

std::shared_ptr<TMemoryStream> Bytes(size_t size)
{
    return std::make_shared<TMemoryStream>(std::vector<uint8_t>(size, 0x5A));
}

TEST(CacheKeyHash, RotatesAndAdds)
{
    EXPECT_EQ(CacheKeyHash(""), 0u);
    EXPECT_EQ(CacheKeyHash("ab"), 0x61u * 2 + 0x62u);
    EXPECT_EQ(CacheKeyHash(std::string(33, '\x80')), 0xFFFFFFFFu + 0x80u); // rotation wraps bit 31
}

TEST(CacheBudgets, DerivedFromCacheSize)
{
    const auto small = CacheBudgetsFor(60);
    EXPECT_EQ(small.images, 60u);
    EXPECT_EQ(small.waves, 10u);
    EXPECT_EQ(small.files, 15u + 8388608u);
    EXPECT_EQ(CacheBudgetsFor(int64_t{1} << 30).waves, 8388608u);
    EXPECT_EQ(CacheBudgetsFor(-5).files, 8388608u);
}

TEST(Cache, LimitZeroKeepsAnObjectOnlyWhileInUse)
{
    TMemoryStreamCache cache(0);
    auto object = Bytes(10);
    ASSERT_TRUE(cache.Add(object, "A.png", "data"));
    EXPECT_EQ(cache.Get("a.PNG", false, false), object);
    cache.Release(object);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(cache.Get("a.png", false, false), nullptr);
}

TEST(Cache, AddingANameTwiceKeepsTheFirst)
{
    TMemoryStreamCache cache(1000);
    auto first = Bytes(1);
    EXPECT_TRUE(cache.Add(first, "x", ""));
    EXPECT_FALSE(cache.Add(Bytes(2), "X", ""));
    EXPECT_EQ(cache.Get("x", false, false), first);
    EXPECT_EQ(cache.Count(), 1u);
}

TEST(Cache, ReleasingAnUnknownObjectLeavesTheCacheAlone)
{
    TMemoryStreamCache cache(1000);
    auto held = Bytes(1);
    cache.Add(held, "held", "");
    std::weak_ptr<TMemoryStream> watch;
    {
        auto stranger = Bytes(1);
        watch = stranger;
        cache.Release(stranger);
    }
    EXPECT_TRUE(watch.expired());
    ASSERT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Entries()[0].inUse, 1);
}

TEST(Cache, InUseEntriesSurviveAnyLimitAndClearKeepsThemAlive)
{
    TMemoryStreamCache cache(0);
    auto a = Bytes(100);
    cache.Add(a, "a", "");
    cache.Flush();
    cache.SetLimit(0);
    EXPECT_EQ(cache.Count(), 1u);
    cache.Release(a);
    cache.Release(a); // in-use never goes below 0
    EXPECT_EQ(cache.Count(), 0u);

    auto b = Bytes(4);
    cache.Add(b, "b", "");
    cache.Clear();
    EXPECT_EQ(b->Size(), 4u);
}

TEST(Cache, IdleEntriesOverTheBudgetGoLeastFreshFirst)
{
    TMemoryStreamCache cache(250);
    for (const char* name : {"old", "mid", "new"}) {
        auto object = Bytes(100);
        cache.Add(object, name, "");
        cache.Release(object);
    }
    // Adding "new" pushed the idle total to 300: the least fresh ("old") went.
    EXPECT_EQ(cache.Get("old", false, false), nullptr);
    EXPECT_NE(cache.Get("mid", false, true), nullptr); // refreshed
    cache.SetLimit(100);
    EXPECT_NE(cache.Get("mid", false, false), nullptr);
    EXPECT_EQ(cache.Get("new", false, false), nullptr);
    cache.Flush();
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(cache.Limit(), 100u);
}

TEST(Cache, SixHundredIdleEntriesAreCutTo512WithinTwoTrims)
{
    TMemoryStreamCache cache(uint64_t{1} << 40);
    for (int i = 0; i < 600; ++i) {
        auto object = Bytes(1);
        cache.Add(object, "e" + std::to_string(i), "");
        cache.Release(object);
    }
    cache.Trim();
    cache.Trim();
    EXPECT_LE(cache.Count(), 512u);
    EXPECT_GE(cache.Count(), 500u);
    EXPECT_NE(cache.Get("e599", false, false), nullptr); // the freshest stay
}

TEST(Cache, GetOrCreateCopiesOnceThenSkipsTheBytes)
{
    TMemoryStreamCache cache(1000);
    TMemoryStream source(std::string_view("headPAYLOADtail"));
    source.Seek(4);
    auto first = cache.GetOrCreate(source, 7, "info", "Entry");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(source.Position(), 11u);
    EXPECT_EQ(first->Position(), 0u);
    EXPECT_EQ(first->ReadChars(7), "PAYLOAD");

    source.Seek(4);
    auto second = cache.GetOrCreate(source, 7, "info", "ENTRY");
    EXPECT_EQ(second, first);
    EXPECT_EQ(source.Position(), 11u);
    ASSERT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Entries()[0].inUse, 2);
    EXPECT_EQ(cache.Entries()[0].uses, 2);
    EXPECT_EQ(cache.Entries()[0].data, "info");
}

class FailingCache : public TCache<int>
{
protected:
    Pointer CreateObject(TMemoryStream& stream, size_t, std::string_view) override
    {
        stream.ReadU32(); // throws on short data, as a decoder does
        return std::make_shared<int>(1);
    }
    uint64_t ObjectSize(const int&) const override { return 4; }
};

TEST(Cache, UndecodableDataGivesNull)
{
    FailingCache cache;
    TMemoryStream shortData(std::string_view("ab"));
    EXPECT_EQ(cache.GetOrCreate(shortData, 2, "", "x"), nullptr);
    EXPECT_EQ(cache.Count(), 0u);
}

TEST(Cache, FileCacheUsesTheEngineLowerCasing)
{
    TFileMemoryCache cache(1000);
    cache.Add(Bytes(1), "\x82\x60.txt", ""); // full-width A
    EXPECT_NE(cache.Get("\x82\x81.TXT", false, false), nullptr);
}

TEST(Cache, WithoutUniqueNamesEveryAddIsKept)
{
    TMemoryStreamCache cache(1000);
    cache.SetUniqueNames(false);
    TMemoryStream source(std::string_view("abcd"));
    EXPECT_NE(cache.GetOrCreate(source, 2, "", "same"), nullptr);
    EXPECT_NE(cache.GetOrCreate(source, 2, "", "same"), nullptr);
    EXPECT_EQ(cache.Count(), 2u);
}

} // namespace
} // namespace tsukimi
